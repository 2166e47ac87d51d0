#include "simulator/packetlog.h"

namespace PtxSim {

namespace {
constexpr int DevShift = 32;
constexpr int CmdShift = 16;
constexpr quint64 FieldMask = 0xFFFF;
}

void PacketLog::record(const Packet &packet)
{
    ++counts[key(packet.dev, packet.cmd, packet.index)];
    kept.push_back(packet);
    if (kept.size() > size_t(KeptPackets))
        kept.pop_front();
    ++received;
}

int PacketLog::count(int dev, int cmd, int index) const
{
    return counts.value(key(dev, cmd, index));
}

QList<Packet> PacketLog::packets() const
{
    return QList<Packet>(kept.begin(), kept.end());
}

void PacketLog::reset()
{
    counts.clear();
    kept.clear();
    received = 0;
    replies = 0;
}

quint64 PacketLog::key(int dev, int cmd, int index)
{
    return ((quint64(dev) & FieldMask) << DevShift) | ((quint64(cmd) & FieldMask) << CmdShift)
           | (quint64(index) & FieldMask);
}

} // namespace PtxSim
