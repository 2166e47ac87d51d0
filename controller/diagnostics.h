// The diagnostic output: technical lines for the developer, on standard error.
#pragma once

#include <QString>

namespace Ptx {

// Writes one line to the diagnostic output (through Qt's debug message handler, so that
// tests can check for it and benchmarks can silence it).
void diag(const QString &line);

// Written when a screen has handed an accepted dialog's values to the interface.
const char *const DialogDoneText = "DONE ";

} // namespace Ptx
