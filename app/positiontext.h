// The text of a stage or focus position on the panel's displays.
#pragma once

#include <QString>

namespace Ptx {

// The position cut (not rounded) to four decimals: 12.34567 gives "12.3456", -0.00004 gives
// "-0.0000". A value that is not finite gives "Error".
QString positionText(double position);

} // namespace Ptx
