// The diagnostic output: technical lines for the developer, on standard error.
#pragma once

#include <QString>

namespace Ptx {

// Writes one line to the diagnostic output (through Qt's debug message handler, so that
// tests can check for it and benchmarks can silence it).
void diag(const QString &line);

} // namespace Ptx
