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

} // namespace Ptx
