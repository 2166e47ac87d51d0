// One filter wheel: slotCount 1 to N, turned the shorter way round one slot at a time.
#pragma once

#include <QtGlobal>

namespace PtxSim {

class Wheel
{
public:
    Wheel(int positions, int slotMs, int homeMs);

    int position(qint64 nowUs) const;
    bool isMoving(qint64 nowUs) const;
    int size() const { return slotCount; }

    void moveTo(int slot, qint64 nowUs);         // slot must be 1..size()
    void home(qint64 nowUs);                     // searches for the index mark, ends on slot 1
    void stop(qint64 nowUs);
    bool setPosition(int slot);                  // stops the wheel there

    static constexpr int MaxPositions = 32;

private:
    int wrap(int slot) const;
    qint64 endUs() const;

    int slotCount;
    qint64 slotUs;
    qint64 homeUs;
    // The turn in progress: after an initial wait, `steps` slotCount in direction `dir`.
    int fromSlot = 1;
    int dir = 1;
    int steps = 0;
    qint64 startUs = 0;
    qint64 waitUs = 0;
};

} // namespace PtxSim
