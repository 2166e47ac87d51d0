#include "simulator/axis.h"

#include <algorithm>

namespace PtxSim {

namespace {
constexpr qint64 UsPerSecond = 1000000;
}

Axis::Axis(qint32 min, qint32 max, qint32 speed, qint32 centringSpeed)
    : minPos(std::min(min, max)), maxPos(std::max(min, max)),
      normalSpeed(speed > 0 ? speed : 1), centreSpeed(centringSpeed > 0 ? centringSpeed : 1)
{
    setPosition(0);
}

qint32 Axis::position(qint64 nowUs) const
{
    if (startPos == targetPos || nowUs <= startUs)
        return startPos;
    const qint64 distance = qAbs(qint64(targetPos) - startPos);
    // Checked before multiplying, so the product stays below distance x 10^6.
    const qint64 elapsed = nowUs - startUs;
    if (elapsed >= (distance * UsPerSecond + moveSpeed - 1) / moveSpeed)
        return targetPos;
    const qint64 travelled = std::min(distance, qint64(moveSpeed) * elapsed / UsPerSecond);
    return qint32(targetPos > startPos ? startPos + travelled : startPos - travelled);
}

bool Axis::isMoving(qint64 nowUs) const
{
    return position(nowUs) != targetPos;
}

void Axis::moveTo(qint64 target, qint32 speed, qint64 nowUs)
{
    startPos = position(nowUs);
    startUs = nowUs;
    targetPos = clamp(target);
    moveSpeed = speed > 0 ? speed : normalSpeed;
}

void Axis::moveBy(qint64 distance, qint64 nowUs)
{
    moveTo(qint64(position(nowUs)) + distance, normalSpeed, nowUs);
}

void Axis::stop(qint64 nowUs)
{
    startPos = targetPos = position(nowUs);
    startUs = nowUs;
}

void Axis::setPosition(qint32 steps)
{
    startPos = targetPos = clamp(steps);
    startUs = 0;
}

bool Axis::setSpeed(qint32 stepsPerSecond)
{
    if (stepsPerSecond <= 0)
        return false;
    normalSpeed = stepsPerSecond;
    return true;
}

bool Axis::setCentringSpeed(qint32 stepsPerSecond)
{
    if (stepsPerSecond <= 0)
        return false;
    centreSpeed = stepsPerSecond;
    return true;
}

bool Axis::setTravel(qint32 min, qint32 max)
{
    if (min > max)
        return false;
    minPos = min;
    maxPos = max;
    setPosition(startPos);
    return true;
}

qint32 Axis::centre() const
{
    return qint32((qint64(minPos) + maxPos) / 2);
}

qint32 Axis::clamp(qint64 steps) const
{
    return qint32(std::clamp<qint64>(steps, minPos, maxPos));
}

} // namespace PtxSim
