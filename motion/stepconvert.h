// Unit conversions to controller steps, refusing what the controller cannot be sent.
#pragma once

#include <QtGlobal>

namespace Ptx {

// Truncates value toward zero into *steps. Returns false, leaving *steps alone, when the
// value is not finite or its truncation does not fit a signed 32-bit number.
bool toSteps(double value, qint32 *steps);

} // namespace Ptx
