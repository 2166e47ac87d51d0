// Link stall under a flood of junk from the controller: 2 MB of "#" and 2 MB of noise fed
// through the panel's receiver in reads of the size the socket hands it. The receiver runs
// on the GUI thread, so the time it takes is the time the work tick and HALT wait.
#include "controller/kelinterface.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int FloodBytes = 2 * 1000 * 1000;

int diagLines = 0;

void countMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
    ++diagLines;
}

// The receiver in packet mode, as after the log-in.
class FloodedLink : public KelInterface
{
public:
    FloodedLink() : KelInterface(QStringLiteral("127.0.0.1:1")) { connectionState = 3; }
    using KelInterface::receiveBytes;
};

// CPU time of this thread: on a loaded machine the wall clock also counts other processes.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

QByteArray noise(int count)
{
    // A fixed linear congruential sequence: every byte value, "#" and carriage return too.
    QByteArray bytes(count, '\0');
    quint32 state = 12345;
    for (char &b : bytes) {
        state = state * 1103515245u + 12345u;
        b = char(state >> 24);
    }
    return bytes;
}

void measure(const char *name, const QByteArray &flood)
{
    FloodedLink link;
    diagLines = 0;
    double longestReadMs = 0.0;
    QElapsedTimer total;
    total.start();
    const double cpuStart = threadCpuMs();
    for (int at = 0; at < flood.size(); at += Ptx::ReadChunk) {
        QElapsedTimer one;
        one.start();
        link.receiveBytes(flood.mid(at, Ptx::ReadChunk));
        longestReadMs = std::max(longestReadMs, one.nsecsElapsed() / 1e6);
    }
    const double cpuMs = threadCpuMs() - cpuStart;
    const double ms = total.nsecsElapsed() / 1e6;
    std::printf("%-10s %7d bytes in %4d reads: stall %8.2f ms CPU, %8.2f ms wall (longest "
                "read %6.2f ms wall), %7d diagnostic lines\n",
                name, int(flood.size()), int((flood.size() + Ptx::ReadChunk - 1) / Ptx::ReadChunk),
                cpuMs, ms, longestReadMs, diagLines);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(countMessage);
    std::printf("link_flood_bench: goal under 50 ms stall each\n");
    measure("\"#\" burst", QByteArray(FloodBytes, '#'));
    measure("noise", noise(FloodBytes));
    return 0;
}
