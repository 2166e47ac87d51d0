// Event-loop waiting and message filtering for the offscreen panel programs.
#include "tools/eventwait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QTimer>

#include <cstdio>

namespace Ptx {

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    constexpr int CheckMs = 10;
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wakeUp;
    wakeUp.start(CheckMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void dropDiagnostics(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace Ptx
