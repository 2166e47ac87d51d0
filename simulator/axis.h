// One motor axis: position, speed, travel limits and a constant-speed move to a target.
#pragma once

#include <QtGlobal>

namespace PtxSim {

class Axis
{
public:
    Axis(qint32 min, qint32 max, qint32 speed, qint32 centringSpeed);

    qint32 position(qint64 nowUs) const;
    bool isMoving(qint64 nowUs) const;
    qint32 target() const { return targetPos; }

    // Starts a move at the given speed; targets beyond the travel stop at the limit.
    void moveTo(qint64 target, qint32 moveSpeed, qint64 nowUs);
    void moveBy(qint64 distance, qint64 nowUs);
    void stop(qint64 nowUs);
    void setPosition(qint32 steps);         // stops the axis there (clamped to the travel)

    qint32 speed() const { return normalSpeed; }
    bool setSpeed(qint32 stepsPerSecond);   // refused (false) unless positive
    qint32 centringSpeed() const { return centreSpeed; }
    bool setCentringSpeed(qint32 stepsPerSecond);

    qint32 travelMin() const { return minPos; }
    qint32 travelMax() const { return maxPos; }
    bool setTravel(qint32 min, qint32 max); // refused unless min <= max; stops the axis
    qint32 centre() const;

private:
    qint32 clamp(qint64 steps) const;

    qint32 minPos;
    qint32 maxPos;
    qint32 normalSpeed;
    qint32 centreSpeed;
    // The move in progress: from startPos at startUs towards targetPos at moveSpeed.
    qint32 startPos = 0;
    qint32 targetPos = 0;
    qint64 startUs = 0;
    qint32 moveSpeed = 1;
};

} // namespace PtxSim
