// Packet encoding and reply decoding of the PTX4100 link.
#include "controller/packet.h"

#include "controller/protocol.h"

namespace Ptx {

namespace {

constexpr unsigned int ByteMask = 0xFF;
constexpr unsigned int BitsPerByte = 8;
constexpr int MaxFieldValue = 0xFFFF;

void appendWord(QByteArray *out, unsigned int value)
{
    out->append(static_cast<char>(value & ByteMask));
    out->append(static_cast<char>((value >> BitsPerByte) & ByteMask));
}

QByteArray header(unsigned int dev, unsigned int cmd, unsigned int index, unsigned int dlen)
{
    QByteArray out;
    out.append(static_cast<char>(PacketStart));
    out.append(static_cast<char>(dev & ByteMask));
    appendWord(&out, cmd);
    appendWord(&out, index);
    appendWord(&out, dlen);
    return out;
}

unsigned int word(const unsigned char *bytes)
{
    return bytes[0] | (static_cast<unsigned int>(bytes[1]) << BitsPerByte);
}

} // namespace

QByteArray encodeCommandPacket(unsigned int dev, unsigned int cmd, unsigned int index,
                               unsigned int dlen, long data)
{
    QByteArray out = header(dev, cmd, index, dlen);
    const unsigned long bits = static_cast<unsigned long>(data);
    const unsigned int carried = dlen <= MaxCommandData ? dlen : 0;
    for (unsigned int i = 0; i < carried; ++i)
        out.append(static_cast<char>((bits >> (BitsPerByte * i)) & ByteMask));
    out.append(static_cast<char>(PacketEnd));
    return out;
}

QByteArray encodeTextPacket(unsigned int dev, const QString &text)
{
    const QByteArray bytes = text.toLatin1().left(MaxFieldValue);
    QByteArray out = header(dev, CmdText, 0, static_cast<unsigned int>(bytes.size()));
    out.append(bytes);
    out.append(static_cast<char>(PacketEnd));
    return out;
}

PacketHeader decodeHeader(const unsigned char *packet)
{
    PacketHeader h;
    h.dev = packet[1];
    h.cmd = word(packet + 2);
    h.index = word(packet + 4);
    h.length = word(packet + 6);
    return h;
}

unsigned int packetLength(unsigned int dataLength)
{
    return HeaderSize + dataLength + 1;
}

qint32 decodeReplyValue(const unsigned char *data, unsigned int length)
{
    if (length < 1 || length > MaxCommandData)
        return 0;
    quint32 value = 0;
    for (unsigned int i = 0; i < length; ++i)
        value |= static_cast<quint32>(data[i]) << (BitsPerByte * i);
    return static_cast<qint32>(value);
}

} // namespace Ptx
