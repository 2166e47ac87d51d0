// The recipe runner's state machine, stepped by hand with the controller's part (taking the
// commands, polling an idle busy mask) played by the test; a whole run on the simulator; the
// run-time model, the time left from the run's pace and the progress line that shows it.
#include "recipe/recipefile.h"
#include "recipe/runestimate.h"
#include "recipe/runlog.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"
#include "recipe/runprogress.h"
#include "runnerprobe.h"
#include "simulator/simulator.h"
#include "support/diagcapture.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(recipePointStruct)

using namespace Ptx;

using Entries = QVector<recipePointStruct>;
Q_DECLARE_METATYPE(Entries)

namespace {
constexpr uint AnyDev = ~0u;
constexpr unsigned int AwaitingReply = 2;   // command step state
constexpr qint64 ReplyWaitMs = 2000;

// Hardware time only: no cost per entry.
RunTimings bare()
{
    RunTimings t;
    t.motionEntryTicks = t.wheelEntryTicks = t.exposureEntryTicks = t.shutterEntryTicks = t.pauseEntryTicks = 0.0;
    t.speedXYTicks = t.speedZTicks = 0.0;
    return t;
}

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private:
    struct Sent { uint dev, cmd; long data; };

    std::optional<DiagCapture> diagnostics;   // a run writes a diagnostic line per state change
    QTemporaryDir dir;
    std::unique_ptr<RunnerProbe> p;
    QStringList lines;
    QList<Sent> sent;

    // Ticks after each of which the controller has taken every queued command and reports
    // idle axes.
    void tickIdle(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            for (; p->cmdBufTail != p->cmdBufHead; p->cmdBufTail = (p->cmdBufTail + 1) % CmdBufSize) {
                cmdBufferStruct &c = p->commandBuffer[p->cmdBufTail];
                sent << Sent{c.dev, c.cmd, c.data};
                c.done = true;
            }
            p->mbusy = 0;
            p->runRecipe();
        }
    }

    bool runUntil(int state, int limit = 50)
    {
        for (int i = 0; i < limit && p->recipeState != state; ++i)
            tickIdle();
        return p->recipeState == state;
    }

    void beginEntries(const QList<recipePointStruct> &entries)
    {
        p->setEntries(entries);
        p->recipeRunning = true;
        p->recipeState = RCP_RUN;
    }

    QList<long> dataOf(uint dev, uint cmd) const
    {
        QList<long> out;
        for (const Sent &s : sent) {
            if ((s.dev == dev || dev == AnyDev) && s.cmd == cmd)
                out << s.data;
        }
        return out;
    }

    // After each tick the socket traffic is let through until an awaited reply is in (one
    // the controller will give: its modules answer, the absent ones do not).
    bool simTickUntil(PtxSim::Simulator &sim, const std::function<bool()> &done, int limit = 5000)
    {
        const auto replyDue = [&] {
            const uint dev = p->commandBuffer[p->cmdBufTail].dev;
            return p->cmdBufState == AwaitingReply && (dev == DevController || sim.modulePresent(int(dev)));
        };
        for (int i = 0; i < limit && !done(); ++i) {
            sim.advance(TickMs);
            p->onTimer();
            QElapsedTimer waited;
            waited.start();
            do
                QCoreApplication::processEvents();
            while (replyDue() && waited.elapsed() < ReplyWaitMs);
        }
        return done();
    }

    bool connectTo(PtxSim::Simulator &sim)
    {
        sim.setManualClock(true);
        if (!sim.listen() || !p->openConnection(sim.clientAddress()) || !QTest::qWaitFor([this] { return p->timer->isActive(); }))
            return false;
        p->timer->stop();
        return simTickUntil(sim, [this] { return p->interfaceState == KelInterface::INT_NORMAL; });
    }

    // Lets everything the panel has written reach the controller.
    void settle(PtxSim::Simulator &sim)
    {
        auto *socket = p->findChild<QTcpSocket *>();
        for (int seen = -1; seen != sim.total();) {
            seen = sim.total();
            socket->flush();
            QCoreApplication::processEvents();
        }
    }

    // Starts the recipe at entry from (from 1), its run list cut to the first entries when
    // entries is given, runs it until stop() or its end and returns the controller's state
    // once everything written has reached it: wheels, shutters, exposure times, speeds and
    // positions.
    QList<int> runFrom(PtxSim::Simulator &sim, int from, const std::function<bool()> &stop, int entries = -1)
    {
        p->ScanRecipe();
        if (entries >= 0)
            p->numPointsDefined = entries;
        p->initRecipe();
        p->startRecipeAt(from);
        simTickUntil(sim, [this] { return p->recipeState == RCP_WAIT_LOAD; });
        p->recipeContinue();
        simTickUntil(sim, [&] { return stop() || !p->isRecipeRunning(); });
        settle(sim);
        QList<int> state{sim.wheelPosition(1), sim.wheelPosition(2)};
        for (int n = 1; n <= 3; ++n)
            state << sim.shutterState(n) << sim.exposureTime(n);
        for (int dev : {DevX, DevY, DevZ})
            state << sim.axisSpeed(dev) << sim.axisPosition(dev);
        return state;
    }

    // The run started at a later entry has brought the controller to that entry's state and
    // has not taken the entry up yet.
    bool restored() const
    {
        return p->restoreList.isEmpty() ? p->recipeState == RCP_RUN
                                        : p->recipeState == RCP_RESTORE_LOAD && p->restoreIndex >= p->restoreList.size();
    }

private slots:
    void init()
    {
        diagnostics.emplace();
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        p = std::make_unique<RunnerProbe>();
        p->modulespresent = (1u << DevX) | (1u << DevY) | (1u << DevZ) | (1u << DevWheel1) | (1u << DevWheel2);
        lines.clear();
        sent.clear();
        connect(p.get(), &KelInterface::addDispLine, this, [this](const QString &l) { lines << l; });
    }

    void resumeAdvances_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("load prompt") << 95 << 96;
        QTest::newRow("1st align prompt") << 4003 << 4004;
        QTest::newRow("2nd align prompt") << 4007 << 4008;
        QTest::newRow("dwell") << 2006 << 2007;
        QTest::newRow("short pause entry") << 2003 << 2004;
        // Where the run does not wait for the operator, or the following number is no state,
        // it stays where it is.
        QTest::newRow("loading an entry") << 2001 << 2001;
        QTest::newRow("move wait") << 2004 << 2004;
        QTest::newRow("choose start") << 2 << 2;
        QTest::newRow("stage load idle") << 32 << 32;
        QTest::newRow("focus load idle") << 42 << 42;
        QTest::newRow("sample loaded") << 96 << 96;
        QTest::newRow("next entry") << 2007 << 2007;
        QTest::newRow("second point stored") << 4008 << 4008;
    }

    void resumeAdvances()
    {
        QFETCH(int, from);
        p->setEntries({filterEntry(0, 0, false, false, PauseWord, 20)});
        std::tie(p->recipeState, p->recipePaused, p->recipeInDelay) = std::make_tuple(from, true, true);
        p->recipeContinue();
        QTEST(p->recipeState, "to");
        QVERIFY(!p->isRecipePaused() && !p->isRecipeDelay());
    }

    // Busy bits and exposures of modules that did not answer the start-up scan hold nothing.
    void absentModulesHoldNothing()
    {
        p->modulespresent = (1u << DevX) | (1u << DevY);
        beginEntries({filterEntry(0, 0, false, false, 62), xyEntry(1, 1, 50)});
        for (int i = 0; i < 10 && p->curPoint == 0; ++i)
            tickIdle();
        QCOMPARE(p->curPoint, 1);
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        p->mbusy = BusyFocus;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_DWELL));
    }

    // PAUSE in a move holds the dwell that follows; NEXT and PREV act only in the dwell. A
    // pause entry of up to one tick holds until RESUME.
    void operatorHolds()
    {
        beginEntries({xyEntry(0, 0, 100), filterEntry(0, 0, false, false, PauseWord, 20)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        p->recipePause();
        p->nextRecipePoint();
        p->prevRecipePoint();
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle(50);
        QVERIFY(p->recipeState == RCP_DWELL && p->isRecipePaused() && p->isRecipeDelay());
        p->recipeContinue();
        QVERIFY(p->recipeState == RCP_NEXT_ENTRY && p->curPoint == 0);
        QVERIFY(runUntil(RCP_ISSUE_ENTRY));
        tickIdle(100);
        QVERIFY(p->recipeState == RCP_ISSUE_ENTRY && p->curPoint == 1);
        p->recipeContinue();
        QVERIFY(runUntil(RCP_LOADZ, 3));
    }

    // The operator stores the same mark twice: the stage moves of the entries are refused
    // and the run goes through its entries (dwells included) to the end.
    void identicalAlignPointsMoveNothing()
    {
        std::tie(p->teachAlign, p->AlnPoint1x, p->AlnPoint2x, p->loadptEnXY) = std::make_tuple(true, 1.0, 11.0, true);
        beginEntries({xyEntry(1, 0, 100), zEntry(7, 30), xyEntry(2, 0, 100)});
        std::tie(p->recipeState, p->xpos, p->ypos) = std::make_tuple(int(RCP_CHOOSE), 30000L, 30000L);
        QVERIFY(runUntil(RCP_ALN1_WAIT));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_ALN2_WAIT));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        const qsizetype stageMoves = dataOf(DevX, CmdMove).size();
        QVERIFY(p->recipeIndex < 0);
        QCOMPARE(p->recipeDelay, 4);
        QVERIFY(runUntil(RCP_IDLE, 100));
        // Only the return to the load point, a stage position, moves the stage.
        QCOMPARE(dataOf(DevX, CmdMove).size(), stageMoves + 1);
        QCOMPARE(dataOf(DevZ, CmdMove).size(), 1);
        QVERIFY(lines.contains(QStringLiteral("ALIGN POINTS IDENTICAL")));
    }

    // A move or speed that cannot be sent, and an index that names no ring entry, count as
    // done; an unsendable speed leaves the axes at their last speed.
    void unsendableCountsAsDone()
    {
        beginEntries({xyEntry(1e300, 0, 30), xyEntry(1, 1, 30), xyEntry(2, 2, 30, 1e30)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        QVERIFY(p->recipeIndex < 0);
        QVERIFY(runUntil(RCP_DWELL, 3));
        for (int bad : {-7, CmdBufSize, 123456}) {
            p->recipeState = RCP_ENTRY_TAKEN;
            p->recipeIndex = bad;
            p->runRecipe();
            QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        }
        QVERIFY(runUntil(RCP_IDLE, 100));
        // The second entry's speed was in force already.
        QCOMPARE(dataOf(DevX, CmdWrite).size(), 1);
        QCOMPARE(dataOf(DevX, CmdMove), (QList<long>{10000, 20000}));
        QVERIFY(diagnostics->lines().contains(QStringLiteral("RECIPE SPEED NOT SENT: 1e+34")));
        // An entry number outside the list ends the entries.
        beginEntries({xyEntry(1, 1, 30)});
        std::tie(p->recipeState, p->curPoint) = std::make_tuple(int(RCP_ISSUE_ENTRY), 5);
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ));
        beginEntries({});   // an empty recipe goes straight back to the stage's load point
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADXY));
    }

    void entryOutsideTravelHoldsUntilNext_data()
    {
        QTest::addColumn<recipePointStruct>("entry");
        QTest::addColumn<QString>("why");
        QTest::newRow("x above") << xyEntry(12, 0, 30) << "X=12 ABOVE TRAVEL LIMIT 10";
        QTest::newRow("y below") << xyEntry(0, -1, 30) << "Y=-1 BELOW TRAVEL LIMIT 0";
        QTest::newRow("z below") << zEntry(-5, 30) << "Z=-5 BELOW TRAVEL LIMIT 0";
    }

    void entryOutsideTravelHoldsUntilNext()
    {
        QFETCH(recipePointStruct, entry);
        QFETCH(QString, why);
        TravelLimits limits;
        std::tie(limits.x.max, limits.y.min, limits.z.min) = std::make_tuple(10.0, 0.0, 0.0);
        p->setTravelLimits(limits);
        beginEntries({entry, xyEntry(1, 1, 30)});
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle(100);
        QVERIFY(p->recipeState == RCP_DWELL && p->curPoint == 0);
        QCOMPARE(lines.filter(QStringLiteral("ENTRY 1 NOT RUN:")), QStringList{"ENTRY 1 NOT RUN: " + why});
        p->nextRecipePoint();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->curPoint, 1);
        QCOMPARE(dataOf(DevX, CmdMove), QList<long>{10000});
    }

    void runEndings_data()
    {
        QTest::addColumn<bool>("enZ");
        QTest::addColumn<bool>("enXY");
        QTest::addColumn<QList<long>>("moves");   // to the load points: focus, then stage
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("done");
        QTest::newRow("done, no load points") << false << false << QList<long>{} << "DONE" << "2 of 2";
        QTest::newRow("done, focus load point") << true << false << QList<long>{123} << "DONE" << "2 of 2";
        QTest::newRow("stop, stage load point") << false << true << QList<long>{15000, -20000} << "STOP" << "0 of 2";
        QTest::newRow("halt, both load points") << true << true << QList<long>{123, 15000, -20000} << "HALT" << "0 of 2";
        QTest::newRow("link lost") << false << false << QList<long>{} << "LINK LOST" << "0 of 2";
    }

    // A run goes to the load points and waits for the sample; PREV at the first entry runs it
    // again without counting it twice. However the run ends, it leaves nothing running and
    // writes one run log line.
    void runEndings()
    {
        QFETCH(bool, enZ);
        QFETCH(bool, enXY);
        QFETCH(QString, ending);
        QFETCH(QString, done);
        std::tie(p->loadptEnZ, p->loadptEnXY, p->loadptX, p->loadptY, p->loadptZ) = std::make_tuple(enZ, enXY, 1.5, -2.0, 12.34);
        QFile full(QString::fromLatin1(RunLogName));   // a log near its bound: the line starts a new one
        QVERIFY(full.open(QIODevice::WriteOnly) && full.write(QByteArray(RunLogMaxBytes - 10, '\n')) > 0);
        full.close();
        QFile::remove(QLatin1String(RunLogName) + QLatin1String(RunLogCurrentSuffix));  // left by earlier cases
        p->setFileName(QStringLiteral("slide.rcp"));
        p->setEntries({xyEntry(1, 1, 1000), xyEntry(2, 2, 30)});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        QTEST(dataOf(AnyDev, CmdMove), "moves");
        QCOMPARE(lines, QStringList{QStringLiteral("Load Sample and press RESUME")});
        tickIdle(100);
        QVERIFY(p->recipeState == RCP_WAIT_LOAD && p->isRecipePaused() && p->isRecipeDelay());
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        p->prevRecipePoint();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->curPoint, 0);
        p->xincr = 0.25;
        if (ending == QLatin1String("DONE")) {
            QVERIFY(runUntil(RCP_IDLE, 200));
            QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
        } else if (ending == QLatin1String("STOP")) {
            p->stopRecipe();
        } else if (ending == QLatin1String("HALT")) {
            p->haltAll();
            p->stopRecipe();
        } else {
            p->linkUp = p->packetSeen = true;
            p->onSocketLost();
        }
        p->stopRecipe();    // a second stop of an ended run writes nothing
        QVERIFY(p->recipeState == RCP_IDLE && !p->isRecipeRunning() && !p->isRecipePaused() && !p->isRecipeDelay());
        QCOMPARE(p->xincr, 1.0);
        tickIdle();
        const qsizetype before = sent.size();
        tickIdle(100);
        QCOMPARE(sent.size(), before);
        QFile log(QString::fromLatin1(RunLogName));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> written = log.readAll().split('\n');
        QCOMPARE(written.size(), 2);
        // The entry the run started at and the last one it completed follow the ending.
        QCOMPARE(written.first().split('\t').mid(2, 5),
                 QList<QByteArray>({"slide.rcp", done.toLatin1(), ending.toLatin1(), "from 1",
                                    "completed " + done.section(' ', 0, 0).toLatin1()}));
        QCOMPARE(QFileInfo(log.fileName() + QLatin1String(RunLogOldSuffix)).size(), RunLogMaxBytes - 10);
    }

    // A whole run against the simulated controller over loopback, stepped tick by tick from
    // the end of the log-in, with the controller's hardware clock advanced by one tick a tick.
    void wholeRunOnTheSimulator()
    {
        PtxSim::Simulator sim;
        QList<qint64> lineTimes;   // hardware time at which each line was shown
        connect(p.get(), &KelInterface::addDispLine, this, [&] { lineTimes << sim.hardwareTimeMs(); });
        const auto timeOf = [&](const char *line) { return lineTimes.value(lines.indexOf(QLatin1String(line)), -1); };
        const auto tickUntil = [&](const std::function<bool()> &done) { return simTickUntil(sim, done); };
        QVERIFY(connectTo(sim));
        std::tie(p->loadptEnXY, p->loadptEnZ, p->loadptX, p->loadptY, p->loadptZ) = std::make_tuple(true, true, 2.0, 3.0, 40.0);
        sim.resetCounters();
        p->setEntries({xyEntry(1.0, 1.0, 100, 7.0), xyEntry(3.0, 3.0, 100, 10.0), zEntry(50.0, 100, 4000),
                       filterEntry(3, 7, true, true, 0), filterEntry(4, 9, true, false, 0), filterEntry(8, 5, false, true, 62),
                       filterEntry(0, 0, false, false, 62), filterEntry(0, 0, false, false, 512u | (150u << 16)),
                       filterEntry(0, 0, false, false, PauseWord, 500)});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(tickUntil([this] { return p->recipeState == RCP_WAIT_LOAD; }));
        QCOMPARE(QList<int>({sim.axisPosition(DevX), sim.axisPosition(DevY), sim.axisPosition(DevZ)}),
                 QList<int>({20000, 30000, 400}));
        p->recipeContinue();
        QVERIFY(tickUntil([this] { return p->curPoint == 1 && p->recipeState == RCP_DWELL; }));
        // The first entry ran at the configured speed, the second at its own, once the first
        // had stopped and dwelt 4 ticks.
        QCOMPARE(QList<int>({sim.axisPosition(DevX), sim.axisSpeed(DevX)}), QList<int>({30000, 100000}));
        QVERIFY(timeOf("MOVE X=3 Y=3 @SP=10") - timeOf("MOVE X=1 Y=1 @SP=5") >= 200 + 100);
        QVERIFY(tickUntil([this] { return p->recipeState == RCP_IDLE; }));
        // Back at the focus load point; the focus entry ran at its own speed.
        QCOMPARE(QList<int>({sim.axisPosition(DevZ), sim.axisSpeed(DevZ)}), QList<int>({400, 4000}));
        // Both wheels in one command, then each alone; a wheel entry sets no shutter.
        QCOMPARE(sim.count(DevWheel1, CmdMove, IdxWheelBoth), 1);
        QCOMPARE(QList<int>({sim.wheelPosition(1), sim.wheelPosition(2)}), QList<int>({4, 5}));
        QCOMPARE(QList<int>({sim.exposureTime(2), sim.count(DevWheel1, CmdWrite, IdxShutter)}), QList<int>({150, 2}));
        // The exposure-time entry waited until the exposure of shutter 1 had ended; the pause
        // lasted its 500 ms.
        QVERIFY(timeOf("SET EXP TIME SH2=150") - timeOf("MOVE SH1=2 SH2=3 SH3=3") >= sim.exposureTime(1));
        QVERIFY(timeOf("RECIPE DONE!") - timeOf("SET EXP TIME SH2=150") >= 500);
    }

    void startAtCutEntry_data()
    {
        QTest::addColumn<int>("cutEntry");      // from 0
        QTest::addColumn<int>("cutState");
        QTest::addColumn<int>("proposed");      // from 1
        QTest::newRow("loading the first point") << 0 << int(RCP_LOAD_ENTRY) << 1;
        QTest::newRow("turning a wheel") << 1 << int(RCP_ENTRY_IDLE) << 2;
        QTest::newRow("dwelling at a focus point") << 4 << int(RCP_DWELL) << 5;
        QTest::newRow("exposing: the exposure is not taken again") << 6 << int(RCP_ENTRY_IDLE) << 8;
        QTest::newRow("in a pause") << 8 << int(RCP_DWELL) << 9;
        QTest::newRow("at the last point, shutter 3 open") << 11 << int(RCP_DWELL) << 12;
    }

    // The link is cut by the controller during an entry; START AT the entry offered brings
    // the controller to the state an uninterrupted run had there, without exposing anything
    // on the way.
    void startAtCutEntry()
    {
        QFETCH(int, cutEntry);
        QFETCH(int, cutState);
        QFETCH(int, proposed);
        QStringList recipe;
        QVERIFY(readRecipeFile(QStringLiteral(RECIPE_DATA "/every-kind.rcp"), &recipe));
        p->setRecipe(recipe);
        p->setFileName(QStringLiteral("cut.rcp"));
        PtxSim::Simulator whole, cut, powered;
        // An uninterrupted run's state at the entry: the run of the entries before it, to its end.
        QVERIFY(connectTo(whole));
        const QList<int> uninterrupted = runFrom(whole, 1, [] { return false; }, proposed - 1);
        p->closeConnection();

        QVERIFY(connectTo(cut));
        runFrom(cut, 1, [&] { return p->curPoint == cutEntry && p->recipeState == cutState; });
        // A panel that lost its power here would offer the same entry.
        RunnerProbe restarted;
        restarted.setRecipe(recipe);
        restarted.setFileName(QStringLiteral("cut.rcp"));
        QCOMPARE(restarted.proposedStartEntry(), proposed);
        cut.setCloseAfter(cut.total() + 1);
        QVERIFY(simTickUntil(cut, [this] { return !p->isRecipeRunning(); }, 100));
        QCOMPARE(p->proposedStartEntry(), proposed);
        // The controller was switched off and on again: everything stands as at power-up.
        QVERIFY(connectTo(powered));
        QList<qint32> shutterWrites;
        connect(&powered, &PtxSim::Simulator::packetReceived, this, [&](const PtxSim::Packet &k) {
            if (k.index == IdxShutter && k.cmd == CmdWrite)
                shutterWrites << (k.value() & 0xffff);
        });
        QCOMPARE(runFrom(powered, proposed, [this] { return restored(); }), uninterrupted);
        QVERIFY(!shutterWrites.contains(ShutterExpose));
    }

    // HALT while the controller is brought to the entry's state stops the axes and the run
    // at once: nothing more is sent for the run.
    void haltWhileRestoring()
    {
        p->setRecipe({QStringLiteral("POINT 50,0"), QStringLiteral("F1MOVE 9"), QStringLiteral("POINT 1,1")});
        PtxSim::Simulator sim;
        QVERIFY(connectTo(sim));
        runFrom(sim, 3, [&] { return sim.axisMoving(DevX); });
        QCOMPARE(p->recipeState, int(RCP_RESTORE_IDLE));
        p->haltAll();
        p->stopRecipe();
        QVERIFY(simTickUntil(sim, [&] { return !sim.axisMoving(DevX); }, 3));
        const QList<int> stopped{sim.axisPosition(DevX), sim.count(DevX, CmdMove, IdxAbsolute), sim.wheelPosition(1)};
        simTickUntil(sim, [] { return false; }, 200);
        QCOMPARE(QList<int>({sim.axisPosition(DevX), sim.count(DevX, CmdMove, IdxAbsolute), sim.wheelPosition(1)}), stopped);
    }

    void proposedEntry_data()
    {
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("entry");
        const QString interrupted = QStringLiteral("s\te\tcut.rcp\t12 of 40\tLINK LOST\tfrom 1\tcompleted 12\tchecksum ab");
        QTest::newRow("interrupted") << QStringList{interrupted} << 13;
        QTest::newRow("another recipe ran since") << QStringList{interrupted, "s\te\tother.rcp\t1 of 4\tSTOP\tfrom 1\tcompleted 1\tchecksum ab"} << 13;
        QTest::newRow("changed recipe") << QStringList{QString(interrupted).replace("ab", "cd")} << 1;
        QTest::newRow("ended DONE") << QStringList{interrupted, "s\te\tcut.rcp\t40 of 40\tDONE\tfrom 13\tcompleted 40\tchecksum ab"} << 1;
        QTest::newRow("every entry completed") << QStringList{"s\te\tcut.rcp\t40 of 40\tSTOP\tfrom 1\tcompleted 40\tchecksum ab"} << 1;
        QTest::newRow("no run of the recipe") << QStringList{} << 1;
    }

    void proposedEntry()
    {
        QFETCH(QStringList, log);
        QTEST(proposedStartEntry(log, QStringLiteral("cut.rcp"), QStringLiteral("ab")), "entry");
    }

    // The stage starts at (0, 0), focus at 0, both wheels at 1; 10000 steps/mm, 0.1 µm/step.
    void entryTimes_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QVector<double>>("ms");
        // The first entry runs at the configured 5 mm/s, later ones at their own speed;
        // the longer leg decides; dwells are whole ticks.
        QTest::newRow("xy moves and dwells")
            << Entries{xyEntry(10, 3, 1000, 1), xyEntry(10, 5, 30, 2)} << QVector<double>{3000, 1025};
        QTest::newRow("focus") << Entries{zEntry(100, 0, 500), zEntry(150, 0, 500)} << QVector<double>{40, 1000};
        // 1 to 9 the short way round is 2 slots; home (72) from 9 is 2 slots plus the run,
        // while wheel 2 turns 3 slots.
        QTest::newRow("wheels") << Entries{filterEntry(9, 0, true, false, 0), filterEntry(72, 4, true, true, 0)}
                                << QVector<double>{400, 1000};
        // An exposure lasts the shutter's time, set by an earlier exposure-time entry.
        QTest::newRow("exposures") << Entries{filterEntry(0, 0, false, false, 2), filterEntry(0, 0, false, false, 512 | (300u << 16)),
                                              filterEntry(0, 0, false, false, 2 << 2)}
                                   << QVector<double>{100, 0, 300};
        // A pause of up to one tick waits for the operator: no time.
        QTest::newRow("pauses") << Entries{filterEntry(0, 0, false, false, PauseWord, 510), filterEntry(0, 0, false, false, PauseWord, 20)}
                                << QVector<double>{500, 0};
        // Slot numbers straight from the recipe: from 1 to the lowest is 1 slot, from there to
        // the highest 5.
        QTest::newRow("slots at the ends") << Entries{filterEntry(-2147483647 - 1, 0, true, false, 0), filterEntry(2147483647, 0, true, false, 0)} << QVector<double>{200, 1000};
    }

    void entryTimes()
    {
        QFETCH(Entries, entries);
        QTEST(entryTimesMs(entries, RunSetup(), bare()), "ms");
    }

    void costPerEntryAndReturn()
    {
        RunSetup setup;
        std::tie(setup.loadX, setup.loadY) = std::make_tuple(0.0, 0.0);
        RunTimings timings = bare();
        timings.motionEntryTicks = 4;
        QCOMPARE(entryTimesMs({xyEntry(0, 2, 0, 4)}, setup, timings), QVector<double>{500});
        // Back from (0, 2) at the entry's 4 mm/s.
        QCOMPARE(returnTimeMs({xyEntry(0, 2, 0, 4)}, setup, timings), 600.0);
        // A speed costs its packets only when it differs from the one last sent; the first
        // entry always sends the configured one.
        timings.speedXYTicks = 3;
        QCOMPARE(entryTimesMs({xyEntry(0, 0, 0, 5), xyEntry(0, 0, 0, 4), xyEntry(0, 0, 0, 4)}, setup, timings),
                 (QVector<double>{175, 175, 100}));
        setup.align.emplace(0.0, 0.0, 0.0, 10.0);   // specimen X is stage Y
        QCOMPARE(entryTimesMs({xyEntry(10, 0, 0)}, setup, bare()), QVector<double>{2000});
    }

    void timeLeft_data()
    {
        QTest::addColumn<double>("doneMs");
        QTest::addColumn<double>("inEntryMs");
        QTest::addColumn<double>("leftMs");
        // Entries of 1000 ms each, 2 of 4 done (2000 ms by the model).
        QTest::newRow("on the model's pace") << 2000.0 << 0.0 << 2000.0;
        QTest::newRow("partway into the entry") << 2000.0 << 400.0 << 1600.0;
        QTest::newRow("over time in the entry") << 2000.0 << 1500.0 << 1000.0;
        // Twice as slow: pace 1 + 0.8 x (2 - 1) = 1.8.
        QTest::newRow("slower run") << 4000.0 << 0.0 << 3600.0;
        QTest::newRow("stalled run, pace capped at 4") << 60000.0 << 0.0 << 2000.0 * (1 + 0.8 * 3);
    }

    void timeLeft()
    {
        QFETCH(double, doneMs);
        QFETCH(double, inEntryMs);
        QTEST(RunEstimate(QVector<double>{1000, 1000, 1000, 1000}, 0.0).leftMs(2, doneMs, inEntryMs), "leftMs");
    }

    void progressLine_data()
    {
        QTest::addColumn<double>("leftMs");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds, rounded up") << 44001.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  45 s LEFT";
        QTest::newRow("a minute") << 60000.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  1:00 LEFT";
        QTest::newRow("an hour") << 3600000.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  1:00:00 LEFT";
        QTest::newRow("over 99 hours") << 356400001.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  > 99 h LEFT";
        QTest::newRow("endless, a move at a crawl") << qInf() << "ENTRY 12 OF 40  PATTERN 3 OF 8  > 99 h LEFT";
    }

    void progressLine()
    {
        RunProgress progress;
        std::tie(progress.running, progress.entry, progress.entries, progress.pattern, progress.patterns) =
            std::make_tuple(true, 12, 40, 3, 8);
        QFETCH(double, leftMs);
        progress.leftMs = leftMs;
        QTEST(progressText(progress), "text");
    }
};

QTEST_MAIN(TestRunner)
#include "tst_runner.moc"
