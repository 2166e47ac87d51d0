#include "config/resolution.h"

#include "config/numbertext.h"
#include "controller/diagnostics.h"

#include <cmath>

namespace Ptx {

double usableResolution(double value, double fallback, const QString &name)
{
    if (value != 0.0 && std::isfinite(value))
        return value;
    diag(QStringLiteral("BAD %1 %2, USING %3").arg(name, numberText(value), numberText(fallback)));
    return fallback;
}

} // namespace Ptx
