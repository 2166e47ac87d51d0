// Number texts as written into "config.xml", recipe lines and edit fields.
#pragma once

#include <QString>

namespace Ptx {

// General format with at most six significant digits: 10000, 0.1, 1e+06, 12.3457.
QString numberText(double value);

} // namespace Ptx
