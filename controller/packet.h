// Packet encoding and reply decoding of the PTX4100 link, free of any socket.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace Ptx {

// The header fields of a packet as the controller frames it.
struct PacketHeader {
    unsigned int dev = 0;
    unsigned int cmd = 0;
    unsigned int index = 0;
    unsigned int length = 0;
};

// A command packet: "#", device, command, index, data length, the low dlen bytes of data
// (least significant first), carriage return. A dlen above 4 is written into the header
// but no data bytes follow.
QByteArray encodeCommandPacket(unsigned int dev, unsigned int cmd, unsigned int index,
                               unsigned int dlen, long data);

// A text packet: command 9, index 0, the text one byte per character, carriage return.
// Texts longer than a length field can say are cut to 65535 bytes.
QByteArray encodeTextPacket(unsigned int dev, const QString &text);

// Reads the eight header bytes at the start of a packet.
PacketHeader decodeHeader(const unsigned char *packet);

// Total packet length for a declared data length: header, data and terminator.
unsigned int packetLength(unsigned int dataLength);

// The reply value: for 1 to 4 data bytes, the bytes as an unsigned little-endian number
// stored in a signed 32-bit value (a 4-byte value is signed, a 3-byte one is not); 0 for any
// other length.
qint32 decodeReplyValue(const unsigned char *data, unsigned int length);

} // namespace Ptx
