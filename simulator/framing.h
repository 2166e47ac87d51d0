// Packet framing of the controller side: cuts the client's byte stream into packets and
// encodes replies.
#pragma once

#include "simulator/packet.h"

#include <QByteArray>

namespace PtxSim {

// Longest data part the controller takes in one packet; longer frames are thrown away.
constexpr int MaxPacketData = 256;

// Collects bytes and hands out every complete packet. A frame with a declared length over
// MaxPacketData or without the closing carriage return is thrown away, and the search for
// "#" starts again at the byte after the thrown-away frame's "#".
class PacketFramer
{
public:
    void feed(const QByteArray &bytes);
    bool next(Packet *packet);          // false when no complete packet is buffered
    int malformedCount() const { return malformed; }

private:
    QByteArray buffer;
    int malformed = 0;
};

// The bytes of a packet: "#", dev, cmd, index, length (little-endian), data, carriage return.
QByteArray encodePacket(const Packet &packet);
// Reply to a request: same device and index, command plus 128, data the 4-byte value.
Packet valueReply(const Packet &request, qint32 value);
// Reply to a text command: command 137, the text followed by a carriage return.
Packet textReply(const Packet &request, const QString &text);

} // namespace PtxSim
