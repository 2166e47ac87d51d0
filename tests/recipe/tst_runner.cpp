// The recipe runner's state machine, stepped by hand: the controller's part (taking the
// commands, polling an idle busy mask) is played by the test.
#include "recipe/runlog.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"
#include "runnerprobe.h"
#include "support/diagcapture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

Q_DECLARE_METATYPE(recipePointStruct)

using namespace Ptx;

constexpr uint AnyDev = ~0u;

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

    // One tick after which the controller has taken every queued command and reports busy.
    void tick(unsigned int busy = 0)
    {
        while (p->cmdBufTail != p->cmdBufHead) {
            cmdBufferStruct &c = p->commandBuffer[p->cmdBufTail];
            sent << Sent{c.dev, c.cmd, c.data};
            c.done = true;
            p->cmdBufTail = (p->cmdBufTail + 1) % CmdBufSize;
        }
        p->mbusy = busy;
        p->runRecipe();
    }

    void tickIdle(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            tick();
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

private slots:
    void initTestCase()
    {
        diagnostics.emplace();
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
    }

    void init()
    {
        p = std::make_unique<RunnerProbe>();
        p->modulespresent = (1u << DevX) | (1u << DevY) | (1u << DevZ) | (1u << DevWheel1) | (1u << DevWheel2);
        p->loadptEnXY = p->loadptEnZ = false;
        lines.clear();
        sent.clear();
        connect(p.get(), &KelInterface::addDispLine, this, [this](const QString &l) { lines << l; });
    }

    void cleanup() { p.reset(); }

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

    // An empty recipe: to the load points, the prompt, and back to the stage's load point.
    void loadPoints()
    {
        QFETCH(bool, enXY);
        std::tie(p->loadptEnXY, p->loadptX, p->loadptY, p->loadptZ) = std::make_tuple(enXY, 1.5, -2.0, 12.34);
        QFETCH(bool, enZ);
        p->loadptEnZ = enZ;
        p->setEntries({});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        QTEST(dataOf(AnyDev, CmdMove), "moves");
        QCOMPARE(lines, QStringList{QStringLiteral("Load Sample and press RESUME")});
        QVERIFY(p->isRecipePaused() && p->isRecipeDelay());
        tickIdle(100);
        QCOMPARE(p->recipeState, int(RCP_WAIT_LOAD));
        sent.clear();
        p->recipeContinue();
        QVERIFY(runUntil(RCP_IDLE));
        QCOMPARE(dataOf(AnyDev, CmdMove).size(), enXY ? 2 : 0);
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
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
        std::tie(p->recipeState, p->recipePaused, p->recipeInDelay) = std::make_tuple(from, true, true);
        p->recipeContinue();
        QCOMPARE(p->recipeState, to);
        QVERIFY(!p->isRecipePaused() && !p->isRecipeDelay());
    }

    // Busy bits and exposures of modules that did not answer the start-up scan hold nothing.
    void absentModulesHoldNothing()
    {
        p->modulespresent = (1u << DevX) | (1u << DevY);
        beginEntries({filterEntry(0, 0, false, false, 62), xyEntry(1, 1, 50)});
        QVERIFY(runUntil(RCP_NEXT_ENTRY, 10));
        QVERIFY(runUntil(RCP_ENTRY_IDLE));
        p->mbusy = BusyStage | BusyFocus;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_ENTRY_IDLE));
        p->mbusy = BusyFocus;
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_DWELL));
    }

    // A pause of up to one tick holds until RESUME; longer ones count down by themselves.
    void shortPauseHolds()
    {
        beginEntries({filterEntry(0, 0, false, false, PauseWord, 20)});
        QVERIFY(runUntil(RCP_ISSUE_ENTRY));
        tickIdle(100);
        QCOMPARE(p->recipeState, int(RCP_ISSUE_ENTRY));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_LOADZ, 3));
    }

    // PAUSE in a move holds the dwell that follows; NEXT and PREV act only in the dwell.
    void pauseHoldsDwell()
    {
        beginEntries({xyEntry(0, 0, 100), xyEntry(1, 1, 100)});
        QVERIFY(runUntil(RCP_ENTRY_TAKEN));
        p->recipePause();
        p->nextRecipePoint();
        p->prevRecipePoint();
        QVERIFY(runUntil(RCP_DWELL));
        tickIdle(50);
        QCOMPARE(p->recipeState, int(RCP_DWELL));
        QVERIFY(p->isRecipePaused() && p->isRecipeDelay());
        p->recipeContinue();
        QCOMPARE(p->recipeState, int(RCP_NEXT_ENTRY));
        QCOMPARE(p->curPoint, 0);
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
        QCOMPARE(lines.last(), QStringLiteral("RECIPE DONE!"));
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
        QCOMPARE(dataOf(DevX, CmdWrite).size(), 2);
        QCOMPARE(dataOf(DevX, CmdMove), (QList<long>{10000, 20000}));
        QVERIFY(diagnostics->lines().contains(QStringLiteral("RECIPE SPEED NOT SENT: 1e+34")));
        // An entry number outside the list ends the entries.
        beginEntries({xyEntry(1, 1, 30)});
        std::tie(p->recipeState, p->curPoint) = std::make_tuple(int(RCP_ISSUE_ENTRY), 5);
        p->runRecipe();
        QCOMPARE(p->recipeState, int(RCP_LOADZ));
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

    void runEndings_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("done");
        QTest::newRow("done") << "DONE" << "2 of 2";
        QTest::newRow("stop") << "STOP" << "0 of 2";
        QTest::newRow("halt") << "HALT" << "0 of 2";
        QTest::newRow("link lost") << "LINK LOST" << "0 of 2";
    }

    // However a run ends, it leaves nothing running and writes one run log line; PREV at the
    // first entry runs it again without counting it twice.
    void runEndings()
    {
        QFETCH(QString, ending);
        QFETCH(QString, done);
        QFile::remove(QString::fromLatin1(RunLogName));
        p->setFileName(QStringLiteral("slide.rcp"));
        p->setEntries({xyEntry(1, 1, 1000), xyEntry(2, 2, 30)});
        p->initRecipe();
        p->startRecipe();
        QVERIFY(runUntil(RCP_WAIT_LOAD));
        p->recipeContinue();
        QVERIFY(runUntil(RCP_DWELL));
        p->prevRecipePoint();
        QVERIFY(runUntil(RCP_DWELL));
        QCOMPARE(p->curPoint, 0);
        p->xincr = 0.25;
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
        QVERIFY(!p->isRecipeRunning() && !p->isRecipePaused() && !p->isRecipeDelay());
        QCOMPARE(p->recipeState, int(RCP_IDLE));
        QCOMPARE(p->xincr, 1.0);
        tickIdle();
        const qsizetype before = sent.size();
        tickIdle(100);
        QCOMPARE(sent.size(), before);
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
        beginEntries(QList<recipePointStruct>(20, xyEntry(0, 0, 30)));
        int hold = 0, heldEntry = -1, ticks = 0;
        while (ticks < 5000 && !(p->recipeState == RCP_LOAD_ENTRY && p->curPoint == 10)) {
            if (p->recipeState == RCP_ENTRY_IDLE && heldEntry != p->curPoint) {
                heldEntry = p->curPoint;
                hold = 40;
            }
            tick(hold-- > 0 ? BusyStage : 0);
            ++ticks;
        }
        p->runRecipe();
        const RunProgress half = p->runProgress();
        QCOMPARE(half.entry, 11);
        const double actualLeftMs = double(ticks) * RecipeTickMs;   // ten more entries alike
        QVERIFY2(qAbs(half.leftMs - actualLeftMs) < 0.15 * actualLeftMs, qPrintable(QString::number(half.leftMs)));
        QVERIFY(half.modelLeftMs < 0.6 * actualLeftMs);
    }
};

QTEST_MAIN(TestRunner)
#include "tst_runner.moc"
