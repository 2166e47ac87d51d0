// The text of a stage or focus position on the panel's displays.
#pragma once

#include <QString>

namespace Ptx {

// The position cut (not rounded) to four decimals: 12.34567 gives "12.3456", -0.00004 gives
// "-0.0000". A value that is not finite gives "Error".
QString positionText(double position);

// The position text for a display of the given number of places (the point takes one).
// A text too long gives up decimals first, then the point; its sign and integer digits are
// never cut. When even those do not fit, the display shows dashes in every place.
QString fittedPositionText(double position, int places);

} // namespace Ptx
