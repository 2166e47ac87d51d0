// Motion operations and coordinate modes of KelInterface: the commands each operation queues,
// the refusal of impossible or out-of-travel targets, identical alignment points, the position
// display in each mode, and moves arriving at the simulated controller. The panel knows where
// the stage stands only from the controller's replies: rows that need the stage somewhere run
// the panel connected to the simulated controller, with the stage put there.
#include "controller/simrig.h"
#include "motion/stepconvert.h"
#include "support/diagcapture.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const QString TargetRefused = QStringLiteral("TARGET REFUSED");
constexpr int PositionTicks = 100;   // ticks for a polling cycle to bring a position back

// The panel of a row beside the simulated controller, connected to it when the row needs the
// stage somewhere.
class Panel : public SimRig
{
public:
    explicit Panel(bool connected)
    {
        QObject::connect(&kel, &KelInterface::zPosChanged, [this](double z) {
            shownZ = z;
            ++positionsShown;
        });
        if (connected)
            QVERIFY(startUp());
    }
    KelInterface *operator->() { return &kel; }

    // Puts the stage at raw step positions and waits until the panel has shown them.
    void setStage(qint32 x, qint32 y, qint32 z = 0)
    {
        sim.setAxisPosition(Ptx::DevX, x);
        sim.setAxisPosition(Ptx::DevY, y);
        sim.setAxisPosition(Ptx::DevZ, z);
        const QPointF stage(x / Ptx::DefaultStepsPerMMxy, y / Ptx::DefaultStepsPerMMxy);
        positionsShown = 0;
        QVERIFY(tickUntil([&] {
            return positionsShown > 0 && kel.stagePositionXY() == stage
                   && shownZ == z * Ptx::DefaultMicronsPerStepZ;
        }, PositionTicks));
    }

    // A connected panel as fresh for the next row: what the last one queued has gone out, and
    // the modes, alignment points, travel limits and jog steps are back at their start.
    void reset()
    {
        QVERIFY(tickUntil([this] { return queued().isEmpty(); }, PositionTicks));
        kel.setAbs();
        kel.setAlignPt1(0.0, 0.0);
        kel.setAlignPt2(0.0, 0.0);
        kel.setTravelLimits(Ptx::TravelLimits());
        kel.stopRecipe();
    }

    // The commands queued and not yet sent, without the status reads (84) of the polling.
    QStringList queued() { return kel.pendingCommands().filter(QRegularExpression("^\\d+,(?!84,)")); }

private:
    double shownZ = NaN;
    int positionsShown = 0;
};

// A step of a test case, run on the panel; tables carry it as data.
using Action = std::function<void(Panel &)>;

// X and Y 0..10 mm, Z 0..100 microns.
void limitTravel(Panel &k)
{
    Ptx::TravelLimits limits;
    limits.x = limits.y = Ptx::AxisRange{0.0, 10.0};
    limits.z = Ptx::AxisRange{0.0, 100.0};
    k->setTravelLimits(limits);
}

// The jog steps in use: X and Y as a compiled recipe's INCR sets them, Z the focus default
// (to which stopping a run returns them).
void jogSteps(Panel &k, const QString &incr)
{
    k->setFocusDefIncr(2.5);
    k->stopRecipe();
    k->setRecipe({incr});
    k->ScanRecipe();
}
} // namespace

Q_DECLARE_METATYPE(Action)

class TestMotion : public QObject
{
    Q_OBJECT

    // KelInterface reads and writes "config.xml" in the working directory.
    std::optional<QTemporaryDir> dir;
    // One connected panel serves every row that needs the stage somewhere (a start-up costs
    // a module scan).
    std::optional<Panel> live;
    Panel &livePanel()
    {
        if (!live)
            live.emplace(true);
        live->reset();
        return *live;
    }

private slots:
    void init()
    {
        dir.emplace();
        QVERIFY(dir->isValid() && QDir::setCurrent(dir->path()));
    }

    void commands_data();
    void commands();
    void indexForms();
    void speeds();
    void display_data();
    void display();
    void movesArriveAtTheController();
};

void TestMotion::commands_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("expected"); // "dev,cmd,index,data", oldest first
    QTest::addColumn<QString>("why");          // why the last one was refused
    QTest::addColumn<bool>("live");            // the row puts the stage somewhere
    const auto row = [](const char *name, const Action &action, const QStringList &expected,
                        const QString &why = QString(), bool live = false) {
        QTest::newRow(name) << action << expected << why << live;
    };
    const auto liveRow = [&row](const char *name, const Action &action, const QStringList &expected,
                                const QString &why = QString()) { row(name, action, expected, why, true); };

    row("moveXYTo truncates toward zero", [](Panel &k) { k->moveXYTo(1.23456789, -0.00005); },
        {"1,65,0,12345", "2,65,0,0"});
    liveRow("relative moves add the origin, moveXTo and moveYTo keep the other displayed axis",
        [](Panel &k) {
            k.setStage(70000, 20000); k->setRel(1.0, 2.0);
            k->moveXYTo(1.0, 1.0); k->moveXTo(0.5); k->moveYTo(-1.0);
        }, {"1,65,0,20000", "2,65,0,30000", "1,65,0,15000", "2,65,0,20000", "1,65,0,70000",
            "2,65,0,10000"});
    // Specimen X runs along stage Y: P1 (1, 1), P2 (1, 5); the origin is at specimen (2, 0).
    row("relative move within skew", [](Panel &k) {
        k->setAlignPt1(1.0, 1.0); k->setAlignPt2(1.0, 5.0); k->setSkew(); k->setRel(2.0, 0.0);
        k->moveXYTo(0.0, 1.0);
    }, {"1,65,0,0", "2,65,0,30000"});
    // cos(3.1415926) is a little above -1: one step short after truncation.
    row("P2 left of P1 turns by the rounded half turn",
        [](Panel &k) { k->setAlignPt2(-3.0, 0.0); k->setSkew(); k->moveXYTo(1.0, 0.0); },
        {"1,65,0,-9999", "2,65,0,0"});
    row("focus, jogs and home ignore the modes; jogs send a positive distance", [](Panel &k) {
        jogSteps(k, "INCR 0.5,0.25");
        k->setAlignPt2(0.0, 1.0); k->setSkew(); k->setRel(5.0, 5.0);
        k->moveZTo(-7.0); k->incX(true); k->incX(false); k->incY(false); k->incZ(true); k->homeXY();
    }, {"3,65,0,-70", "1,65,4,5000", "1,65,6,5000", "2,65,6,2500", "3,65,4,25", "1,65,0,0",
        "2,65,0,0"});
    liveRow("load points are stored and visited as stage positions", [](Panel &k) {
        k->setAlignPt2(0.0, 1.0); k->setSkew(); k->setRel(1.0, 1.0); k.setStage(15000, -20000, 1000);
        k->setXYLdPt(); k->setZLdPt(); k->goXYLdPt(); k->goZLdPt();
    }, {"1,65,0,15000", "2,65,0,-20000", "3,65,0,1000"});
    liveRow("alignment points are stored and visited as stage positions", [](Panel &k) {
        k->setAlignPt1(1.0, 1.0); k->setAlignPt2(3.0, 1.0); k->setSkew(); k->setRel(0.5, 0.5);
        k.setStage(42000, -17000); k->storeAln(2); k->setSkew(); k->setRel(9.0, 9.0); k->moveToAln(2);
    }, {"1,65,0,42000", "2,65,0,-17000"});
    row("wheels and shutters", [](Panel &k) {
        k->moveFW(1, 3); k->moveFW(2, 3); k->moveFW(5, 3);
        k->moveFWboth(3, 7); k->moveFWboth(0x10005, 2); k->ctrlShutter(2, 1); k->ctrlShutter(3, 0);
    }, {"17,65,13,3", "27,65,13,3", "27,65,13,3", "17,65,15,458755", "17,65,15,131077",
        "17,83,258,6619137", "17,83,258,6684672"});
    // With identical alignment points only moves outside the skew frame go.
    row("identical alignment points", [](Panel &k) {
        k->setAlignPt1(2.0, 3.0); k->setAlignPt2(2.0, 3.0); k->setSkew();
        k->goXYLdPt(); k->moveToAln(1); k->setSkew(); k->setRel(1.0, 1.0); k->moveYTo(1.0);
    }, {"1,65,0,0", "2,65,0,0", "1,65,0,20000", "2,65,0,30000"}, "ALIGN POINTS IDENTICAL");

    row("XY with Y not a number, X not sent either",
        [](Panel &k) { k->moveXYTo(1.0, NaN); }, {}, TargetRefused);
    row("XY one step past the 32-bit range", [](Panel &k) { k->moveXYTo(214748.3648, 0.0); },
        {}, TargetRefused);
    row("focus and jog past the 32-bit range",
        [](Panel &k) { jogSteps(k, "INCR 1e12,1"); k->moveZTo(1e12); k->incX(true); }, {},
        TargetRefused);
    row("huge wheel and shutter numbers", [](Panel &k) {
        k->moveFWboth(1, std::numeric_limits<long>::max());
        k->ctrlShutter(std::numeric_limits<int>::max(), 1);
    }, {}, TargetRefused);
    // Travel limits are checked in stage coordinates, a jog from the polled position.
    row("XY past the X limit", [](Panel &k) { limitTravel(k); k->moveXYTo(10.5, 5); }, {},
        "X=10.5 ABOVE TRAVEL LIMIT 10");
    row("XY skewed onto the stage below Y 0", [](Panel &k) {
        limitTravel(k); k->setAlignPt1(5, 5); k->setAlignPt2(5, 15); k->setSkew(); k->moveXYTo(-6, 0);
    }, {}, "Y=-1 BELOW TRAVEL LIMIT 0");
    row("Z below the limit", [](Panel &k) { limitTravel(k); k->moveZTo(-0.5); }, {},
        "Z=-0.5 BELOW TRAVEL LIMIT 0");
    liveRow("X jog past the limit",
        [](Panel &k) { limitTravel(k); k.setStage(95000, 0); k->incX(true); }, {},
        "X=10.5 ABOVE TRAVEL LIMIT 10");
    row("home outside the travel", [](Panel &k) {
        Ptx::TravelLimits limits;
        limits.x.min = 1;
        k->setTravelLimits(limits);
        k->homeXY();
    }, {}, "X=0 BELOW TRAVEL LIMIT 1");
}

void TestMotion::commands()
{
    QFETCH(Action, action);
    QFETCH(QStringList, expected);
    QFETCH(QString, why);
    QFETCH(bool, live);
    std::optional<Panel> alone;
    Panel &panel = live ? livePanel() : alone.emplace(false);
    DiagCapture diag;
    QSignalSpy lines(&panel.kel, &KelInterface::addDispLine);
    action(panel);
    QCOMPARE(panel.queued(), expected);
    QVERIFY(why.isEmpty() ? !diag.contains(QStringLiteral("REFUSED")) : diag.contains(why));
    // A target no controller can take is only logged; the operator is told why a move is refused.
    const QString shown = lines.isEmpty() ? QString() : lines.last().at(0).toString();
    QVERIFY(why.isEmpty() || why == TargetRefused ? shown.isEmpty() : shown.contains(why));
}

void TestMotion::indexForms()
{
    Panel kel(false);
    kel->homeXY(); // entries 0 and 1, so that a wrong index cannot pass by chance
    int index[5] = {};
    kel->moveXYTo(1.0, 2.0, &index[0]); // the Y entry
    kel->moveZTo(1.0, &index[1]);
    kel->moveFW(1, 2, &index[2]);
    kel->moveFWboth(1, 2, &index[3]);
    kel->ctrlShutter(1, 1, &index[4]);
    QCOMPARE(QList<int>(index, index + 5), (QList<int>{3, 4, 5, 6, 7}));
    // Nothing queued, the index says so.
    kel->moveXYTo(NaN, 0.0, &index[0]);
    kel->moveZTo(NaN, &index[1]);
    kel->moveFW(1, 1L << 40, &index[2]);
    QCOMPARE(QList<int>(index, index + 3), QList<int>(3, Ptx::NotQueued));
}

void TestMotion::speeds()
{
    qint32 steps = 0;
    QVERIFY(Ptx::usableSpeed(2500.9, &steps) && steps == 2500);
    // Below one step per second the axis would stall.
    for (double refused : {0.9, 0.0, -5.0, NaN})
        QVERIFY2(!Ptx::usableSpeed(refused), qPrintable(QString::number(refused)));
}

void TestMotion::display_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QList<int>>("modes"); // each posModeChanged, the last is the mode reached
    QTest::addColumn<double>("fx");        // shown for the stage at (5, 7) mm
    QTest::addColumn<double>("fy");
    const auto row = [](const char *name, const Action &action, const QList<int> &modes, double fx, double fy) {
        QTest::newRow(name) << action << modes << fx << fy;
    };
    // P1 (2, 3) and P2 (2, 9) turn the specimen X axis along stage Y.
    const Action alongY = [](Panel &k) {
        k->setAlignPt1(2, 3); k->setAlignPt2(2, 9); k->setSkew();
    };

    row("setRel(x, y)", [](Panel &k) { k->setRel(1.0, -2.0); }, {1}, 4, 9);
    row("setRel takes the stage position, not the display", [](Panel &k) {
        k.setStage(30000, 40000); k->setRel(); k.setStage(50000, 40000); k->setRel();
    }, {1, 1}, 0, 3);
    row("setSkew ends relative", [=](Panel &k) { k->setRel(1.0, 1.0); alongY(k); }, {1, 2}, 4,
        -3);
    row("relative within skew", [=](Panel &k) { alongY(k); k->setRel(1.0, 1.0); }, {2, 3}, 3,
        -4);
    // At stage (2, 5) the specimen is at (2, 0).
    row("setRel in skew takes the specimen origin",
        [=](Panel &k) { alongY(k); k.setStage(20000, 50000); k->setRel(); }, {2, 3}, 2, -3);
    row("setNoSkew keeps relative",
        [=](Panel &k) { alongY(k); k->setRel(1.0, 1.0); k->setNoSkew(); }, {2, 3, 1}, 4, 6);
    row("setAbs from relative skew",
        [=](Panel &k) { alongY(k); k->setRel(4.0, 5.0); k->setAbs(); }, {2, 3, 0}, 5, 7);
}

void TestMotion::display()
{
    QFETCH(Action, action);
    QFETCH(QList<int>, modes);
    QFETCH(double, fx);
    QFETCH(double, fy);
    Panel &kel = livePanel();
    QSignalSpy modeSpy(&kel.kel, &KelInterface::posModeChanged);
    QSignalSpy xs(&kel.kel, &KelInterface::xPosChanged);
    QSignalSpy ys(&kel.kel, &KelInterface::yPosChanged);
    QSignalSpy zs(&kel.kel, &KelInterface::zPosChanged);
    action(kel);
    kel.setStage(50000, 70000, 1234);
    QList<int> emitted;
    for (const QList<QVariant> &args : modeSpy)
        emitted << args.at(0).toInt();
    QCOMPARE(emitted, modes);
    const int mode = modes.last();
    QCOMPARE((QList<bool>{kel->isAbs(), kel->isRel(), kel->isSkew()}),
             (QList<bool>{mode == 0, (mode & 1) != 0, (mode & 2) != 0}));
    const double shownX = xs.last().at(0).toDouble();
    const double shownY = ys.last().at(0).toDouble();
    QVERIFY2(std::fabs(shownX - fx) < 1e-6 && std::fabs(shownY - fy) < 1e-6,
             qPrintable(QStringLiteral("%1, %2").arg(shownX).arg(shownY)));
    // Focus is shown in microns and never relative or skewed.
    QCOMPARE(zs.last().at(0).toDouble(), 123.4);
}

void TestMotion::movesArriveAtTheController()
{
    Panel &rig = livePanel();
    KelInterface &kel = rig.kel;
    QSignalSpy xs(&kel, &KelInterface::xPosChanged);
    QSignalSpy wheel(&kel, &KelInterface::fw1PosChanged);
    kel.moveXYTo(1.5, -2.25);
    kel.moveFWboth(3, 7);
    kel.ctrlShutter(2, 1);
    // The polling cycle brings the arrived positions back to the display.
    QVERIFY(rig.tickUntil([&] {
        return rig.sim.axisTarget(Ptx::DevY) == -22500 && rig.sim.wheelPosition(2) == 7
               && rig.sim.shutterState(2) == 1 && !xs.isEmpty() && xs.last().at(0).toDouble() == 1.5
               && !wheel.isEmpty() && wheel.last().at(0).value<long>() == 3;
    }, 400));
}

QTEST_GUILESS_MAIN(TestMotion)
#include "tst_motion.moc"
