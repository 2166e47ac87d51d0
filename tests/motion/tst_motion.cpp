// Motion operations of KelInterface: the exact commands each one queues, the refusal of
// impossible targets, identical alignment points, the load-point settings, and moves arriving
// at the simulated controller.
#include "controller/simrig.h"
#include "support/diagcapture.h"
#include "support/motionfixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

using IndexAction = std::function<void(MotionProbe &, int *)>;
Q_DECLARE_METATYPE(IndexAction)

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
constexpr long HugeLong = std::numeric_limits<long>::max();
constexpr int HugeInt = std::numeric_limits<int>::max();
constexpr int MaxTicks = 400;
const QString Identical = QStringLiteral("ALIGN POINTS IDENTICAL");
}

class TestMotion : public QObject, private MotionFixture
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openProbe()); }
    void cleanup() { closeProbe(); }

    void queuedCommands_data();
    void queuedCommands();
    void indexForms_data();
    void indexForms();
    void fullRingPassesResultOn();
    void refused_data();
    void refused();
    void identicalAlignPoints();
    void loadPointSetters_data();
    void loadPointSetters();
    void movesArriveAtTheController();
};

void TestMotion::queuedCommands_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("expected"); // "dev,cmd,index,data", oldest first
    const auto row = [](const char *name, const Action &action, const QStringList &expected) {
        QTest::newRow(name) << action << expected;
    };

    row("moveXYTo truncates toward zero", [](MotionProbe &k) { k.moveXYTo(1.23456789, -0.00005); },
        {"1,65,0,12345", "2,65,0,0"});
    row("relative move adds the origin",
        [](MotionProbe &k) { k.setStage(30000, 40000); k.setRel(); k.moveXYTo(1.0, 1.0); },
        {"1,65,0,40000", "2,65,0,50000"});
    row("relative moveXTo keeps the displayed Y",
        [](MotionProbe &k) { k.setStage(0, 20000); k.setRel(1.0, 2.0); k.moveXTo(0.5); },
        {"1,65,0,15000", "2,65,0,20000"});
    row("moveYTo keeps the displayed X",
        [](MotionProbe &k) { k.setStage(70000, 0); k.moveYTo(-1.0); },
        {"1,65,0,70000", "2,65,0,-10000"});
    // Specimen X runs along stage Y: P1 (1, 1), P2 (1, 5); the origin is at specimen (2, 0).
    row("relative move within skew", [](MotionProbe &k) {
        k.setAlignPt1(1.0, 1.0); k.setAlignPt2(1.0, 5.0); k.setSkew(); k.setRel(2.0, 0.0);
        k.moveXYTo(0.0, 1.0);
    }, {"1,65,0,0", "2,65,0,30000"});
    // cos(3.1415926) is a little above -1: one step short after truncation.
    row("P2 left of P1 turns by the rounded half turn",
        [](MotionProbe &k) { k.setAlignPt2(-3.0, 0.0); k.setSkew(); k.moveXYTo(1.0, 0.0); },
        {"1,65,0,-9999", "2,65,0,0"});
    row("moveZTo", [](MotionProbe &k) { k.moveZTo(12.34); }, {"3,65,0,123"});
    row("focus, jogs and home ignore the modes", [](MotionProbe &k) {
        k.setAlignPt2(0.0, 1.0); k.setSkew(); k.setRel(5.0, 5.0);
        k.moveZTo(-7.0); k.incX(true); k.homeXY();
    }, {"3,65,0,-70", "1,65,4,10000", "1,65,0,0", "2,65,0,0"});
    row("jogs send a positive distance", [](MotionProbe &k) {
        k.xincr = 0.5; k.yincr = 0.25; k.zincr = 2.5;
        k.incX(true); k.incX(false); k.incY(false); k.incZ(true);
    }, {"1,65,4,5000", "1,65,6,5000", "2,65,6,2500", "3,65,4,25"});
    row("load points are stage positions in any mode", [](MotionProbe &k) {
        k.loadptX = 1.5; k.loadptY = -2.0; k.loadptZ = 100.0;
        k.setRel(1.0, 1.0); k.goXYLdPt(); k.goZLdPt();
    }, {"1,65,0,15000", "2,65,0,-20000", "3,65,0,1000"});
    row("moveToAln goes absolute first",
        [](MotionProbe &k) { k.setAlignPt2(2.0, 3.0); k.setRel(9.0, 9.0); k.moveToAln(2); },
        {"1,65,0,20000", "2,65,0,30000"});
    row("storeAln keeps the stage position of a relative skew display", [](MotionProbe &k) {
        k.setAlignPt1(1.0, 1.0); k.setAlignPt2(3.0, 1.0); k.setSkew(); k.setRel(0.5, 0.5);
        k.setStage(42000, -17000); k.storeAln(1); k.setRel(); k.moveToAln(1);
    }, {"1,65,0,42000", "2,65,0,-17000"});
    row("moveFW: wheel 1, any other is wheel 2",
        [](MotionProbe &k) { k.moveFW(1, 3); k.moveFW(2, 3); k.moveFW(5, 3); },
        {"17,65,13,3", "27,65,13,3", "27,65,13,3"});
    row("moveFWboth masks wheel 1 to 16 bits",
        [](MotionProbe &k) { k.moveFWboth(3, 7); k.moveFWboth(0x10005, 2); },
        {"17,65,15,458755", "17,65,15,131077"});
    row("ctrlShutter", [](MotionProbe &k) { k.ctrlShutter(2, 1); k.ctrlShutter(3, 0); },
        {"17,83,258,6619137", "17,83,258,6684672"});
}

void TestMotion::queuedCommands()
{
    QFETCH(Action, action);
    QFETCH(QStringList, expected);
    action(*kel);
    QCOMPARE(kel->queued(), expected);
    QVERIFY(kel->noneAwaitsReply());
}

void TestMotion::indexForms_data()
{
    QTest::addColumn<IndexAction>("action");
    QTest::addColumn<int>("commands");
    const auto row = [](const char *name, const IndexAction &action, int commands) {
        QTest::newRow(name) << action << commands;
    };

    row("moveXYTo gives the Y entry", [](MotionProbe &k, int *i) { k.moveXYTo(1.0, 2.0, i); }, 2);
    row("moveZTo", [](MotionProbe &k, int *i) { k.moveZTo(1.0, i); }, 1);
    row("moveFW", [](MotionProbe &k, int *i) { k.moveFW(1, 2, i); }, 1);
    row("moveFWboth", [](MotionProbe &k, int *i) { k.moveFWboth(1, 2, i); }, 1);
    row("ctrlShutter", [](MotionProbe &k, int *i) { k.ctrlShutter(1, 1, i); }, 1);
}

void TestMotion::indexForms()
{
    QFETCH(IndexAction, action);
    QFETCH(int, commands);
    // Start away from entry 0 so that a wrong index cannot pass by chance.
    for (int i = 0; i < 3; ++i)
        kel->homeXY();
    const unsigned int before = kel->cmdBufHead;
    int index = -100;
    action(*kel, &index);
    QCOMPARE(kel->cmdBufHead, before + commands);
    QCOMPARE(index, static_cast<int>(kel->cmdBufHead) - 1);
    QVERIFY(!kel->commandBuffer[index].done);
}

void TestMotion::fullRingPassesResultOn()
{
    for (int i = 0; i < Ptx::CmdBufSize - 1; ++i)
        QVERIFY(kel->addCommand(Ptx::DevController, Ptx::CmdRead, Ptx::IdxBusyMask, 0, true) >= 0);
    int index = 0;
    kel->moveZTo(1.0, &index);
    QCOMPARE(index, -2);
    kel->moveXYTo(1.0, 1.0, &index);
    QCOMPARE(index, -2);
}

void TestMotion::refused_data()
{
    QTest::addColumn<IndexAction>("action");
    QTest::addColumn<bool>("hasIndex");
    const auto row = [](const char *name, const IndexAction &action, bool hasIndex = true) {
        QTest::newRow(name) << action << hasIndex;
    };

    row("XY nan", [](MotionProbe &k, int *i) { k.moveXYTo(NaN, 1.0, i); });
    row("XY Y infinite, X not sent either",
        [](MotionProbe &k, int *i) { k.moveXYTo(1.0, Inf, i); });
    row("XY 1e12 mm", [](MotionProbe &k, int *i) { k.moveXYTo(1e12, 0.0, i); });
    row("XY one step past the 32-bit range",
        [](MotionProbe &k, int *i) { k.moveXYTo(214748.3648, 0.0, i); });
    row("XY relative origin infinite",
        [](MotionProbe &k, int *i) { k.setRel(Inf, 0.0); k.moveXYTo(0.0, 0.0, i); });
    row("XY load point nan", [](MotionProbe &k, int *) { k.loadptX = NaN; k.goXYLdPt(); }, false);
    row("Z nan", [](MotionProbe &k, int *i) { k.moveZTo(NaN, i); });
    row("Z 1e12 microns", [](MotionProbe &k, int *i) { k.moveZTo(1e12, i); });
    row("X jog infinite", [](MotionProbe &k, int *) { k.xincr = Inf; k.incX(true); }, false);
    // Travel limits X 0..10 mm, Y 0..10 mm, Z 0..100 microns, checked in stage coordinates.
    const auto limited = [](MotionProbe &k) {
        Ptx::TravelLimits limits;
        limits.x = limits.y = Ptx::AxisRange{0.0, 10.0};
        limits.z = Ptx::AxisRange{0.0, 100.0};
        k.setTravelLimits(limits);
    };
    row("XY past the X limit", [limited](MotionProbe &k, int *i) { limited(k); k.moveXYTo(10.5, 5, i); });
    row("XY relative, past the Y limit",
        [limited](MotionProbe &k, int *i) { limited(k); k.setRel(0.0, 8.0); k.moveXYTo(0, 3, i); });
    row("XY skewed onto the stage below Y 0", [limited](MotionProbe &k, int *i) {
        limited(k);
        k.setAlignPt1(5, 5);
        k.setAlignPt2(5, 15);   // specimen X runs along stage Y
        k.setSkew();
        k.moveXYTo(-6, 0, i);
    });
    row("Z below the limit", [limited](MotionProbe &k, int *i) { limited(k); k.moveZTo(-0.5, i); });
    row("X jog past the limit",
        [limited](MotionProbe &k, int *) { limited(k); k.xpos = 95000; k.incX(true); }, false);
    row("home outside the travel", [](MotionProbe &k, int *) {
        Ptx::TravelLimits limits;
        limits.x.min = 1;
        k.setTravelLimits(limits);
        k.homeXY();
    }, false);
    row("wheel position past 32 bits", [](MotionProbe &k, int *i) { k.moveFW(1, 1L << 40, i); });
    row("both wheels, huge wheel 2", [](MotionProbe &k, int *i) { k.moveFWboth(1, HugeLong, i); });
    row("shutter number at the int limit",
        [](MotionProbe &k, int *i) { k.ctrlShutter(HugeInt, 1, i); });
}

void TestMotion::refused()
{
    QFETCH(IndexAction, action);
    QFETCH(bool, hasIndex);
    DiagCapture diag;
    int index = 1234;
    action(*kel, &index);
    QCOMPARE(kel->queued(), QStringList());
    QVERIFY(diag.contains(QStringLiteral("REFUSED")));
    if (hasIndex)
        QCOMPARE(index, Ptx::NotQueued);
}

void TestMotion::identicalAlignPoints()
{
    kel->setAlignPt1(2.0, 3.0);
    kel->setAlignPt2(2.0, 3.0);
    kel->setSkew();
    QSignalSpy lines(kel.get(), &KelInterface::addDispLine);
    DiagCapture diag;
    int index = 0;
    kel->moveXYTo(1.0, 1.0, &index);
    QCOMPARE(index, Ptx::NotQueued);
    kel->moveXTo(1.0);
    kel->setRel(1.0, 1.0);
    kel->moveYTo(1.0);
    QCOMPARE(kel->queued(), QStringList());
    QCOMPARE(lines.count(), 3);
    for (const QList<QVariant> &line : lines)
        QCOMPARE(line.at(0).toString(), Identical);
    QVERIFY(diag.contains(Identical));

    // Moves that do not go through the skew frame still work; moveToAln leaves skew first.
    kel->moveZTo(1.0);
    kel->homeXY();
    kel->goXYLdPt();
    kel->moveToAln(1);
    QCOMPARE(kel->queued(), (QStringList{"3,65,0,10", "1,65,0,0", "2,65,0,0", "1,65,0,0",
                                         "2,65,0,0", "1,65,0,20000", "2,65,0,30000"}));
    QCOMPARE(lines.count(), 3);
}

void TestMotion::loadPointSetters_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QByteArray>("written");
    const auto row = [](const char *name, const Action &action, const QByteArray &written) {
        QTest::newRow(name) << action << written;
    };

    row("setXYLdPt stores the stage position, not the relative display",
        [](MotionProbe &k) { k.setStage(123456, -40000); k.setRel(0.0, 1.0); k.setXYLdPt(); },
        "<loadptX>12.3456</loadptX>\n        <loadptY>-4</loadptY>");
    row("setZLdPt", [](MotionProbe &k) { k.setStage(0, 0, 4567); k.setZLdPt(); },
        "<loadptZ>456.7</loadptZ>");
    row("setXYLdPtEnable", [](MotionProbe &k) { k.setXYLdPtEnable(true); },
        "<loadptxyenable>true</loadptxyenable>");
    row("setZLdPtEnable", [](MotionProbe &k) { k.setZLdPtEnable(true); },
        "<loadptzenable>true</loadptzenable>");
}

void TestMotion::loadPointSetters()
{
    QFETCH(Action, action);
    QFETCH(QByteArray, written);
    QFile::remove(QStringLiteral("config.xml"));
    action(*kel);
    const QByteArray bytes = readFile();
    QVERIFY2(bytes.contains(written), bytes.constData());
    QVERIFY(kel->queued().isEmpty());
}

void TestMotion::movesArriveAtTheController()
{
    SimRig rig;
    QVERIFY(rig.startUp());
    QSignalSpy xs(&rig.probe, &KelInterface::xPosChanged);
    QSignalSpy ys(&rig.probe, &KelInterface::yPosChanged);
    rig.probe.moveXYTo(1.5, -2.25);
    rig.probe.moveFWboth(3, 7);
    rig.probe.ctrlShutter(2, 1);
    QVERIFY(rig.tickUntil([&] {
        return rig.sim.axisTarget(Ptx::DevX) == 15000 && rig.sim.axisTarget(Ptx::DevY) == -22500
               && rig.sim.wheelPosition(1) == 3 && rig.sim.wheelPosition(2) == 7
               && rig.sim.shutterState(2) == 1;
    }, MaxTicks));
    // The polling cycle brings the arrived position back to the display.
    QVERIFY(rig.tickUntil([&] {
        return !xs.isEmpty() && xs.last().at(0).toDouble() == 1.5 && !ys.isEmpty()
               && ys.last().at(0).toDouble() == -2.25;
    }, MaxTicks));
}

QTEST_GUILESS_MAIN(TestMotion)
#include "tst_motion.moc"
