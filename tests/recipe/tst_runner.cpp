// The recipe runner's state machine, stepped by hand: the controller's part (taking the
// commands, polling an idle busy mask, reporting shutter states) is played by the test.
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"
#include "runnerprobe.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

Q_DECLARE_METATYPE(recipePointStruct)

using namespace Ptx;

namespace {

struct Sent {
    uint dev;
    uint cmd;
    uint index;
    long data;
    bool ret;
};

QStringList diagLines;

// Diagnostic lines are collected rather than printed: a run writes one per state change.
void captureDiag(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtDebugMsg)
        diagLines << msg;
    else
        fprintf(stderr, "%s\n", qPrintable(msg));
}

constexpr unsigned int AllModules =
    (1u << DevX) | (1u << DevY) | (1u << DevZ) | (1u << DevWheel1) | (1u << DevWheel2);
constexpr unsigned int WheelBits = (1u << DevWheel1) | (1u << DevWheel2);

long shutterWord(int shutter, long value)
{
    return (ShutterBase + shutter) * 65536 + value;
}

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<RunnerProbe> p;
    QStringList lines;
    QList<Sent> sent;

    // The controller takes every queued command (the command step's work).
    void take()
    {
        while (p->cmdBufTail != p->cmdBufHead) {
            cmdBufferStruct &c = p->commandBuffer[p->cmdBufTail];
            sent << Sent{c.dev, c.cmd, c.index, c.data, c.waitforcompl};
            c.done = true;
            p->cmdBufTail = (p->cmdBufTail + 1) % CmdBufSize;
        }
    }

    // One tick after which the controller has taken everything and reports idle axes.
    void tickIdle(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            take();
            p->mbusy = 0;
            p->runRecipe();
        }
    }

    // Ticks until the runner reaches state; false when it does not within limit ticks.
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

    QList<Sent> sentOf(uint dev, uint cmd) const
    {
        QList<Sent> out;
        for (const Sent &s : sent) {
            if (s.dev == dev && s.cmd == cmd)
                out << s;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(captureDiag);
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
    }

    void init()
    {
        p = std::make_unique<RunnerProbe>();
        p->modulespresent = AllModules;
        p->stepsPerMMxy = 10000.0;
        p->micronsPerStepZ = 0.1;
        p->speedXY = 5.0;
        p->speedZ = 25000.0;
        p->defxincr = 1.0;
        p->defyincr = 2.0;
        p->defzincr = 3.0;
        p->loadptEnXY = false;
        p->loadptEnZ = false;
        p->contMacro = false;
        lines.clear();
        sent.clear();
        diagLines.clear();
        connect(p.get(), &KelInterface::addDispLine, this, [this](const QString &l) { lines << l; });
    }

    void cleanup()
    {
        p.reset();
    }

    // --- pure rules ---

    void stateHasStep_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("hasStep");
        for (int s : {0, 1, 2, 30, 31, 32, 40, 41, 42, 89, 90, 95, 96, 2000, 2001, 2002, 2003,
                      2004, 2005, 2006, 2007, 4000, 4001, 4002, 4003, 4004, 4005, 4006, 4007, 4008})
            QTest::addRow("%d", s) << s << true;
        for (int s : {3, 33, 43, 97, 2008, 4009, 91, -1})
            QTest::addRow("%d", s) << s << false;
    }

    void stateHasStep()
    {
        QFETCH(int, state);
        QFETCH(bool, hasStep);
        QCOMPARE(recipeStateHasStep(state), hasStep);
    }

    void dwellTicks_data()
    {
        QTest::addColumn<double>("ms");
        QTest::addColumn<int>("ticks");
        QTest::newRow("1000 ms") << 1000.0 << 40;
        QTest::newRow("30 ms") << 30.0 << 1;
        QTest::newRow("24 ms") << 24.0 << 0;
        QTest::newRow("0 ms") << 0.0 << 0;
        QTest::newRow("negative") << -100.0 << 0;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0;
        QTest::newRow("huge") << 1e300 << std::numeric_limits<int>::max();
    }

    void dwellTicks()
    {
        QFETCH(double, ms);
        QFETCH(int, ticks);
        QCOMPARE(Ptx::dwellTicks(ms), ticks);
    }

    void shutterWordFields_data()
    {
        QTest::addColumn<quint32>("shopt");
        QTest::addColumn<int>("c1");
        QTest::addColumn<int>("c2");
        QTest::addColumn<int>("c3");
        QTest::addColumn<int>("expShutter");
        QTest::addColumn<int>("expTime");
        QTest::newRow("SHEXP 1") << 62u << 2 << 3 << 3 << 0 << 0;
        QTest::newRow("SCTRL 2,1,0") << 6u << 2 << 1 << 0 << 0 << 0;
        QTest::newRow("EXPTIM 2,150") << (512u | (150u << 16)) << 0 << 0 << 0 << 2 << 150;
        QTest::newRow("later exposure bit wins") << (256u | 1024u | (7u << 16)) << 0 << 0 << 0 << 3 << 7;
        QTest::newRow("longest time") << (256u | 0xFFFF0000u) << 0 << 0 << 0 << 1 << 65535;
    }

    void shutterWordFields()
    {
        QFETCH(quint32, shopt);
        QFETCH(int, c1);
        QFETCH(int, c2);
        QFETCH(int, c3);
        QFETCH(int, expShutter);
        QFETCH(int, expTime);
        const ShutterWord w = decodeShutterWord(shopt);
        QCOMPARE(w.code[0], c1);
        QCOMPARE(w.code[1], c2);
        QCOMPARE(w.code[2], c3);
        QCOMPARE(w.exposureShutter, expShutter);
        QCOMPARE(w.exposureTime, expTime);
    }

    // --- start of a run: load points and the load prompt ---

    void loadPoints_data()
    {
        QTest::addColumn<bool>("enZ");
        QTest::addColumn<bool>("enXY");
        QTest::newRow("none") << false << false;
        QTest::newRow("focus only") << true << false;
        QTest::newRow("stage only") << false << true;
        QTest::newRow("both") << true << true;
    }

    void loadPoints()
    {
        QFETCH(bool, enZ);
        QFETCH(bool, enXY);
        p->loadptEnZ = enZ;
        p->loadptEnXY = enXY;
        p->loadptX = 1.5;
        p->loadptY = -2.0;
        p->loadptZ = 12.34;
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        p->initRecipe();
        p->startRecipe();
        QVERIFY(p->isRecipeRunning());
        QVERIFY(runUntil(RCP_WAIT_LOAD));

        QCOMPARE(sent.size(), (enZ ? 1 : 0) + (enXY ? 2 : 0));
        int i = 0;
        if (enZ) {
            QCOMPARE(sent[i].dev, uint(DevZ));
            QCOMPARE(sent[i].cmd, uint(CmdMove));
            QCOMPARE(sent[i].data, 123L);
            ++i;
        }
        if (enXY) {
            QCOMPARE(sent[i].dev, uint(DevX));
            QCOMPARE(sent[i].data, 15000L);
            QCOMPARE(sent[i + 1].dev, uint(DevY));
            QCOMPARE(sent[i + 1].data, -20000L);
        }
        QCOMPARE(lines, QStringList{QStringLiteral("Load Sample and press RESUME")});
        QVERIFY(p->isRecipePaused());
        QVERIFY(p->isRecipeDelay());
        QVERIFY(sts.size() >= 2);
        QVERIFY(!p->firstmove);

        // The prompt holds until RESUME.
        tickIdle(100);
        QCOMPARE(p->recipeState, int(RCP_WAIT_LOAD));
        p->recipeContinue();
        QVERIFY(!p->isRecipePaused());
        QCOMPARE(p->recipeState, int(RCP_LOADED));
    }

    void loadPointWaitsForTakenAndIdle()
    {
        p->loadptEnZ = true;
        p->startRecipe();
        p->runRecipe();   // 1 -> 40
        p->runRecipe();   // the focus move is queued
        QCOMPARE(p->recipeState, int(RCP_LOADZ_TAKEN));
        QVERIFY(p->mbusy & (1u << DevZ));
        for (int i = 0; i < 20; ++i)
            p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ_TAKEN));   // not yet sent
        take();
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ_IDLE));
        for (int i = 0; i < 20; ++i)
            p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ_IDLE));    // focus still busy
        p->mbusy = 1u << DevY;                            // another axis busy does hold
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ_IDLE));
        p->modulespresent &= ~(1u << DevY);               // ... unless it is absent
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADXY));
    }

    // --- RESUME ---

    void resumeAdvances_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("load prompt") << 95 << 96;
        QTest::newRow("1st align prompt") << 4003 << 4004;
        QTest::newRow("2nd align prompt") << 4007 << 4008;
        QTest::newRow("dwell") << 2006 << 2007;
        QTest::newRow("short pause entry") << 2003 << 2004;
        QTest::newRow("speed wait") << 2001 << 2002;
        QTest::newRow("move wait") << 2004 << 2005;
        // Where the following number is no state the run stays where it is.
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
        QFETCH(int, to);
        p->recipeState = from;
        p->recipePaused = true;
        p->recipeInDelay = true;
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        p->recipeContinue();
        QCOMPARE(p->recipeState, to);
        QVERIFY(!p->isRecipePaused());
        QVERIFY(!p->isRecipeDelay());
        QCOMPARE(sts.size(), 1);
    }

    // A RESUME that has no following state leaves a run that still finishes.
    void resumeInNoStepStateKeepsRunGoing()
    {
        p->loadptEnXY = true;
        beginEntries({xyEntry(1, 1, 50)});
        QVERIFY(runUntil(RCP_NEXT_ENTRY));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_LOADXY_IDLE));
        p->mbusy = 1u << DevX;
        p->recipeContinue();
        QCOMPARE(p->recipeState, int(RCP_LOADXY_IDLE));
        QVERIFY(runUntil(RCP_IDLE));
        QVERIFY(lines.contains(QStringLiteral("RECIPE DONE!")));
    }

    // --- compiled recipes, run with an operator who moves on wherever the run holds ---

    void compiledRecipes_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("first point at the configured speed")
            << QStringList{"SPEEDXY 9", "POINT 1,2", "POINT 3.25,-4"}
            << QStringList{"MOVE X=1 Y=2 @SP=5", "MOVE X=3.25 Y=-4 @SP=9"};
        QTest::newRow("focus point") << QStringList{"POINTZ 12.5"} << QStringList{"MOVE Z=12.5 @SP=25000"};
        QTest::newRow("SHEXP 1") << QStringList{"SHEXP 1"} << QStringList{"MOVE SH1=2 SH2=3 SH3=3"};
        QTest::newRow("EXPTIM 2,150") << QStringList{"EXPTIM 2,150"} << QStringList{"SET EXP TIME SH2=150"};
        QTest::newRow("FMOVE 0,0 and SHOPEN 4") << QStringList{"FMOVE 0,0", "SHOPEN 4"}
                                                << QStringList{"MOVE SH1=0 SH2=0 SH3=0", "MOVE SH1=0 SH2=0 SH3=0"};
        QTest::newRow("wheels") << QStringList{"F1MOVE 3", "F2MOVE 4", "FMOVE 5,6"}
                                << QStringList{"MOVE FW1=3", "MOVE FW2=4", "MOVE FW1=5 FW2=6"};
        QTest::newRow("pauses and zero dwell") << QStringList{"DELAY 0", "POINT 1,1", "FDELAY 20", "FDELAY 500", "SCTRL 3,3,3", "POINT 2,2"}
                                               << QStringList{"MOVE X=1 Y=1 @SP=5", "MOVE X=2 Y=2 @SP=5"};
    }

    void compiledRecipes()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QStringList, shown);
        p->setRecipe(recipe);
        p->ScanRecipe();
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        lines.clear();
        p->recipeContinue();
        for (int i = 0; i < 2000 && p->recipeState != RCP_IDLE; ++i) {
            if (p->recipeState == RCP_DWELL && p->recipeDelay <= 0)
                p->nextRecipePoint();
            if (p->recipeState == RCP_ISSUE_ENTRY && entryKind(p->pointList[p->curPoint]) == EntryKind::Pause
                && i % 10 == 9) {
                p->recipePause();
                p->recipeContinue();
            }
            if (p->recipeState == RCP_ENTRY_IDLE)
                p->fwShut1Pos = 0;
            tickIdle();
        }
        QCOMPARE(p->recipeState, int(RCP_IDLE));
        QCOMPARE(lines.join(QLatin1Char('|')), (shown << QStringLiteral("RECIPE DONE!")).join(QLatin1Char('|')));
    }

    // --- entries ---

    void firstEntryUsesConfiguredSpeeds()
    {
        beginEntries({xyEntry(1.5, -2, 50, 7.0), xyEntry(3, 4, 50, 8.0)});
        QVERIFY(runUntil(RCP_DWELL));
        QList<Sent> speeds = sentOf(DevX, CmdWrite);
        QCOMPARE(speeds.size(), 1);
        QCOMPARE(speeds[0].data, 50000L);
        QCOMPARE(sentOf(DevY, CmdWrite).value(0).data, 50000L);
        QList<Sent> reads = sentOf(DevY, CmdRead);
        QCOMPARE(reads.size(), 1);
        QVERIFY(reads[0].ret);
        QCOMPARE(reads[0].index, uint(IdxSpeed));
        QCOMPARE(lines.last(), QStringLiteral("MOVE X=1.5 Y=-2 @SP=5"));
        QList<Sent> moves = sentOf(DevX, CmdMove);
        QCOMPARE(moves.value(0).data, 15000L);

        QVERIFY(runUntil(RCP_LOAD_ENTRY));
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(sentOf(DevX, CmdWrite).value(1).data, 80000L);
        QCOMPARE(lines.last(), QStringLiteral("MOVE X=3 Y=4 @SP=8"));
    }

    void focusEntry()
    {
        beginEntries({zEntry(55.5, 50, 3000), zEntry(-12.34567891, 50, 3000)});
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(sentOf(DevZ, CmdWrite).value(0).data, 25000L);
        QCOMPARE(sentOf(DevZ, CmdRead).size(), 1);
        QCOMPARE(sentOf(DevZ, CmdMove).value(0).data, 555L);
        QCOMPARE(lines.last(), QStringLiteral("MOVE Z=55.5 @SP=25000"));
        QVERIFY(runUntil(RCP_LOAD_ENTRY));
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(sentOf(DevZ, CmdWrite).value(1).data, 3000L);
        QCOMPARE(lines.last(), QStringLiteral("MOVE Z=-12.3457 @SP=3000"));
        QVERIFY(sentOf(DevX, CmdWrite).isEmpty());
    }

    void busyMarks_data()
    {
        QTest::addColumn<recipePointStruct>("entry");
        QTest::addColumn<unsigned int>("before");
        QTest::addColumn<unsigned int>("after");
        const unsigned int other = 1u << 5;
        QTest::newRow("stage") << xyEntry(1, 1, 0) << other << (other | 6u);
        QTest::newRow("focus") << zEntry(1, 0) << other << (other | 8u);
        QTest::newRow("wheel") << filterEntry(2, 0, true, false, 0) << other << WheelBits;
        QTest::newRow("shutter") << filterEntry(0, 0, false, false, 61) << other << 0u;
    }

    void busyMarks()
    {
        QFETCH(recipePointStruct, entry);
        QFETCH(unsigned int, before);
        QFETCH(unsigned int, after);
        beginEntries({entry});
        QVERIFY(runUntil(RCP_ISSUE_ENTRY));
        take();
        p->mbusy = before;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_TAKEN));
        QCOMPARE(p->mbusy, after);
        // A poll brings in the old idle mask before the command is taken: marked again.
        p->mbusy = before;
        take();
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        QCOMPARE(p->mbusy, after);
    }

    void waitsForBusyAxes()
    {
        p->modulespresent = (1u << DevX) | (1u << DevY);
        beginEntries({xyEntry(1, 1, 50)});
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        p->mbusy = 6u | 8u;
        for (int i = 0; i < 20; ++i)
            p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        p->mbusy = 8u;   // module 3 is absent: its bit holds nothing
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_DWELL));
        QVERIFY(p->isRecipeDelay());
    }

    void dwell_data()
    {
        QTest::addColumn<double>("delay");
        QTest::addColumn<int>("ticks");   // 0: held until NEXT
        QTest::newRow("DELAY 1000") << 1000.0 << 40;
        QTest::newRow("DELAY 30") << 30.0 << 1;
        QTest::newRow("DELAY 24") << 24.0 << 0;
        QTest::newRow("DELAY 0") << 0.0 << 0;
    }

    void dwell()
    {
        QFETCH(double, delay);
        QFETCH(int, ticks);
        beginEntries({xyEntry(1, 1, delay), xyEntry(2, 2, delay)});
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->recipeDelay, ticks);
        int n = 0;
        while (p->recipeState == RCP_DWELL && n < 500) {
            tickIdle();
            ++n;
        }
        if (ticks > 0) {
            QCOMPARE(n, ticks);
            QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
            QVERIFY(!p->isRecipeDelay());
        } else {
            QCOMPARE(p->recipeState, int(RCP_DWELL));
            p->nextRecipePoint();
            QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
            tickIdle();
            QCOMPARE(p->curPoint, 1);
        }
    }

    void pauseEntry()
    {
        beginEntries({filterEntry(0, 0, false, false, PauseWord, 500), filterEntry(0, 0, false, false, PauseWord, 20)});
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->recipeDelay, 20);
        QVERIFY(p->isRecipeDelay());
        QVERIFY(runUntil(RCP_ISSUE_ENTRY));
        QCOMPARE(p->curPoint, 1);
        // FDELAY 20 holds until PAUSE and then RESUME.
        tickIdle(100);
        QCOMPARE(p->recipeState, int(RCP_ISSUE_ENTRY));
        p->recipePause();
        tickIdle();
        QCOMPARE(p->recipeState, int(RCP_ISSUE_ENTRY));
        p->recipeContinue();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_TAKEN));
        QVERIFY(runUntil(RCP_LOADZ));
        QVERIFY(sent.isEmpty());
        QVERIFY(lines.isEmpty());
    }

    void shutterExposureWaitsForPolledState()
    {
        beginEntries({filterEntry(0, 0, false, false, 62), xyEntry(1, 1, 50)});
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        QCOMPARE(lines.last(), QStringLiteral("MOVE SH1=2 SH2=3 SH3=3"));
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].dev, uint(DevWheel1));
        QCOMPARE(sent[0].cmd, uint(CmdWrite));
        QCOMPARE(sent[0].index, uint(IdxShutter));
        QCOMPARE(sent[0].data, shutterWord(1, 2));
        QVERIFY(p->wexp1);
        QCOMPARE(p->fwShut1Pos, 2L);
        tickIdle(30);
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        p->fwShut1Pos = 0;   // the poll reports the exposure over
        tickIdle(2);
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
        QVERIFY(!p->wexp1);
    }

    void exposureWaitNeedsShutterModule()
    {
        p->modulespresent = (1u << DevX) | (1u << DevY);
        beginEntries({filterEntry(0, 0, false, false, 62)});
        QVERIFY(runUntil(RCP_NEXT_ENTRY, 10));
    }

    void shutterEntries_data()
    {
        QTest::addColumn<quint32>("shopt");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<long>>("data");
        QTest::newRow("EXPTIM 2,150") << (512u | (150u << 16)) << "SET EXP TIME SH2=150"
                                      << QList<long>{shutterWord(2, 150)};
        QTest::newRow("FMOVE 0,0") << 0u << "MOVE SH1=0 SH2=0 SH3=0"
                                   << QList<long>{shutterWord(1, 0), shutterWord(2, 0), shutterWord(3, 0)};
        QTest::newRow("SHOPEN 2") << 55u << "MOVE SH1=3 SH2=1 SH3=3" << QList<long>{shutterWord(2, 1)};
        QTest::newRow("SCTRL 2,1,0") << 6u << "MOVE SH1=2 SH2=1 SH3=0"
                                     << QList<long>{shutterWord(1, 2), shutterWord(2, 1), shutterWord(3, 0)};
    }

    void shutterEntries()
    {
        QFETCH(quint32, shopt);
        QFETCH(QString, line);
        QFETCH(QList<long>, data);
        beginEntries({filterEntry(0, 0, false, false, shopt)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        take();
        QCOMPARE(lines, QStringList{line});
        QList<long> got;
        for (const Sent &s : sentOf(DevWheel1, CmdWrite))
            got << s.data;
        QCOMPARE(got, data);
        QCOMPARE(p->mbusy, 0u);
    }

    void wheelEntries_data()
    {
        QTest::addColumn<recipePointStruct>("entry");
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint>("dev");
        QTest::addColumn<uint>("index");
        QTest::addColumn<long>("data");
        QTest::newRow("both") << filterEntry(3, 7, true, true, 0) << "MOVE FW1=3 FW2=7"
                              << uint(DevWheel1) << uint(IdxWheelBoth) << 458755L;
        QTest::newRow("wheel 1") << filterEntry(4, 9, true, false, 0) << "MOVE FW1=4"
                                 << uint(DevWheel1) << uint(IdxWheelMove) << 4L;
        QTest::newRow("wheel 2, shutter codes ignored") << filterEntry(0, 5, false, true, 62) << "MOVE FW2=5"
                                                        << uint(DevWheel2) << uint(IdxWheelMove) << 5L;
    }

    void wheelEntries()
    {
        QFETCH(recipePointStruct, entry);
        QFETCH(QString, line);
        QFETCH(uint, dev);
        QFETCH(uint, index);
        QFETCH(long, data);
        beginEntries({entry});
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        QCOMPARE(lines, QStringList{line});
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].dev, dev);
        QCOMPARE(sent[0].cmd, uint(CmdMove));
        QCOMPARE(sent[0].index, index);
        QCOMPARE(sent[0].data, data);
        QVERIFY(!p->wexp1);
        // Wheels busy: held; idle: a filter entry goes on without a dwell.
        p->mbusy = 1u << DevWheel2;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        tickIdle();
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
    }

    // --- the operator during a dwell ---

    void operatorDuringDwell_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("atEntry");
        QTest::addColumn<int>("nextEntry");
        QTest::newRow("PREV at entry 0 runs it again") << "prev" << 0 << 0;
        QTest::newRow("PREV at entry 2 goes back one") << "prev" << 2 << 1;
        QTest::newRow("NEXT") << "next" << 1 << 2;
        QTest::newRow("RESUME ends the dwell") << "resume" << 1 << 2;
    }

    void operatorDuringDwell()
    {
        QFETCH(QString, action);
        QFETCH(int, atEntry);
        QFETCH(int, nextEntry);
        beginEntries({xyEntry(0, 0, 1000), xyEntry(1, 1, 1000), xyEntry(2, 2, 1000), xyEntry(3, 3, 1000)});
        for (int i = 0; i <= atEntry; ++i) {
            QVERIFY(runUntil(RCP_DWELL));
            if (i < atEntry)
                p->nextRecipePoint();
        }
        QCOMPARE(p->curPoint, atEntry);
        tickIdle(5);
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        if (action == QLatin1String("prev"))
            p->prevRecipePoint();
        else if (action == QLatin1String("next"))
            p->nextRecipePoint();
        else
            p->recipeContinue();
        QCOMPARE(sts.size(), 1);
        QVERIFY(!p->isRecipeDelay());
        lines.clear();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->curPoint, nextEntry);
        QCOMPARE(lines.last(), QStringLiteral("MOVE X=%1 Y=%1 @SP=5").arg(nextEntry));
    }

    void nextAndPrevOnlyInDwell()
    {
        beginEntries({xyEntry(0, 0, 1000), xyEntry(1, 1, 1000)});
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        p->nextRecipePoint();
        p->prevRecipePoint();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        QCOMPARE(sts.size(), 0);
    }

    // PAUSE holds the dwell countdown; RESUME then moves on to the next entry.
    void pauseHoldsDwell()
    {
        beginEntries({xyEntry(0, 0, 100), xyEntry(1, 1, 100)});
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle();
        p->recipePause();
        tickIdle(50);
        QCOMPARE(p->recipeState, int(RCP_DWELL));
        QCOMPARE(p->delaycnt, 3);
        QVERIFY(p->isRecipePaused());
        p->recipeContinue();
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
        QVERIFY(!p->isRecipePaused());
    }

    // A pause pressed during a move holds the dwell that follows.
    void pauseDuringMoveHoldsNextDwell()
    {
        beginEntries({xyEntry(0, 0, 100)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        p->recipePause();
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle(50);
        QCOMPARE(p->recipeState, int(RCP_DWELL));
        QVERIFY(p->isRecipePaused());
        QVERIFY(p->isRecipeDelay());
    }

    void stopDuringDwell()
    {
        beginEntries({xyEntry(0, 0, 1000)});
        p->xincr = 0.25;
        p->yincr = 0.5;
        p->zincr = 7.0;
        QVERIFY(runUntil(RCP_DWELL));
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        p->stopRecipe();
        QCOMPARE(sts.size(), 1);
        QCOMPARE(p->recipeState, int(RCP_IDLE));
        QVERIFY(!p->isRecipeRunning());
        QVERIFY(!p->isRecipePaused());
        QVERIFY(!p->isRecipeDelay());
        QCOMPARE(p->xincr, 1.0);
        QCOMPARE(p->yincr, 2.0);
        QCOMPARE(p->zincr, 3.0);
        const int before = sent.size();
        tickIdle(100);
        QCOMPARE(sent.size(), before);
        QCOMPARE(p->recipeState, int(RCP_IDLE));
    }

    // --- the whole run ---

    void continuousRun()
    {
        p->setContMacro(true);
        p->loadptEnXY = true;
        beginEntries({xyEntry(1, 1, 30), zEntry(5, 30)});
        for (int round = 0; round < 3; ++round) {
            QVERIFY(runUntil(RCP_NEXT_ENTRY));
            QVERIFY(runUntil(RCP_LOAD_ENTRY));
            QCOMPARE(p->curPoint, 1);
            QVERIFY(runUntil(RCP_NEXT_ENTRY));
            tickIdle();
            QCOMPARE(p->recipeState, int(RCP_LOAD_ENTRY));
            QCOMPARE(p->curPoint, 0);
        }
        QVERIFY(!lines.contains(QStringLiteral("RECIPE DONE!")));
        QVERIFY(p->isRecipeRunning());
    }

    // Continuous run switched on after the last entry began: the run starts over from the
    // load points after "RECIPE DONE!".
    void continuousRunSwitchedOnLate()
    {
        beginEntries({xyEntry(1, 1, 30)});
        QVERIFY(runUntil(RCP_LOADZ));
        p->setContMacro(true);
        QVERIFY(runUntil(RCP_START));
        QVERIFY(lines.contains(QStringLiteral("RECIPE DONE!")));
        QVERIFY(p->isRecipeRunning());
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        QCOMPARE(lines.last(), QStringLiteral("Load Sample and press RESUME"));
    }

    void emptyRecipe()
    {
        p->loadptEnXY = true;
        p->loadptEnZ = true;
        p->loadptX = 2;
        p->loadptY = 3;
        p->loadptZ = 10;
        p->xincr = 0.1;
        p->setEntries({});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        QCOMPARE(sent.size(), 3);
        sent.clear();
        p->recipeContinue();
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        QVERIFY(runUntil(RCP_IDLE));
        QCOMPARE(sent.size(), 2);   // the stage only, not the focus
        QCOMPARE(sent[0].dev, uint(DevX));
        QCOMPARE(sent[1].dev, uint(DevY));
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
        QVERIFY(!p->isRecipeRunning());
        QVERIFY(!p->isRecipePaused());
        QVERIFY(sts.size() >= 1);
        QCOMPARE(p->xincr, 1.0);
    }

    void runEndsAtLoadPoints()
    {
        p->loadptEnXY = true;
        p->loadptEnZ = true;
        p->loadptX = 2;
        p->loadptY = 3;
        p->loadptZ = 10;
        beginEntries({xyEntry(1, 1, 30), zEntry(5, 30)});
        QVERIFY(runUntil(RCP_IDLE, 200));
        const QList<Sent> z = sentOf(DevZ, CmdMove);
        QCOMPARE(z.size(), 2);
        QCOMPARE(z.last().data, 100L);
        QCOMPARE(sentOf(DevX, CmdMove).last().data, 20000L);
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
        // No second load prompt at the end of a run.
        QVERIFY(!lines.contains(QStringLiteral("Load Sample and press RESUME")));
    }

    void alignedRun()
    {
        p->teachAlign = true;
        p->AlnPoint1x = 1;
        p->AlnPoint1y = 2;
        p->AlnPoint2x = 11;
        p->AlnPoint2y = 2;
        beginEntries({xyEntry(1, 0, 30)});
        p->recipeState = RCP_CHOOSE;
        QVERIFY(runUntil(RCP_ALN1_WAIT));
        QCOMPARE(lines, (QStringList{QStringLiteral("MOVE X=1 Y=2 @SP=0"),
                                     QStringLiteral("Move to 1st ALIGN Point Press RESUME")}));
        QCOMPARE(sentOf(DevX, CmdMove).value(0).data, 10000L);
        QCOMPARE(sentOf(DevY, CmdMove).value(0).data, 20000L);
        QVERIFY(p->isRecipePaused());
        tickIdle(20);
        QCOMPARE(p->recipeState, int(RCP_ALN1_WAIT));

        // The operator jogs onto the mark; the displayed position becomes point 1.
        p->xpos = 15000;
        p->ypos = 25000;
        p->recipeContinue();
        QVERIFY(runUntil(RCP_ALN2_WAIT));
        QCOMPARE(p->AlnPoint1x, 1.5);
        QCOMPARE(p->AlnPoint1y, 2.5);
        QCOMPARE(lines.value(2), QStringLiteral("MOVE X=11 Y=2 @SP=0"));
        QCOMPARE(lines.value(3), QStringLiteral("Move to 2nd ALIGN Point Press RESUME"));
        p->xpos = 115000;
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->AlnPoint2x, 11.5);
        QCOMPARE(p->AlnPoint2y, 2.5);
        QVERIFY(p->inSkew);
        // Specimen (1, 0) lies 1 mm from point 1 along the line to point 2.
        QCOMPARE(sentOf(DevX, CmdMove).last().data, 25000L);
        QCOMPARE(sentOf(DevY, CmdMove).last().data, 25000L);
    }

    // The operator stores the same mark twice: the stage moves of the entries are refused
    // and the run goes through its entries (dwells included) to the end.
    void identicalAlignPointsMoveNothing()
    {
        p->teachAlign = true;
        p->AlnPoint1x = 1;
        p->AlnPoint2x = 11;
        p->loadptEnXY = true;
        beginEntries({xyEntry(1, 0, 100), zEntry(7, 30), xyEntry(2, 0, 100)});
        p->recipeState = RCP_CHOOSE;
        p->xpos = 30000;
        p->ypos = 30000;
        QVERIFY(runUntil(RCP_ALN1_WAIT));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_ALN2_WAIT));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        const int stageMoves = sentOf(DevX, CmdMove).size();
        QVERIFY(p->recipeIndex < 0);
        QCOMPARE(p->recipeDelay, 4);
        QVERIFY(runUntil(RCP_IDLE, 100));
        QCOMPARE(sentOf(DevX, CmdMove).size(), stageMoves);
        QCOMPARE(sentOf(DevZ, CmdMove).size(), 1);   // the focus entry still runs
        QVERIFY(lines.contains(QStringLiteral("ALIGN POINTS IDENTICAL")));
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
    }

    // A refused move and an index that names no ring entry both count as done.
    void refusedMoveCountsAsDone()
    {
        beginEntries({xyEntry(1e300, 0, 30), xyEntry(1, 1, 30)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        QVERIFY(p->recipeIndex < 0);
        QVERIFY(sentOf(DevX, CmdMove).isEmpty());
        QVERIFY(runUntil(RCP_DWELL, 3));
        for (int bad : {-7, CmdBufSize, 123456}) {
            p->recipeState = RCP_ENTRY_TAKEN;
            p->recipeIndex = bad;
            p->runRecipe();
            QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        }
    }

    void unsendableSpeedLeavesSpeed()
    {
        beginEntries({xyEntry(1, 1, 30), xyEntry(2, 2, 30, 1e30)});
        QVERIFY(runUntil(RCP_DWELL));
        QVERIFY(runUntil(RCP_LOAD_ENTRY));
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(sentOf(DevX, CmdWrite).size(), 1);
        QCOMPARE(sentOf(DevX, CmdMove).size(), 2);
        QVERIFY(diagLines.contains(QStringLiteral("RECIPE SPEED NOT SENT: 1e+34")));
    }

    void entryIndexOutsideListEndsEntries()
    {
        beginEntries({xyEntry(1, 1, 30)});
        p->recipeState = RCP_ISSUE_ENTRY;
        p->curPoint = 5;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ));
        QVERIFY(sent.isEmpty());
    }

    void stateDiagnostic()
    {
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        tickIdle(5);
        QCOMPARE(diagLines.filter(QStringLiteral("RCP STATE:")),
                 (QStringList{QStringLiteral("RCP STATE:1"), QStringLiteral("RCP STATE:40"),
                              QStringLiteral("RCP STATE:30"), QStringLiteral("RCP STATE:89"),
                              QStringLiteral("RCP STATE:95")}));
    }
};


QTEST_MAIN(TestRunner)
#include "tst_runner.moc"
