// Unit conversions to controller steps, refusing what the controller cannot be sent.
#pragma once

#include <QtGlobal>

namespace Ptx {

// Truncates value toward zero into *steps. Returns false, leaving *steps alone, when the
// value is not finite or its truncation does not fit a signed 32-bit number.
bool toSteps(double value, qint32 *steps);

// A speed the controller can be given: a number that truncates to at least one step per
// second and fits a signed 32-bit value. Zero, negative and non-finite speeds are not.
// When steps is given it receives the truncated speed.
bool usableSpeed(double stepsPerSecond, qint32 *steps = nullptr);

} // namespace Ptx
