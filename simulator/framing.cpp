#include "simulator/framing.h"

#include "controller/protocol.h"

namespace PtxSim {

namespace {

constexpr int ValueBytes = 4;
constexpr int BitsPerByte = 8;
constexpr quint8 ByteMask = 0xFF;

quint16 readLe16(const QByteArray &bytes, int at)
{
    return quint16(quint8(bytes.at(at)) | (quint8(bytes.at(at + 1)) << BitsPerByte));
}

void appendLe16(QByteArray *bytes, quint16 v)
{
    bytes->append(char(v & ByteMask));
    bytes->append(char((v >> BitsPerByte) & ByteMask));
}

} // namespace

void PacketFramer::feed(const QByteArray &bytes)
{
    buffer.append(bytes);
}

bool PacketFramer::next(Packet *packet)
{
    for (;;) {
        const int start = int(buffer.indexOf(char(Ptx::PacketStart)));
        if (start < 0) {
            buffer.clear();
            return false;
        }
        buffer.remove(0, start);
        if (buffer.size() < Ptx::HeaderSize)
            return false;
        const int length = readLe16(buffer, 6);
        if (length > MaxPacketData) {
            ++malformed;
            buffer.remove(0, 1);
            continue;
        }
        const int frameSize = Ptx::HeaderSize + length + 1;
        if (buffer.size() < frameSize)
            return false;
        if (quint8(buffer.at(frameSize - 1)) != Ptx::PacketEnd) {
            ++malformed;
            buffer.remove(0, 1);
            continue;
        }
        packet->dev = quint8(buffer.at(1));
        packet->cmd = readLe16(buffer, 2);
        packet->index = readLe16(buffer, 4);
        packet->data = buffer.mid(Ptx::HeaderSize, length);
        buffer.remove(0, frameSize);
        return true;
    }
}

QByteArray encodePacket(const Packet &packet)
{
    QByteArray bytes;
    bytes.reserve(Ptx::HeaderSize + packet.data.size() + 1);
    bytes.append(char(Ptx::PacketStart));
    bytes.append(char(packet.dev));
    appendLe16(&bytes, packet.cmd);
    appendLe16(&bytes, packet.index);
    appendLe16(&bytes, quint16(packet.data.size()));
    bytes.append(packet.data);
    bytes.append(char(Ptx::PacketEnd));
    return bytes;
}

Packet valueReply(const Packet &request, qint32 value)
{
    Packet reply;
    reply.dev = request.dev;
    reply.cmd = quint16(request.cmd + Ptx::ReplyOffset);
    reply.index = request.index;
    const quint32 bits = quint32(value);
    for (int i = 0; i < ValueBytes; ++i)
        reply.data.append(char((bits >> (BitsPerByte * i)) & ByteMask));
    return reply;
}

Packet textReply(const Packet &request, const QString &text)
{
    Packet reply;
    reply.dev = request.dev;
    reply.cmd = Ptx::CmdTextReply;
    reply.index = request.index;
    reply.data = text.toLatin1();
    reply.data.append(char(Ptx::PacketEnd));
    return reply;
}

} // namespace PtxSim
