// Link stall under a flood of junk from the controller: 2 MB of "#" and 2 MB of noise fed
// through the panel's receiver in reads of the size the socket hands it. The receiver runs
// on the GUI thread, so the time it takes is the time the work tick and HALT wait. Each
// figure is the median of five passes. The interface writes one diagnostic line for each
// read that dropped frames; the figure counts those reads.
#include "controller/linkreceiver.h"
#include "simulator/replywriter.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int FloodBytes = 2 * 1000 * 1000;
constexpr int Repetitions = 5;

// CPU time of this thread: on a loaded machine the wall clock also counts other processes.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// One pass of the flood through a fresh receiver: CPU and wall milliseconds, the longest
// single read on the wall clock, and the diagnostic lines written.
struct Pass {
    double cpuMs = 0.0;
    double wallMs = 0.0;
    double longestReadMs = 0.0;
    int lines = 0;
};

Pass feed(const QByteArray &flood)
{
    // The receiver in packet mode, as after the log-in.
    LinkReceiver link;
    link.connectionState = LinkReceiver::RxHunt;
    Pass pass;
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = threadCpuMs();
    for (int at = 0; at < flood.size(); at += Ptx::ReadChunk) {
        QElapsedTimer one;
        one.start();
        const QByteArray read = flood.mid(at, Ptx::ReadChunk);
        const LinkReceiver::Dropped dropped = link.framePackets(
            reinterpret_cast<const unsigned char *>(read.constData()), unsigned(read.size()), [] { return true; });
        if (dropped.tooLong + dropped.unterminated > 0)
            ++pass.lines;
        pass.longestReadMs = std::max(pass.longestReadMs, one.nsecsElapsed() / 1e6);
    }
    pass.cpuMs = threadCpuMs() - cpuStart;
    pass.wallMs = wall.nsecsElapsed() / 1e6;
    return pass;
}

// The median pass by CPU time, so that other processes on a loaded machine count least.
void measure(const char *name, const QByteArray &flood)
{
    std::vector<Pass> passes;
    for (int i = 0; i < Repetitions; ++i)
        passes.push_back(feed(flood));
    std::sort(passes.begin(), passes.end(), [](const Pass &a, const Pass &b) { return a.cpuMs < b.cpuMs; });
    const Pass &p = passes[passes.size() / 2];
    std::printf("%-10s %7d bytes in %4d reads: stall %8.2f ms CPU, %8.2f ms wall (longest "
                "read %6.2f ms wall), %7d diagnostic lines\n",
                name, int(flood.size()), int((flood.size() + Ptx::ReadChunk - 1) / Ptx::ReadChunk),
                p.cpuMs, p.wallMs, p.longestReadMs, p.lines);
}

} // namespace

int main()
{
    std::printf("link_flood_bench: goal under 50 ms stall each\n");
    measure("\"#\" burst", QByteArray(FloodBytes, '#'));
    quint32 seed = 0;
    measure("noise", PtxSim::noiseBytes(FloodBytes, &seed));
    return 0;
}
