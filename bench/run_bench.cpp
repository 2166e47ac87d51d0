// run_bench: how many work ticks a recipe run takes from START to "RECIPE DONE!" on the
// simulated controller with instant motion, the tick stepped by hand.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "recipe/runnerstates.h"
#include "simulator/simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const int Entries = qEnvironmentVariableIntValue("RUN_BENCH_ENTRIES") > 0 ? qEnvironmentVariableIntValue("RUN_BENCH_ENTRIES") : 200;
constexpr int AwaitingReply = 2;        // command step state
constexpr int TrafficWaitMs = 2000;
constexpr int StartUpTicks = 5000;
constexpr int RunTickLimit = 100000;
constexpr qint64 InstantMotionMs = 1000000;   // hardware time passed per tick

class BenchInterface : public KelInterface
{
public:
    BenchInterface() : KelInterface(QStringLiteral("127.0.0.1:1")) {}
    using KelInterface::cmdBufState;
    using KelInterface::cmdBufTail;
    using KelInterface::commandBuffer;
    using KelInterface::connectionState;
    using KelInterface::interfaceState;
    using KelInterface::onTimer;
    using KelInterface::recipeState;
    using KelInterface::timer;
    qint64 bytesToWrite() const { return tcpSocket->bytesToWrite(); }
    // Small packets leave at once rather than waiting for the previous one's acknowledgement.
    void sendAtOnce() { tcpSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1); }
};

bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > TrafficWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// One work tick. The packet it sends is let through to the controller, and an awaited reply
// back to the panel, before the controller's hardware moves on (far enough to end any move).
void tick(BenchInterface &kel, PtxSim::Simulator &sim)
{
    const int received = sim.total();
    const int replies = sim.repliesSent();
    kel.onTimer();
    if (kel.bytesToWrite() > 0 || sim.total() == received)
        waitFor([&] { return sim.total() > received || kel.bytesToWrite() == 0; });
    // A module the controller lacks never answers; its command times out tick by tick.
    if (kel.cmdBufState == AwaitingReply && sim.repliesSent() > replies)
        waitFor([&] { return kel.commandBuffer[kel.cmdBufTail].done; });
    QCoreApplication::processEvents();
    sim.advance(InstantMotionMs);
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication app(argc, argv);

    PtxSim::Simulator sim;
    sim.setManualClock(true);
    if (!sim.listen()) {
        std::fprintf(stderr, "simulator cannot listen\n");
        return 1;
    }
    auto *kel = new BenchInterface;
    MainWindow window(kel);
    if (!kel->openConnection(sim.clientAddress()) || !waitFor([&] { return kel->connectionState == 3; })) {
        std::fprintf(stderr, "no log-in\n");
        return 1;
    }
    kel->timer->stop();
    kel->sendAtOnce();
    for (int i = 0; i < StartUpTicks && kel->interfaceState != KelInterface::INT_NORMAL; ++i)
        tick(*kel, sim);

    QStringList recipe{QStringLiteral("DELAY %1").arg(Ptx::RecipeTickMs)};
    for (int i = 0; i < Entries; ++i)
        recipe << QStringLiteral("POINT %1,%2").arg(i % 20).arg(i / 20);
    kel->setRecipe(recipe);
    bool done = false;
    QObject::connect(kel, &KelInterface::addDispLine, [&](const QString &line) {
        done = done || line == QLatin1String("RECIPE DONE!");
    });

    window.findChild<QPushButton *>(QStringLiteral("butStart"))->click();
    int ticks = 0;
    int firstEntry = -1;
    int entriesEnd = -1;
    const int packetsBefore = sim.total();
    while (!done && ticks < RunTickLimit) {
        const int before = sim.total();
        tick(*kel, sim);
        if (qEnvironmentVariableIsSet("RUN_BENCH_TRACE") && ticks > 200 && ticks < 260) {
            const QList<PtxSim::Packet> got = sim.received();
            std::printf("tick %d state %d sent %s\n", ticks, kel->recipeState,
                        sim.total() > before ? qPrintable(got.last().describe()) : "-");
        }
        ++ticks;
        if (kel->recipeState == Ptx::RCP_WAIT_LOAD)
            kel->recipeContinue();   // the operator's RESUME, at once
        if (firstEntry < 0 && kel->recipeState == Ptx::RCP_ISSUE_ENTRY)
            firstEntry = ticks - 1;
        if (entriesEnd < 0 && firstEntry >= 0 && kel->recipeState == Ptx::RCP_LOADZ)
            entriesEnd = ticks;
    }
    const int entryTicks = entriesEnd - firstEntry;
    std::printf("run of %d POINT entries (DELAY %d), stepped tick, instant motion\n", Entries, Ptx::RecipeTickMs);
    std::printf("  ticks START to RECIPE DONE!: %d\n", ticks);
    std::printf("  ticks of the entries:        %d (%.2f per entry)\n", entryTicks, double(entryTicks) / Entries);
    std::printf("  packets sent in the run:     %d\n", sim.total() - packetsBefore);
    return done ? 0 : 1;
}
