// Helpers for the programs that run the panel offscreen against a simulated controller
// (panel-screenshots, panel_bench, soak_bench): waiting in the event loop, quieting the link,
// and the process's memory.
#pragma once

#include <QtGlobal>

#include <functional>

class QMessageLogContext;
class QString;

namespace Ptx {

// Runs the event loop until done() holds, sleeping between events (a wake-up timer looks at
// the condition at least every 10 ms). False when timeoutMs passes first.
bool waitFor(const std::function<bool()> &done, int timeoutMs);

// Makes Qt draw offscreen unless a platform was chosen; call before the application exists.
void useOffscreenPlatform();

// A line of /proc/self/status such as "VmHWM:" or "VmRSS:", in KiB; -1 when unreadable.
long processStatusKiB(const char *key);

// A message handler that drops the controller link's diagnostic lines (module probes,
// time-outs of absent modules) and writes warnings and worse to standard error.
void dropDiagnostics(QtMsgType type, const QMessageLogContext &context, const QString &message);

} // namespace Ptx
