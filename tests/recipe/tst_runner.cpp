// The recipe runner on the simulated controller, its recipe compiled and its tick stepped by
// the test: what the controller receives, where the run waits for the operator, how a run
// ends and how a run started at a later entry restores the controller; the run-time model,
// the time left from the run's pace and the progress line that shows it.
#include "recipe/recipefile.h"
#include "recipe/runestimate.h"
#include "recipe/runlog.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runprogress.h"
#include "runrig.h"
#include "support/diagcapture.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <optional>
#include <tuple>

using namespace Ptx;

using Entries = QVector<recipePointStruct>;
Q_DECLARE_METATYPE(Entries)

namespace {

// Hardware time only: no cost per entry.
RunTimings bare()
{
    RunTimings t;
    t.motionEntryTicks = t.wheelEntryTicks = t.exposureEntryTicks = t.shutterEntryTicks = t.pauseEntryTicks = 0.0;
    t.speedXYTicks = t.speedZTicks = 0.0;
    return t;
}

// Run-list entries for the time model.
recipePointStruct xyEntry(double x, double y, double delayMs, double speed = 5.0)
{
    return recipePointStruct{x, y, 0.0, speed, 25000.0, delayMs};
}

recipePointStruct zEntry(double z, double delayMs, double speedz = 25000.0)
{
    return recipePointStruct{0.0, 0.0, z, 5.0, speedz, delayMs, true};
}

recipePointStruct filterEntry(int f1, int f2, bool f1move, bool f2move, quint32 shopt, qint32 fdelay = 0)
{
    return recipePointStruct{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, false, 0, true, f1, f2, f1move, f2move, shopt, false, fdelay};
}

QStringList recipeLines(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char('\n'));
}

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private:
    std::optional<DiagCapture> diagnostics;   // a run writes a diagnostic line per state change
    QTemporaryDir dir;
    std::optional<RunRig> rig;

    KelInterface &kel() { return rig->kel; }
    PtxSim::Simulator &sim() { return *rig->sim; }

    // The settings file with the load points (stage mm, focus µm), read again.
    void setLoadPoints(bool enXY, bool enZ, double x, double y, double z)
    {
        writeFile(QStringLiteral("config.xml"), loadPointsFile(enXY, enZ, x, y, z));
        kel().readConfigData();
    }

    bool dwellingAt(int entry) { return kel().runProgress().entry == entry && kel().isRecipeDelay(); }
    bool prompting(const char *prompt) { return kel().operatorPrompt() == QLatin1String(prompt); }
    bool ended() { return !kel().isRecipeRunning(); }

    // The targets of the absolute moves the controller received for dev (any device for
    // AnyDev, relative moves included).
    static constexpr int AnyDev = -1;
    QList<qint32> moves(int dev)
    {
        QList<qint32> out;
        for (const PtxSim::Packet &k : sim().received()) {
            if (k.cmd == CmdMove && (dev == AnyDev || (k.dev == dev && k.index == IdxAbsolute)))
                out << k.value();
        }
        return out;
    }

    // Runs the recipe to its end from a stage, focus and wheel at their start, the operator
    // answering every prompt, and when everywhere is true pressing RESUME twice after every
    // tick. What the controller received and what the display showed.
    QStringList runPressing(const QStringList &recipe, bool everywhere)
    {
        for (int dev : {DevX, DevY, DevZ})
            sim().setAxisPosition(dev, 0);
        sim().setWheelPosition(1, 1);
        sim().resetCounters();
        rig->lines.clear();
        rig->begin(recipe);
        rig->tickUntil([&] {
            for (int press = 0; press < 2; ++press) {
                if (everywhere || (press == 0 && !kel().operatorPrompt().isEmpty()))
                    kel().recipeContinue();
            }
            return ended();
        });
        return rig->commands() + rig->lines;
    }

    // The controller once everything written has reached it: wheels, shutters, exposure
    // times, speeds and positions.
    QList<int> controllerState()
    {
        rig->settle();
        QList<int> state{sim().wheelPosition(1), sim().wheelPosition(2)};
        for (int n = 1; n <= 3; ++n)
            state << sim().shutterState(n) << sim().exposureTime(n);
        for (int dev : {DevX, DevY, DevZ})
            state << sim().axisSpeed(dev) << sim().axisPosition(dev);
        return state;
    }

private slots:
    void init()
    {
        diagnostics.emplace();
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        QFile::remove(QStringLiteral("config.xml"));   // left by an earlier case
        rig.emplace();
    }

    void cleanup() { rig.reset(); }

    // RESUME moves the run on only where it waits for the operator: pressed anywhere else,
    // in load moves, entry moves, wheel turns and exposures, or a second time at a prompt,
    // it skips no step, and the controller gets what it gets without the presses. (At a
    // dwell it only ends the dwell.)
    void resumeWhereTheRunDoesNotWait()
    {
        setLoadPoints(true, true, 0.2, 0.3, 50.0);
        QVERIFY(rig->powerUp());
        const QStringList recipe = recipeLines("DELAY 30\nPOINT 0.1,0\nF1MOVE 2\nEXPTIM 1,100\nSHEXP 1\nPOINT 0.2,0");
        const QStringList undisturbed = runPressing(recipe, false);
        QCOMPARE(runPressing(recipe, true), undisturbed);
    }

    // Busy bits and exposures of modules that did not answer the start-up scan hold nothing.
    void absentModulesHoldNothing()
    {
        PtxSim::Options options;
        options.modules = {DevX, DevY};
        QVERIFY(rig->powerUp(options));
        QVERIFY(rig->start(recipeLines("DELAY 50\nSHEXP 1\nPOINTZ 7\nPOINT 1,1")));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return ended(); }, 400));
        QCOMPARE(moves(DevX), QList<qint32>{10000});
        QCOMPARE(rig->lines.last(), QStringLiteral("RECIPE DONE!"));
    }

    // PAUSE in a move holds the dwell that follows; NEXT and PREV act only in the dwell and
    // RESUME ends it. A pause entry of up to one tick holds until RESUME.
    void operatorHolds()
    {
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipeLines("DELAY 100\nPOINT 1,0\nFDELAY 20\nPOINT 2,0")));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return sim().axisMoving(DevX); }));
        kel().recipePause();
        kel().nextRecipePoint();
        kel().prevRecipePoint();
        QVERIFY(rig->tickUntil([this] { return dwellingAt(1); }));
        rig->tick(50);
        QVERIFY(dwellingAt(1) && kel().isRecipePaused());
        QCOMPARE(moves(DevX), QList<qint32>{10000});
        kel().recipeContinue();
        QVERIFY(!kel().isRecipePaused() && !kel().isRecipeDelay());
        rig->tick(100);
        QVERIFY(prompting(PauseEntryPrompt) && kel().runProgress().entry == 2);
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return moves(DevX).size() == 2; }, 10));
    }

    // The operator stores the same mark twice: the stage moves of the entries are refused
    // and the run goes through its entries, dwells included, to the end.
    void identicalAlignPointsMoveNothing()
    {
        setLoadPoints(true, false, 1.0, 0.0, 0.0);
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipeLines("ALIGN 1,0,11,0\nDELAY 400\nPOINT 1,0\nDELAY 30\nPOINTZ 7\nDELAY 400\nPOINT 2,0")));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return prompting(FirstAlignPrompt); }));
        kel().recipeContinue();
        QVERIFY(!kel().isRecipePaused() && !kel().isRecipeDelay());
        QVERIFY(rig->tickUntil([this] { return prompting(SecondAlignPrompt); }));
        QCOMPARE(sim().axisPosition(DevX), 110000);
        kel().moveStageXYTo(1.0, 0.0);   // back onto the first mark
        QVERIFY(rig->tickUntil([this] { return kel().stagePositionXY() == QPointF(1.0, 0.0); }));
        const qsizetype stageMoves = moves(DevX).size();
        const qint64 resumed = sim().hardwareTimeMs();
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return ended(); }));
        QVERIFY(rig->lines.contains(QStringLiteral("ALIGN POINTS IDENTICAL")));
        // Only the return to the load point, a stage position, moves the stage.
        QCOMPARE(moves(DevX).size(), stageMoves + 1);
        QCOMPARE(moves(DevZ).size(), 1);
        QVERIFY(rig->timeOf("RECIPE DONE!") - resumed >= 400 + 30 + 400);
    }

    // A move or speed that cannot be sent, and an index that names no ring entry, count as
    // done; an unsendable speed leaves the axes at their last speed.
    void unsendableCountsAsDone()
    {
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipeLines("DELAY 30\nPOINT 1e300,0\nPOINT 1,1\nSPEEDXY 1e30\nPOINT 2,2")));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return ended(); }));
        // The second entry's speed was in force already.
        QCOMPARE(sim().count(DevX, CmdWrite, IdxSpeed), 1);
        QCOMPARE(moves(DevX), (QList<qint32>{10000, 20000}));
        QVERIFY(diagnostics->lines().contains(QStringLiteral("RECIPE SPEED NOT SENT: 1e+34")));
        QCOMPARE(kel().lastRunRecord().entriesDone, 3);
        for (int bad : {-7, CmdBufSize, 123456})
            QVERIFY(kel().isCommandDone(bad));
        // An empty recipe goes from the sample prompt straight to its end.
        QVERIFY(rig->start({}));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return ended(); }, 5));
        QCOMPARE(kel().lastRunRecord().entriesDone, 0);
        QCOMPARE(rig->lines.last(), QStringLiteral("RECIPE DONE!"));
    }

    // An entry outside the travel is not sent: the run holds there until NEXT.
    void entryOutsideTravelHoldsUntilNext()
    {
        QVERIFY(rig->powerUp());
        TravelLimits limits;
        std::tie(limits.x.max, limits.y.min, limits.z.min) = std::make_tuple(10.0, 0.0, 0.0);
        kel().setTravelLimits(limits);
        QVERIFY(rig->start(recipeLines("DELAY 30\nPOINT 12,0\nPOINT 0,-1\nPOINTZ -5\nPOINT 1,1")));
        kel().recipeContinue();
        for (const char *why : {"X=12 ABOVE TRAVEL LIMIT 10", "Y=-1 BELOW TRAVEL LIMIT 0", "Z=-5 BELOW TRAVEL LIMIT 0"}) {
            const int entry = kel().runProgress().entry + 1;
            QVERIFY(rig->tickUntil([&] { return dwellingAt(entry); }));
            rig->tick(100);
            QVERIFY(dwellingAt(entry));
            QCOMPARE(rig->lines.filter(QStringLiteral("NOT RUN:")).last(), QStringLiteral("ENTRY %1 NOT RUN: %2").arg(entry).arg(why));
            kel().nextRecipePoint();
        }
        QVERIFY(rig->tickUntil([this] { return dwellingAt(4); }));
        QCOMPARE(moves(DevX), QList<qint32>{10000});
        QCOMPARE(moves(DevZ), QList<qint32>{});
    }

    void runEndings_data()
    {
        QTest::addColumn<bool>("enZ");
        QTest::addColumn<bool>("enXY");
        QTest::addColumn<QList<qint32>>("moves");   // to the load points: focus, then stage
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("done");
        QTest::newRow("done, no load points") << false << false << QList<qint32>{} << "DONE" << "2 of 2";
        QTest::newRow("done, focus load point") << true << false << QList<qint32>{123} << "DONE" << "2 of 2";
        QTest::newRow("stop, stage load point") << false << true << QList<qint32>{15000, -20000} << "STOP" << "0 of 2";
        QTest::newRow("halt, both load points") << true << true << QList<qint32>{123, 15000, -20000} << "HALT" << "0 of 2";
        QTest::newRow("link lost") << false << false << QList<qint32>{} << "LINK LOST" << "0 of 2";
    }

    // A run goes to the load points and waits for the sample; PREV at the first entry runs it
    // again without counting it twice. However the run ends, it leaves nothing running, the
    // jog increment the recipe set gone, and writes one run log line.
    void runEndings()
    {
        QFETCH(bool, enZ);
        QFETCH(bool, enXY);
        QFETCH(QString, ending);
        QFETCH(QString, done);
        setLoadPoints(enXY, enZ, 1.5, -2.0, 12.34);
        // A log near its bound: the line starts a new one.
        writeFile(QString::fromLatin1(RunLogName), QByteArray(RunLogMaxBytes - 10, '\n'));
        QFile::remove(QLatin1String(RunLogName) + QLatin1String(RunLogCurrentSuffix));  // left by earlier cases
        kel().setFileName(QStringLiteral("slide.rcp"));
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipeLines("INCR 0.25,0.25\nDELAY 1000\nPOINT 1,1\nDELAY 30\nPOINT 2,2")));
        QTEST(moves(AnyDev), "moves");
        QCOMPARE(rig->lines, QStringList{QLatin1String(LoadSamplePrompt)});
        rig->tick(100);
        QVERIFY(prompting(LoadSamplePrompt) && kel().isRecipePaused() && kel().isRecipeDelay());
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return dwellingAt(1); }));
        kel().prevRecipePoint();
        QVERIFY(rig->tickUntil([this] { return dwellingAt(1); }));
        QCOMPARE(moves(DevX).count(10000), 2);
        if (ending == QLatin1String("DONE")) {
            QVERIFY(rig->tickUntil([this] { return ended(); }));
            QCOMPARE(rig->lines.last(), QStringLiteral("RECIPE DONE!"));
        } else if (ending == QLatin1String("STOP")) {
            kel().stopRecipe();
        } else if (ending == QLatin1String("HALT")) {
            kel().haltAll();
            kel().stopRecipe();
        } else {
            sim().dropClient();
            QVERIFY(rig->tickUntil([this] { return ended(); }, 100));
        }
        kel().stopRecipe();    // a second stop of an ended run writes nothing
        QVERIFY(ended() && !kel().isRecipePaused() && !kel().isRecipeDelay() && kel().operatorPrompt().isEmpty());
        rig->settle();
        const qsizetype before = rig->commands().size();
        rig->tick(100);
        QCOMPARE(rig->commands().size(), before);
        kel().incX(true);   // the configured jog increment again
        QCOMPARE(kel().pendingCommands().last(), QStringLiteral("1,65,4,10000"));
        const QList<QByteArray> written = readFile(QString::fromLatin1(RunLogName)).split('\n');
        QCOMPARE(written.size(), 2);
        // The entry the run started at and the last one it completed follow the ending.
        QCOMPARE(written.first().split('\t').mid(2, 5),
                 QList<QByteArray>({"slide.rcp", done.toLatin1(), ending.toLatin1(), "from 1",
                                    "completed " + done.section(' ', 0, 0).toLatin1()}));
        QCOMPARE(QFileInfo(QLatin1String(RunLogName) + QLatin1String(RunLogOldSuffix)).size(), RunLogMaxBytes - 10);
    }

    // A whole run, stepped tick by tick from the end of the log-in, with the controller's
    // hardware clock advanced by one tick a tick.
    void wholeRunOnTheSimulator()
    {
        setLoadPoints(true, true, 2.0, 3.0, 40.0);
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipeLines("DELAY 100\nSPEEDXY 7\nPOINT 1,1\nSPEEDXY 10\nPOINT 3,3\nSPEEDZ 4000\nPOINTZ 50\n"
                                       "FMOVE 3,7\nF1MOVE 4\nF2MOVE 5\nSHEXP 1\nEXPTIM 2,150\nFDELAY 500")));
        QCOMPARE(QList<int>({sim().axisPosition(DevX), sim().axisPosition(DevY), sim().axisPosition(DevZ)}),
                 QList<int>({20000, 30000, 400}));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return dwellingAt(2); }));
        // The first entry ran at the configured speed, the second at its own, once the first
        // had stopped and dwelt 4 ticks.
        QCOMPARE(QList<int>({sim().axisPosition(DevX), sim().axisSpeed(DevX)}), QList<int>({30000, 100000}));
        QVERIFY(rig->timeOf("MOVE X=3 Y=3 @SP=10") - rig->timeOf("MOVE X=1 Y=1 @SP=5") >= 200 + 100);
        QVERIFY(rig->tickUntil([this] { return ended(); }));
        // Back at the focus load point; the focus entry ran at its own speed.
        QCOMPARE(QList<int>({sim().axisPosition(DevZ), sim().axisSpeed(DevZ)}), QList<int>({400, 4000}));
        // Both wheels in one command, then each alone; a wheel entry sets no shutter.
        QCOMPARE(sim().count(DevWheel1, CmdMove, IdxWheelBoth), 1);
        QCOMPARE(QList<int>({sim().wheelPosition(1), sim().wheelPosition(2)}), QList<int>({4, 5}));
        QCOMPARE(QList<int>({sim().exposureTime(2), sim().count(DevWheel1, CmdWrite, IdxShutter)}), QList<int>({150, 2}));
        // The exposure-time entry waited until the exposure of shutter 1 had ended; the pause
        // lasted its 500 ms.
        QVERIFY(rig->timeOf("SET EXP TIME SH2=150") - rig->timeOf("MOVE SH1=2 SH2=3 SH3=3") >= sim().exposureTime(1));
        QVERIFY(rig->timeOf("RECIPE DONE!") - rig->timeOf("SET EXP TIME SH2=150") >= 500);
    }

    void startAtCutEntry_data()
    {
        QTest::addColumn<int>("cutEntry");      // from 1
        QTest::addColumn<QString>("during");
        QTest::addColumn<int>("proposed");
        QTest::addColumn<int>("linesBefore");   // the recipe lines that compile to the entries before it
        QTest::newRow("loading the first point") << 1 << "load" << 1 << 2;
        QTest::newRow("turning a wheel") << 2 << "wheel" << 2 << 3;
        QTest::newRow("dwelling at a focus point") << 5 << "dwell" << 5 << 6;
        QTest::newRow("exposing: the exposure is not taken again") << 7 << "exposure" << 8 << 10;
        QTest::newRow("in a pause") << 9 << "dwell" << 9 << 11;
        QTest::newRow("at the last point, shutter 3 open") << 12 << "dwell" << 12 << 15;
    }

    // The link is cut by the controller during an entry; START AT the entry offered brings
    // the controller to the state an uninterrupted run had there, without exposing anything
    // on the way.
    void startAtCutEntry()
    {
        QFETCH(int, cutEntry);
        QFETCH(QString, during);
        QFETCH(int, proposed);
        QFETCH(int, linesBefore);
        QStringList recipe;
        QVERIFY(readRecipeFile(QStringLiteral(RECIPE_DATA "/every-kind.rcp"), &recipe));
        kel().setFileName(QStringLiteral("cut.rcp"));
        // An uninterrupted run's state at the entry: the run of the entries before it, to its end.
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipe.mid(0, linesBefore)));
        QCOMPARE(kel().compiledPointCount(), proposed - 1);
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return ended(); }));
        const QList<int> uninterrupted = controllerState();

        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipe));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([&] {
            const bool wheel = sim().wheelMoving(1), exposing = sim().shutterState(2) == ShutterExpose;
            return kel().runProgress().entry == cutEntry
                   && (during == "wheel" ? wheel : during == "exposure" ? exposing : during != "dwell" || kel().isRecipeDelay());
        }));
        // A panel that lost its power here would offer the same entry.
        KelInterface restarted{QString()};
        restarted.setRecipe(recipe);
        restarted.setFileName(QStringLiteral("cut.rcp"));
        QCOMPARE(restarted.proposedStartEntry(), proposed);
        sim().setCloseAfter(sim().total() + 1);
        QVERIFY(rig->tickUntil([this] { return ended(); }, 100));
        QCOMPARE(kel().proposedStartEntry(), proposed);
        // The controller was switched off and on again: everything stands as at power-up.
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start(recipe, proposed));
        kel().recipeContinue();
        // The entry is taken up once the controller has been brought to its state.
        QVERIFY(rig->tickUntil([this] { return kel().runProgress().entry != 0; }));
        QCOMPARE(controllerState(), uninterrupted);
        for (const PtxSim::Packet &k : sim().received())
            QVERIFY(k.cmd != CmdWrite || k.index != IdxShutter || (k.value() & 0xffff) != ShutterExpose);
    }

    // HALT while the controller is brought to the entry's state stops the axes and the run
    // at once: nothing more is sent for the run.
    void haltWhileRestoring()
    {
        QVERIFY(rig->powerUp());
        QVERIFY(rig->start({QStringLiteral("POINT 50,0"), QStringLiteral("F1MOVE 9"), QStringLiteral("POINT 1,1")}, 3));
        kel().recipeContinue();
        QVERIFY(rig->tickUntil([this] { return sim().axisMoving(DevX); }));
        QVERIFY(kel().runProgress().entry == 0 && rig->lines.contains(QStringLiteral("RESTORING STATE FOR ENTRY 3")));
        kel().haltAll();
        kel().stopRecipe();
        QVERIFY(rig->tickUntil([this] { return !sim().axisMoving(DevX); }, 3));
        const QList<int> stopped{sim().axisPosition(DevX), sim().count(DevX, CmdMove, IdxAbsolute), sim().wheelPosition(1)};
        rig->tick(200);
        QCOMPARE(QList<int>({sim().axisPosition(DevX), sim().count(DevX, CmdMove, IdxAbsolute), sim().wheelPosition(1)}), stopped);
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
