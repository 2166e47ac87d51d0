// Counts and keeps what the controller received, for tests and the verbose log.
#pragma once

#include "simulator/packet.h"

#include <QHash>
#include <QList>

#include <deque>

namespace PtxSim {

class PacketLog
{
public:
    // The ordered list keeps the most recent packets only; the counts are never trimmed.
    static constexpr int KeptPackets = 100000;

    void record(const Packet &packet);
    void recordReply() { ++replies; }
    int count(int dev, int cmd, int index) const;
    int total() const { return received; }
    int repliesSent() const { return replies; }
    QList<Packet> packets() const;
    void reset();

private:
    static quint64 key(int dev, int cmd, int index);

    QHash<quint64, int> counts;
    std::deque<Packet> kept;
    int received = 0;
    int replies = 0;
};

} // namespace PtxSim
