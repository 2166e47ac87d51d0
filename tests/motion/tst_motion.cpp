// Motion operations of KelInterface: the exact commands each one queues, the refusal of
// impossible targets, identical alignment points and the load-point settings.
#include "support/diagcapture.h"
#include "support/motionfixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>

using Action = std::function<void(MotionProbe &)>;
using IndexAction = std::function<void(MotionProbe &, int *)>;
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(IndexAction)

namespace {
constexpr long StepsPerMM = 10000; // the default resolution
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();
}

class TestMotion : public QObject, private MotionFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void queuedCommands_data();
    void queuedCommands();
    void indexForms_data();
    void indexForms();
    void fullRingPassesResultOn();
    void refused_data();
    void refused();
    void identicalAlignPoints_data();
    void identicalAlignPoints();
    void loadPointSetters_data();
    void loadPointSetters();
    void plainFieldsStayUnwritten();

private:
    QByteArray configBytes() const;
};

void TestMotion::init()
{
    QVERIFY(openProbe());
}

void TestMotion::cleanup()
{
    closeProbe();
}

QByteArray TestMotion::configBytes() const
{
    QFile f(QStringLiteral("config.xml"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestMotion::queuedCommands_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("moveXYTo truncates toward zero")
        << Action([](MotionProbe &k) { k.moveXYTo(1.23456789, -0.00005); })
        << QStringList{"1,65,0,12345", "2,65,0,0"};
    QTest::newRow("moveXYTo negative") << Action([](MotionProbe &k) { k.moveXYTo(-2.5, 3.0); })
                                       << QStringList{"1,65,0,-25000", "2,65,0,30000"};
    QTest::newRow("moveXYTo with an inverted X resolution")
        << Action([](MotionProbe &k) {
               k.setXYRes(-2000.0);
               k.moveXYTo(1.5, 2.0);
           })
        << QStringList{"1,65,0,-3000", "2,65,0,-4000"};
    QTest::newRow("relative move adds the origin")
        << Action([](MotionProbe &k) {
               k.setStage(3 * StepsPerMM, 4 * StepsPerMM);
               k.setRel();
               k.moveXYTo(1.0, 1.0);
           })
        << QStringList{"1,65,0,40000", "2,65,0,50000"};
    QTest::newRow("moveXTo keeps the displayed Y")
        << Action([](MotionProbe &k) {
               k.setStage(0, 2 * StepsPerMM);
               k.setRel(1.0, 2.0);
               k.moveXTo(0.5);
           })
        << QStringList{"1,65,0,15000", "2,65,0,20000"};
    QTest::newRow("moveYTo keeps the displayed X")
        << Action([](MotionProbe &k) {
               k.setStage(7 * StepsPerMM, 0);
               k.moveYTo(-1.0);
           })
        << QStringList{"1,65,0,70000", "2,65,0,-10000"};
    // Specimen X runs along stage Y: P1 (1, 1), P2 (1, 5).
    QTest::newRow("skew move")
        << Action([](MotionProbe &k) {
               k.setAlignPt1(1.0, 1.0);
               k.setAlignPt2(1.0, 5.0);
               k.setSkew();
               k.moveXYTo(2.0, 0.0);
           })
        << QStringList{"1,65,0,10000", "2,65,0,30000"};
    QTest::newRow("relative move within skew")
        << Action([](MotionProbe &k) {
               k.setAlignPt1(1.0, 1.0);
               k.setAlignPt2(1.0, 5.0);
               k.setSkew();
               k.setRel(2.0, 0.0);
               k.moveXYTo(0.0, 1.0);
           })
        << QStringList{"1,65,0,0", "2,65,0,30000"};
    // cos(3.1415926) is a little above -1: one step short after truncation.
    QTest::newRow("P2 left of P1 turns by the rounded half turn")
        << Action([](MotionProbe &k) {
               k.setAlignPt2(-3.0, 0.0);
               k.setSkew();
               k.moveXYTo(1.0, 0.0);
           })
        << QStringList{"1,65,0,-9999", "2,65,0,0"};
    QTest::newRow("moveZTo") << Action([](MotionProbe &k) { k.moveZTo(12.34); })
                             << QStringList{"3,65,0,123"};
    QTest::newRow("moveZTo ignores the modes")
        << Action([](MotionProbe &k) {
               k.setAlignPt2(0.0, 1.0);
               k.setSkew();
               k.setRel(5.0, 5.0);
               k.moveZTo(-7.0);
           })
        << QStringList{"3,65,0,-70"};
    QTest::newRow("incX forward") << Action([](MotionProbe &k) {
        k.xincr = 0.5;
        k.incX(true);
    }) << QStringList{"1,65,4,5000"};
    QTest::newRow("incX back keeps the distance positive") << Action([](MotionProbe &k) {
        k.xincr = 0.5;
        k.incX(false);
    }) << QStringList{"1,65,6,5000"};
    QTest::newRow("incY") << Action([](MotionProbe &k) {
        k.yincr = 0.25;
        k.incY(true);
        k.incY(false);
    }) << QStringList{"2,65,4,2500", "2,65,6,2500"};
    QTest::newRow("incZ") << Action([](MotionProbe &k) {
        k.zincr = 2.5;
        k.incZ(true);
        k.incZ(false);
    }) << QStringList{"3,65,4,25", "3,65,6,25"};
    QTest::newRow("jog of zero") << Action([](MotionProbe &k) {
        k.xincr = 0.0;
        k.incX(true);
    }) << QStringList{"1,65,4,0"};
    QTest::newRow("jogs ignore the modes") << Action([](MotionProbe &k) {
        k.setAlignPt2(0.0, 1.0);
        k.setSkew();
        k.setRel(5.0, 5.0);
        k.incX(true);
    }) << QStringList{"1,65,4,10000"};
    QTest::newRow("homeXY ignores the modes") << Action([](MotionProbe &k) {
        k.setAlignPt2(0.0, 1.0);
        k.setSkew();
        k.setRel(5.0, 5.0);
        k.homeXY();
    }) << QStringList{"1,65,0,0", "2,65,0,0"};
    QTest::newRow("goXYLdPt applies the mode of the moment")
        << Action([](MotionProbe &k) {
               k.loadptX = 1.5;
               k.loadptY = -2.0;
               k.setRel(1.0, 1.0);
               k.goXYLdPt();
           })
        << QStringList{"1,65,0,25000", "2,65,0,-10000"};
    QTest::newRow("goZLdPt") << Action([](MotionProbe &k) {
        k.loadptZ = 100.0;
        k.goZLdPt();
    }) << QStringList{"3,65,0,1000"};
    QTest::newRow("moveToAln goes absolute first")
        << Action([](MotionProbe &k) {
               k.setAlignPt2(2.0, 3.0);
               k.setRel(9.0, 9.0);
               k.moveToAln(2);
           })
        << QStringList{"1,65,0,20000", "2,65,0,30000"};
    QTest::newRow("moveFW wheel 1") << Action([](MotionProbe &k) { k.moveFW(1, 3); })
                                    << QStringList{"17,65,13,3"};
    QTest::newRow("moveFW wheel 2") << Action([](MotionProbe &k) { k.moveFW(2, 3); })
                                    << QStringList{"27,65,13,3"};
    QTest::newRow("moveFW any other wheel is wheel 2")
        << Action([](MotionProbe &k) { k.moveFW(5, 3); }) << QStringList{"27,65,13,3"};
    QTest::newRow("moveFW home") << Action([](MotionProbe &k) { k.moveFW(1, 72); })
                                 << QStringList{"17,65,13,72"};
    QTest::newRow("moveFWboth") << Action([](MotionProbe &k) { k.moveFWboth(3, 7); })
                                << QStringList{"17,65,15,458755"};
    QTest::newRow("moveFWboth masks wheel 1 to 16 bits")
        << Action([](MotionProbe &k) { k.moveFWboth(0x10005, 2); })
        << QStringList{"17,65,15,131077"};
    QTest::newRow("ctrlShutter open 2") << Action([](MotionProbe &k) { k.ctrlShutter(2, 1); })
                                        << QStringList{"17,83,258,6619137"};
    QTest::newRow("ctrlShutter close 3") << Action([](MotionProbe &k) { k.ctrlShutter(3, 0); })
                                         << QStringList{"17,83,258,6684672"};
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

    QTest::newRow("moveXYTo gives the Y entry")
        << IndexAction([](MotionProbe &k, int *i) { k.moveXYTo(1.0, 2.0, i); }) << 2;
    QTest::newRow("moveZTo") << IndexAction([](MotionProbe &k, int *i) { k.moveZTo(1.0, i); }) << 1;
    QTest::newRow("moveFW") << IndexAction([](MotionProbe &k, int *i) { k.moveFW(1, 2, i); }) << 1;
    QTest::newRow("moveFWboth")
        << IndexAction([](MotionProbe &k, int *i) { k.moveFWboth(1, 2, i); }) << 1;
    QTest::newRow("ctrlShutter")
        << IndexAction([](MotionProbe &k, int *i) { k.ctrlShutter(1, 1, i); }) << 1;
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

    QTest::newRow("XY nan") << IndexAction([](MotionProbe &k, int *i) { k.moveXYTo(NaN, 1.0, i); })
                            << true;
    QTest::newRow("XY Y infinite, X not sent either")
        << IndexAction([](MotionProbe &k, int *i) { k.moveXYTo(1.0, Inf, i); }) << true;
    QTest::newRow("XY 1e12 mm") << IndexAction([](MotionProbe &k, int *i) { k.moveXYTo(1e12, 0.0, i); })
                                << true;
    QTest::newRow("XY -1e12 mm on Y")
        << IndexAction([](MotionProbe &k, int *i) { k.moveXYTo(0.0, -1e12, i); }) << true;
    QTest::newRow("XY one step past the 32-bit range")
        << IndexAction([](MotionProbe &k, int *i) { k.moveXYTo(214748.3648, 0.0, i); }) << true;
    QTest::newRow("XY relative origin infinite")
        << IndexAction([](MotionProbe &k, int *i) {
               k.setRel(Inf, 0.0);
               k.moveXYTo(0.0, 0.0, i);
           })
        << true;
    QTest::newRow("XY load point nan") << IndexAction([](MotionProbe &k, int *) {
        k.loadptX = NaN;
        k.goXYLdPt();
    }) << false;
    QTest::newRow("Z nan") << IndexAction([](MotionProbe &k, int *i) { k.moveZTo(NaN, i); }) << true;
    QTest::newRow("Z -inf") << IndexAction([](MotionProbe &k, int *i) { k.moveZTo(-Inf, i); })
                            << true;
    QTest::newRow("Z 1e12 microns")
        << IndexAction([](MotionProbe &k, int *i) { k.moveZTo(1e12, i); }) << true;
    QTest::newRow("X jog infinite") << IndexAction([](MotionProbe &k, int *) {
        k.xincr = Inf;
        k.incX(true);
    }) << false;
    QTest::newRow("Y jog nan") << IndexAction([](MotionProbe &k, int *) {
        k.yincr = NaN;
        k.incY(false);
    }) << false;
    QTest::newRow("Z jog 1e12") << IndexAction([](MotionProbe &k, int *) {
        k.zincr = 1e12;
        k.incZ(true);
    }) << false;
    QTest::newRow("wheel position past 32 bits")
        << IndexAction([](MotionProbe &k, int *i) { k.moveFW(1, 1L << 40, i); }) << true;
    QTest::newRow("both wheels, wheel 2 past 15 bits")
        << IndexAction([](MotionProbe &k, int *i) { k.moveFWboth(1, 40000, i); }) << true;
    QTest::newRow("both wheels, huge wheel 2")
        << IndexAction([](MotionProbe &k, int *i) {
               k.moveFWboth(1, std::numeric_limits<long>::max(), i);
           })
        << true;
    QTest::newRow("shutter number past the word")
        << IndexAction([](MotionProbe &k, int *i) { k.ctrlShutter(40000, 1, i); }) << true;
    QTest::newRow("shutter number at the int limit")
        << IndexAction([](MotionProbe &k, int *i) {
               k.ctrlShutter(std::numeric_limits<int>::max(), 1, i);
           })
        << true;
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

void TestMotion::identicalAlignPoints_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    QTest::newRow("moveXYTo") << Action([](MotionProbe &k) { k.moveXYTo(1.0, 1.0); }) << none;
    QTest::newRow("moveXYTo index form") << Action([](MotionProbe &k) {
        int index = 0;
        k.moveXYTo(1.0, 1.0, &index);
        QCOMPARE(index, Ptx::NotQueued);
    }) << none;
    QTest::newRow("moveXTo") << Action([](MotionProbe &k) { k.moveXTo(1.0); }) << none;
    QTest::newRow("relative within skew") << Action([](MotionProbe &k) {
        k.setRel(1.0, 1.0);
        k.moveYTo(1.0);
    }) << none;
    QTest::newRow("goXYLdPt") << Action([](MotionProbe &k) { k.goXYLdPt(); }) << none;
    // Moves that do not go through the skew frame still work.
    QTest::newRow("focus still moves") << Action([](MotionProbe &k) { k.moveZTo(1.0); })
                                       << QStringList{"3,65,0,10"};
    QTest::newRow("homeXY still moves") << Action([](MotionProbe &k) { k.homeXY(); })
                                        << QStringList{"1,65,0,0", "2,65,0,0"};
    QTest::newRow("moveToAln leaves skew and moves")
        << Action([](MotionProbe &k) { k.moveToAln(1); })
        << QStringList{"1,65,0,20000", "2,65,0,30000"};
}

void TestMotion::identicalAlignPoints()
{
    QFETCH(Action, action);
    QFETCH(QStringList, expected);
    kel->setAlignPt1(2.0, 3.0);
    kel->setAlignPt2(2.0, 3.0);
    kel->setSkew();
    QSignalSpy lines(kel.get(), &KelInterface::addDispLine);
    DiagCapture diag;
    action(*kel);
    QCOMPARE(kel->queued(), expected);
    const bool refused = expected.isEmpty();
    QCOMPARE(lines.count(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(lines.at(0).at(0).toString(), QStringLiteral("ALIGN POINTS IDENTICAL"));
        QVERIFY(diag.contains(QStringLiteral("ALIGN POINTS IDENTICAL")));
    }
}

void TestMotion::loadPointSetters_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("setXYLdPt stores the relative display")
        << Action([](MotionProbe &k) {
               k.setStage(123456, -40000);
               k.setRel(0.0, 1.0);
               k.setXYLdPt();
               QCOMPARE(k.loadptX, 12.3456);
               QCOMPARE(k.loadptY, -5.0);
           })
        << QByteArray("<loadptX>12.3456</loadptX>\n        <loadptY>-5</loadptY>");
    QTest::newRow("setXYLdPt writes six digits")
        << Action([](MotionProbe &k) {
               k.setXYRes(1.0);
               k.setStage(12, 0);
               k.setRel(-0.345678, 0.0);
               k.setXYLdPt();
           })
        << QByteArray("<loadptX>12.3457</loadptX>");
    QTest::newRow("setZLdPt") << Action([](MotionProbe &k) {
        k.setStage(0, 0, 4567);
        k.setZLdPt();
        QCOMPARE(k.loadptZ, 456.7);
    }) << QByteArray("<loadptZ>456.7</loadptZ>");
    QTest::newRow("setXYLdPtEnable") << Action([](MotionProbe &k) {
        QSignalSpy spy(&k, &KelInterface::loadPtXYEnableChanged);
        k.setXYLdPtEnable(true);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QVERIFY(k.getXYLdPtEnable());
    }) << QByteArray("<loadptxyenable>true</loadptxyenable>");
    QTest::newRow("setZLdPtEnable") << Action([](MotionProbe &k) {
        k.setZLdPtEnable(true);
        QSignalSpy spy(&k, &KelInterface::loadPtZEnableChanged);
        k.setZLdPtEnable(false);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QVERIFY(!k.getZLdPtEnable());
    }) << QByteArray("<loadptzenable>false</loadptzenable>");
}

void TestMotion::loadPointSetters()
{
    QFETCH(Action, action);
    QFETCH(QByteArray, written);
    QFile::remove(QStringLiteral("config.xml"));
    action(*kel);
    const QByteArray bytes = configBytes();
    QVERIFY2(bytes.contains(written), bytes.constData());
    QVERIFY(kel->queued().isEmpty());
}

void TestMotion::plainFieldsStayUnwritten()
{
    // Moves, modes and jogs change nothing in the settings file.
    const QByteArray before = configBytes();
    kel->setStage(50000, 60000, 700);
    kel->setRel();
    kel->moveXYTo(1.0, 1.0);
    kel->incZ(true);
    kel->setAbs();
    QCOMPARE(configBytes(), before);
}

QTEST_GUILESS_MAIN(TestMotion)
#include "tst_motion.moc"
