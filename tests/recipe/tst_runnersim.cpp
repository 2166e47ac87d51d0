// A recipe run against the simulated controller over loopback, stepped tick by tick from the
// end of the log-in, with the controller's hardware clock advanced by one tick per tick.
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"
#include "runnerprobe.h"
#include "simulator/simulator.h"
#include "support/diagcapture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

using namespace Ptx;

namespace {

constexpr unsigned int AwaitingReply = 2;   // command step state
constexpr qint64 ReplyWaitMs = 2000;

} // namespace

class TestRunnerSim : public QObject
{
    Q_OBJECT

private:
    std::optional<DiagCapture> quiet;   // a run writes a diagnostic line per state change
    QTemporaryDir dir;
    std::unique_ptr<PtxSim::Simulator> sim;
    std::unique_ptr<RunnerProbe> p;
    QStringList lines;
    QList<qint64> lineTimes;   // hardware time at which each line was shown

    // A reply is awaited from a module the controller has: it will come.
    bool replyDue() const
    {
        if (p->cmdBufState != AwaitingReply)
            return false;
        const uint dev = p->commandBuffer[p->cmdBufTail].dev;
        return dev == DevController || sim->modulePresent(int(dev));
    }

    // One work tick; then the socket traffic is let through until the reply is in.
    void tick()
    {
        sim->advance(TickMs);
        p->onTimer();
        QElapsedTimer waited;
        waited.start();
        do {
            QCoreApplication::processEvents();
        } while (replyDue() && waited.elapsed() < ReplyWaitMs);
    }

    bool tickUntil(const std::function<bool()> &done, int limit = 2000)
    {
        for (int i = 0; i < limit && !done(); ++i)
            tick();
        return done();
    }

    qint64 timeOf(const QString &line) const { return lineTimes.value(lines.indexOf(line), -1); }

private slots:
    void initTestCase()
    {
        quiet.emplace();
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        sim = std::make_unique<PtxSim::Simulator>();
        sim->setManualClock(true);
        QVERIFY(sim->listen());
        p = std::make_unique<RunnerProbe>();
        connect(p.get(), &KelInterface::addDispLine, this, [this](const QString &l) {
            lines << l;
            lineTimes << sim->hardwareTimeMs();
        });
        QVERIFY(p->openConnection(sim->clientAddress()));
        // The work tick starts once the log-in is through; from then on the test steps it.
        QTRY_VERIFY(p->timer->isActive());
        p->timer->stop();
        QVERIFY(tickUntil([this] { return p->interfaceState == KelInterface::INT_NORMAL; }, 5000));
        std::tie(p->loadptEnXY, p->loadptEnZ, p->loadptX, p->loadptY, p->loadptZ) = std::make_tuple(true, true, 2.0, 3.0, 40.0);
        lines.clear();
        lineTimes.clear();
        sim->resetCounters();
    }

    void wholeRun()
    {
        p->setEntries({xyEntry(1.0, 1.0, 100, 7.0), xyEntry(3.0, 3.0, 100, 10.0), zEntry(50.0, 100, 4000),
                       filterEntry(3, 7, true, true, 0), filterEntry(4, 9, true, false, 0), filterEntry(8, 5, false, true, 62),
                       filterEntry(0, 0, false, false, 62), filterEntry(0, 0, false, false, 512u | (150u << 16)),
                       filterEntry(0, 0, false, false, PauseWord, 500)});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(tickUntil([this] { return p->recipeState == RCP_WAIT_LOAD; }));
        QCOMPARE(lines.last(), QStringLiteral("Load Sample and press RESUME"));
        QCOMPARE(sim->axisPosition(DevX), 20000);
        QCOMPARE(sim->axisPosition(DevY), 30000);
        QCOMPARE(sim->axisPosition(DevZ), 400);
        QVERIFY(p->isRecipePaused());

        p->recipeContinue();
        QVERIFY(tickUntil([this] { return p->curPoint == 1 && p->recipeState == RCP_DWELL; }));
        // The first entry ran at the configured speed, the second at its own.
        QCOMPARE(sim->axisPosition(DevX), 30000);
        QCOMPARE(sim->axisSpeed(DevX), 100000);
        QVERIFY(lines.contains(QStringLiteral("MOVE X=1 Y=1 @SP=5")));
        QVERIFY(lines.contains(QStringLiteral("MOVE X=3 Y=3 @SP=10")));
        // The second move waited until the first had stopped and dwelt 4 ticks.
        const qint64 firstToSecond = timeOf(QStringLiteral("MOVE X=3 Y=3 @SP=10"))
            - timeOf(QStringLiteral("MOVE X=1 Y=1 @SP=5"));
        QVERIFY2(firstToSecond >= 200 + 100, qPrintable(QString::number(firstToSecond)));

        QVERIFY(tickUntil([this] { return p->recipeState == RCP_IDLE; }, 4000));
        QCOMPARE(sim->axisPosition(DevZ), 400);   // back at the focus load point
        QCOMPARE(sim->axisSpeed(DevZ), 4000);
        QCOMPARE(sim->count(DevZ, CmdMove, IdxAbsolute), 3);   // load point, entry, load point
        // Both wheels in one command, then each alone; a wheel entry sets no shutter.
        QCOMPARE(sim->count(DevWheel1, CmdMove, IdxWheelBoth), 1);
        QCOMPARE(sim->wheelPosition(1), 4);
        QCOMPARE(sim->wheelPosition(2), 5);
        QCOMPARE(sim->exposureTime(2), 150);
        QCOMPARE(sim->count(DevWheel1, CmdWrite, IdxShutter), 2);
        // The exposure-time entry waited until the exposure of shutter 1 had ended.
        const qint64 exposure = timeOf(QStringLiteral("SET EXP TIME SH2=150"))
            - timeOf(QStringLiteral("MOVE SH1=2 SH2=3 SH3=3"));
        QVERIFY2(exposure >= sim->exposureTime(1), qPrintable(QString::number(exposure)));
        // FDELAY 500: twenty ticks before the run returns to the load points.
        QVERIFY(timeOf(QStringLiteral("RECIPE DONE!")) - timeOf(QStringLiteral("SET EXP TIME SH2=150")) >= 500);
        QCOMPARE(sim->axisPosition(DevX), 20000);
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
        QVERIFY(!p->isRecipeRunning());
    }
};

QTEST_MAIN(TestRunnerSim)
#include "tst_runnersim.moc"
