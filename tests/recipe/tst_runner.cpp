// The recipe runner's state machine, stepped by hand: the controller's part (taking the
// commands, polling an idle busy mask, reporting shutter states) is played by the test.
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"
#include "runnerprobe.h"
#include "support/diagcapture.h"

#include "recipe/runlog.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

Q_DECLARE_METATYPE(recipePointStruct)

using namespace Ptx;

namespace {

constexpr unsigned int AllModules =
    (1u << DevX) | (1u << DevY) | (1u << DevZ) | (1u << DevWheel1) | (1u << DevWheel2);

QString command(uint dev, uint cmd, uint index, long data)
{
    return QStringLiteral("%1,%2,%3,%4").arg(dev).arg(cmd).arg(index).arg(data);
}

QString shutterWrite(int shutter, long value)
{
    return command(DevWheel1, CmdWrite, IdxShutter, (ShutterBase + shutter) * 65536 + value);
}

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private:
    struct Sent {
        uint dev;
        uint cmd;
        uint index;
        long data;
    };

    std::optional<DiagCapture> diagnostics;   // a run writes a diagnostic line per state change
    QTemporaryDir dir;
    std::unique_ptr<RunnerProbe> p;
    QStringList lines;
    QList<Sent> sent;

    // The controller takes every queued command (the command step's work).
    void take()
    {
        while (p->cmdBufTail != p->cmdBufHead) {
            cmdBufferStruct &c = p->commandBuffer[p->cmdBufTail];
            sent << Sent{c.dev, c.cmd, c.index, c.data};
            c.done = true;
            p->cmdBufTail = (p->cmdBufTail + 1) % CmdBufSize;
        }
    }

    // Ticks after each of which the controller has taken everything and reports idle axes.
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

    QList<long> dataOf(uint dev, uint cmd) const
    {
        QList<long> out;
        for (const Sent &s : sent) {
            if (s.dev == dev && s.cmd == cmd)
                out << s.data;
        }
        return out;
    }

    QStringList sentTexts() const
    {
        QStringList out;
        for (const Sent &s : sent)
            out << command(s.dev, s.cmd, s.index, s.data);
        return out;
    }

private slots:
    void initTestCase()
    {
        diagnostics.emplace();
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
        connect(p.get(), &KelInterface::addDispLine, this, [this](const QString &l) { lines << l; });
    }

    void cleanup() { p.reset(); }

    // --- start of a run: load points and the load prompt ---

    void loadPoints_data()
    {
        QTest::addColumn<bool>("enZ");
        QTest::addColumn<bool>("enXY");
        QTest::addColumn<QList<long>>("moves");   // focus, then stage
        QTest::newRow("none") << false << false << QList<long>{};
        QTest::newRow("focus only") << true << false << QList<long>{123};
        QTest::newRow("stage only") << false << true << QList<long>{15000, -20000};
        QTest::newRow("both") << true << true << QList<long>{123, 15000, -20000};
    }

    void loadPoints()
    {
        QFETCH(bool, enZ);
        QFETCH(bool, enXY);
        QFETCH(QList<long>, moves);
        p->loadptEnZ = enZ;
        p->loadptEnXY = enXY;
        p->loadptX = 1.5;
        p->loadptY = -2.0;
        p->loadptZ = 12.34;
        p->initRecipe();
        p->startRecipe();
        QVERIFY(p->isRecipeRunning());
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        QList<long> got;
        for (const Sent &s : std::as_const(sent))
            got << s.data;
        QCOMPARE(got, moves);
        QCOMPARE(lines, QStringList{QStringLiteral("Load Sample and press RESUME")});
        QVERIFY(p->isRecipePaused() && p->isRecipeDelay());
        // The prompt holds until RESUME.
        tickIdle(100);
        QCOMPARE(p->recipeState, int(RCP_WAIT_LOAD));
        p->recipeContinue();
        QVERIFY(!p->isRecipePaused());
        QCOMPARE(p->recipeState, int(RCP_LOADED));
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
        QFETCH(int, to);
        p->setEntries({filterEntry(0, 0, false, false, PauseWord, 20)});
        p->recipeState = from;
        p->recipePaused = true;
        p->recipeInDelay = true;
        QSignalSpy sts(p.get(), &KelInterface::updateRecipeSts);
        p->recipeContinue();
        QCOMPARE(p->recipeState, to);
        QVERIFY(!p->isRecipePaused() && !p->isRecipeDelay());
        QCOMPARE(sts.size(), 1);
    }

    // --- entries ---

    void motionEntries_data()
    {
        QTest::addColumn<QList<recipePointStruct>>("entries");
        QTest::addColumn<uint>("dev");
        QTest::addColumn<QList<long>>("speeds");
        QTest::addColumn<QList<long>>("moves");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("stage, the first at the configured speed")
            << QList<recipePointStruct>{xyEntry(1.5, -2, 50, 7.0), xyEntry(3, 4, 50, 8.0)} << uint(DevX)
            << QList<long>{50000, 80000} << QList<long>{15000, 30000}
            << QStringList{"MOVE X=1.5 Y=-2 @SP=5", "MOVE X=3 Y=4 @SP=8", "RECIPE DONE!"};
        QTest::newRow("focus, the first at the configured speed")
            << QList<recipePointStruct>{zEntry(55.5, 50, 3000), zEntry(-12.34567891, 50, 3000)} << uint(DevZ)
            << QList<long>{25000, 3000} << QList<long>{555, -123}
            << QStringList{"MOVE Z=55.5 @SP=25000", "MOVE Z=-12.3457 @SP=3000", "RECIPE DONE!"};
    }

    void motionEntries()
    {
        QFETCH(QList<recipePointStruct>, entries);
        QFETCH(uint, dev);
        QFETCH(QList<long>, speeds);
        QFETCH(QList<long>, moves);
        QFETCH(QStringList, shown);
        beginEntries(entries);
        QVERIFY(runUntil(RCP_IDLE, 200));
        QCOMPARE(dataOf(dev, CmdWrite), speeds);
        QCOMPARE(dataOf(dev, CmdMove), moves);
        // Each speed is read back.
        QCOMPARE(dataOf(dev == DevX ? DevY : DevZ, CmdRead).size(), speeds.size());
        QCOMPARE(lines, shown);
    }

    void busyMarks_data()
    {
        QTest::addColumn<recipePointStruct>("entry");
        QTest::addColumn<unsigned int>("after");
        const unsigned int other = 1u << 5;
        QTest::newRow("stage") << xyEntry(1, 1, 0) << (other | 6u);
        QTest::newRow("focus") << zEntry(1, 0) << (other | 8u);
        QTest::newRow("wheel") << filterEntry(2, 0, true, false, 0) << ((1u << DevWheel1) | (1u << DevWheel2));
        QTest::newRow("shutter") << filterEntry(0, 0, false, false, 61) << 0u;
    }

    void busyMarks()
    {
        QFETCH(recipePointStruct, entry);
        QFETCH(unsigned int, after);
        const unsigned int before = 1u << 5;
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
        for (; p->recipeState == RCP_DWELL && n < 500; ++n)
            tickIdle();
        if (ticks == 0) {
            p->nextRecipePoint();
            n = ticks;
        }
        QCOMPARE(n, ticks);
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
        QVERIFY(!p->isRecipeDelay());
        tickIdle();
        QCOMPARE(p->curPoint, 1);
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
        QCOMPARE(sentTexts(), QStringList{shutterWrite(1, 2)});
        QVERIFY(p->wexp1);
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

    void filterEntries_data()
    {
        QTest::addColumn<recipePointStruct>("entry");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("EXPTIM 2,150") << filterEntry(0, 0, false, false, 512u | (150u << 16))
            << "SET EXP TIME SH2=150" << QStringList{shutterWrite(2, 150)};
        QTest::newRow("FMOVE 0,0") << filterEntry(0, 0, false, false, 0) << "MOVE SH1=0 SH2=0 SH3=0"
            << QStringList{shutterWrite(1, 0), shutterWrite(2, 0), shutterWrite(3, 0)};
        QTest::newRow("SHOPEN 2") << filterEntry(0, 0, false, false, 55) << "MOVE SH1=3 SH2=1 SH3=3"
            << QStringList{shutterWrite(2, 1)};
        QTest::newRow("SCTRL 2,1,0") << filterEntry(0, 0, false, false, 6) << "MOVE SH1=2 SH2=1 SH3=0"
            << QStringList{shutterWrite(1, 2), shutterWrite(2, 1), shutterWrite(3, 0)};
        QTest::newRow("both wheels") << filterEntry(3, 7, true, true, 0) << "MOVE FW1=3 FW2=7"
            << QStringList{command(DevWheel1, CmdMove, IdxWheelBoth, 458755)};
        QTest::newRow("wheel 1") << filterEntry(4, 9, true, false, 0) << "MOVE FW1=4"
            << QStringList{command(DevWheel1, CmdMove, IdxWheelMove, 4)};
        QTest::newRow("wheel 2, shutter codes ignored") << filterEntry(0, 5, false, true, 62) << "MOVE FW2=5"
            << QStringList{command(DevWheel2, CmdMove, IdxWheelMove, 5)};
    }

    // A filter entry goes on without a dwell once the wheels are idle.
    void filterEntries()
    {
        QFETCH(recipePointStruct, entry);
        QFETCH(QString, line);
        QFETCH(QStringList, commands);
        beginEntries({entry});
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        QCOMPARE(lines, QStringList{line});
        QCOMPARE(sentTexts(), commands);
        p->fwShut1Pos = 0;
        p->mbusy = 1u << DevWheel2;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        tickIdle();
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
    }

    // --- the operator ---

    void operatorDuringDwell_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("atEntry");
        QTest::addColumn<int>("nextEntry");
        QTest::newRow("PREV at entry 0 runs it again") << "prev" << 0 << 0;
        QTest::newRow("PREV at entry 2 goes back one") << "prev" << 2 << 1;
        QTest::newRow("NEXT") << "next" << 1 << 2;
        QTest::newRow("RESUME ends the dwell") << "resume" << 1 << 2;
        // RESUME between loading an entry and moving it skips nothing.
        QTest::newRow("RESUME right after PREV, paused") << "pause prev resume" << 2 << 1;
        QTest::newRow("RESUME a tick after NEXT, paused") << "pause next tick resume" << 1 << 2;
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
        const QStringList steps = action.split(QLatin1Char(' '));
        for (const QString &step : steps) {
            if (step == QLatin1String("prev"))
                p->prevRecipePoint();
            else if (step == QLatin1String("next"))
                p->nextRecipePoint();
            else if (step == QLatin1String("pause"))
                p->recipePause();
            else if (step == QLatin1String("tick"))
                tickIdle();
            else
                p->recipeContinue();
        }
        QCOMPARE(sts.size(), steps.size() - steps.count(QStringLiteral("tick")));
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

    void pauseHoldsDwell_data()
    {
        QTest::addColumn<int>("pausedIn");
        QTest::newRow("PAUSE during the dwell") << int(RCP_DWELL);
        QTest::newRow("PAUSE during the move") << int(RCP_ENTRY_TAKEN);
    }

    // PAUSE holds the dwell countdown; RESUME then moves on to the next entry.
    void pauseHoldsDwell()
    {
        QFETCH(int, pausedIn);
        beginEntries({xyEntry(0, 0, 100), xyEntry(1, 1, 100)});
        QVERIFY(runUntil(pausedIn));
        tickIdle();
        p->recipePause();
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle(50);
        QCOMPARE(p->recipeState, int(RCP_DWELL));
        QVERIFY(p->isRecipePaused());
        if (pausedIn == RCP_ENTRY_TAKEN)
            QVERIFY(p->isRecipeDelay());
        p->recipeContinue();
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
        QVERIFY(!p->isRecipePaused());
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
        QVERIFY(!p->isRecipeRunning() && !p->isRecipePaused() && !p->isRecipeDelay());
        QCOMPARE(QList<double>({p->xincr, p->yincr, p->zincr}), QList<double>({1, 2, 3}));
        const int before = sent.size();
        tickIdle(100);
        QCOMPARE(sent.size(), before);
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

    void emptyRecipe()
    {
        p->loadptEnXY = true;
        p->loadptEnZ = true;
        p->xincr = 0.1;
        p->setEntries({});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        QCOMPARE(sent.size(), 3);
        sent.clear();
        p->recipeContinue();
        QVERIFY(runUntil(RCP_IDLE));
        // Back to the stage load point only, not the focus one.
        QCOMPARE(sentTexts().size(), 2);
        QCOMPARE(dataOf(DevX, CmdMove).size() + dataOf(DevY, CmdMove).size(), 2);
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
        QVERIFY(!p->isRecipeRunning() && !p->isRecipePaused() && !p->isRecipeDelay());
        QCOMPARE(p->xincr, 1.0);
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
        QCOMPARE(lines, (QStringList{"MOVE X=1 Y=2 @SP=0", "Move to 1st ALIGN Point Press RESUME"}));
        QCOMPARE(dataOf(DevX, CmdMove).value(0), 10000L);
        QCOMPARE(dataOf(DevY, CmdMove).value(0), 20000L);
        QVERIFY(p->isRecipePaused());
        tickIdle(20);
        QCOMPARE(p->recipeState, int(RCP_ALN1_WAIT));

        // The operator jogs onto each mark; the displayed position is stored.
        p->xpos = 15000;
        p->ypos = 25000;
        p->recipeContinue();
        QVERIFY(runUntil(RCP_ALN2_WAIT));
        QCOMPARE(lines.mid(2), (QStringList{"MOVE X=11 Y=2 @SP=0", "Move to 2nd ALIGN Point Press RESUME"}));
        p->xpos = 115000;
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(QList<double>({p->AlnPoint1x, p->AlnPoint1y, p->AlnPoint2x, p->AlnPoint2y}),
                 QList<double>({1.5, 2.5, 11.5, 2.5}));
        QVERIFY(p->inSkew);
        // Specimen (1, 0) lies 1 mm from point 1 along the line to point 2.
        QCOMPARE(dataOf(DevX, CmdMove).last(), 25000L);
        QCOMPARE(dataOf(DevY, CmdMove).last(), 25000L);
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
        const qsizetype stageMoves = dataOf(DevX, CmdMove).size();
        QVERIFY(p->recipeIndex < 0);
        QCOMPARE(p->recipeDelay, 4);
        QVERIFY(runUntil(RCP_IDLE, 100));
        // Only the return to the load point, a stage position, moves the stage.
        QCOMPARE(dataOf(DevX, CmdMove).size(), stageMoves + 1);
        QCOMPARE(dataOf(DevZ, CmdMove).size(), 1);   // the focus entry still runs
        QVERIFY(lines.contains(QStringLiteral("ALIGN POINTS IDENTICAL")));
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
    }

    // A refused move and an index that names no ring entry both count as done.
    void refusedMoveCountsAsDone()
    {
        beginEntries({xyEntry(1e300, 0, 30), xyEntry(1, 1, 30)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        QVERIFY(p->recipeIndex < 0);
        QVERIFY(dataOf(DevX, CmdMove).isEmpty());
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
        QCOMPARE(dataOf(DevX, CmdWrite).size(), 1);
        QCOMPARE(dataOf(DevX, CmdMove).size(), 2);
        QVERIFY(diagnostics->lines().contains(QStringLiteral("RECIPE SPEED NOT SENT: 1e+34")));
    }

    // --- travel limits, run log, time left ---

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
        limits.x.max = 10;
        limits.y.min = 0;
        limits.z.min = 0;
        p->setTravelLimits(limits);
        beginEntries({entry, xyEntry(1, 1, 30)});
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle(100);
        QCOMPARE(p->recipeState, int(RCP_DWELL));
        QCOMPARE(p->curPoint, 0);
        QVERIFY(p->isRecipeDelay());
        QCOMPARE(dataOf(DevX, CmdMove).size() + dataOf(DevZ, CmdMove).size(), 0);
        QCOMPARE(lines.filter(QStringLiteral("ENTRY 1 NOT RUN:")), QStringList{"ENTRY 1 NOT RUN: " + why});
        p->nextRecipePoint();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->curPoint, 1);
        QCOMPARE(dataOf(DevX, CmdMove), QList<long>{10000});
    }

    void runLogEndings_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("done");
        QTest::newRow("done") << "DONE" << "2 of 2";
        QTest::newRow("stop") << "STOP" << "0 of 2";
        QTest::newRow("halt") << "HALT" << "0 of 2";
        QTest::newRow("link lost") << "LINK LOST" << "0 of 2";
    }

    void runLogEndings()
    {
        QFETCH(QString, ending);
        QFETCH(QString, done);
        QFile::remove(QString::fromLatin1(RunLogName));
        p->setFileName(QStringLiteral("slide.rcp"));
        p->setEntries({xyEntry(1, 1, 30), xyEntry(2, 2, 30)});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        if (ending == QLatin1String("DONE")) {
            QVERIFY(runUntil(RCP_IDLE, 200));
        } else if (ending == QLatin1String("STOP")) {
            p->stopRecipe();
        } else if (ending == QLatin1String("HALT")) {
            p->haltAll();
            p->stopRecipe();
        } else {
            p->linkUp = true;
            p->onSocketLost();
        }
        p->stopRecipe();    // a second stop of an ended run writes nothing
        QFile log(QString::fromLatin1(RunLogName));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> written = log.readAll().split('\n');
        QCOMPARE(written.size(), 2);
        const QList<QByteArray> fields = written.first().split('\t');
        QCOMPARE(fields.mid(2), QList<QByteArray>({"slide.rcp", done.toLatin1(), ending.toLatin1()}));
    }

    void runLogRotates()
    {
        const QString path = QStringLiteral("rotating.log");
        const QString line = QString(30, QLatin1Char('r'));
        for (int i = 0; i < 3; ++i)
            QVERIFY(appendRunLog(path, line + QString::number(i), 70));
        QFile old(path + QLatin1String(RunLogOldSuffix));
        QFile current(path);
        QVERIFY(old.open(QIODevice::ReadOnly) && current.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll().count('\n'), 2);
        QCOMPARE(current.readAll(), (line + QStringLiteral("2\n")).toLatin1());
    }

    // Every entry takes 40 ticks more than the model allows: past the first entries the
    // estimate follows the run's pace, while the model alone stays short.
    void timeLeftFollowsThePace()
    {
        QList<recipePointStruct> entries;
        for (int i = 0; i < 20; ++i)
            entries << xyEntry(0, 0, 30);
        beginEntries(entries);
        constexpr int SlowTicks = 40;
        int hold = 0;
        int heldEntry = -1;
        int ticks = 0;
        while (ticks < 5000 && !(p->recipeState == RCP_LOAD_ENTRY && p->curPoint == 10)) {
            take();
            if (p->recipeState == RCP_ENTRY_IDLE && heldEntry != p->curPoint) {
                heldEntry = p->curPoint;
                hold = SlowTicks;
            }
            p->mbusy = hold > 0 ? BusyStage : 0;
            hold = std::max(0, hold - 1);
            p->runRecipe();
            ++ticks;
        }
        p->runRecipe();
        const RunProgress half = p->runProgress();
        QCOMPARE(half.entry, 11);
        const double actualLeftMs = double(ticks) * RecipeTickMs;   // ten more entries alike
        QVERIFY2(qAbs(half.leftMs - actualLeftMs) < 0.15 * actualLeftMs, qPrintable(QString::number(half.leftMs)));
        QVERIFY(half.modelLeftMs < 0.6 * actualLeftMs);
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
};

QTEST_MAIN(TestRunner)
#include "tst_runner.moc"
