#include "motion/stepconvert.h"

#include <cmath>
#include <limits>

namespace Ptx {

bool toSteps(double value, qint32 *steps)
{
    if (!std::isfinite(value))
        return false;
    const double t = std::trunc(value);
    if (t < static_cast<double>(std::numeric_limits<qint32>::min())
        || t > static_cast<double>(std::numeric_limits<qint32>::max()))
        return false;
    *steps = static_cast<qint32>(t);
    return true;
}

bool usableSpeed(double stepsPerSecond, qint32 *steps)
{
    qint32 truncated = 0;
    if (!toSteps(stepsPerSecond, &truncated) || truncated < 1)
        return false;
    if (steps)
        *steps = truncated;
    return true;
}

} // namespace Ptx
