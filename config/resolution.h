// Guard for the two resolutions, which the position update divides by.
#pragma once

#include <QString>

namespace Ptx {

// Returns value, or fallback (with a diagnostic line naming the setting) when value is zero
// or not finite. A negative resolution is kept: it turns the axis round.
double usableResolution(double value, double fallback, const QString &name);

} // namespace Ptx
