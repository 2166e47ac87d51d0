// Helpers for the programs that run the panel offscreen against a simulated controller
// (panel-screenshots, panel_bench): waiting in the event loop and quieting the link.
#pragma once

#include <QtGlobal>

#include <functional>

class QMessageLogContext;
class QString;

namespace Ptx {

// Runs the event loop until done() holds, sleeping between events (a wake-up timer looks at
// the condition at least every 10 ms). False when timeoutMs passes first.
bool waitFor(const std::function<bool()> &done, int timeoutMs);

// A message handler that drops the controller link's diagnostic lines (module probes,
// time-outs of absent modules) and writes warnings and worse to standard error.
void dropDiagnostics(QtMsgType type, const QMessageLogContext &context, const QString &message);

} // namespace Ptx
