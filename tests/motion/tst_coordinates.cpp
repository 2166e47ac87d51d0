// Coordinate modes of KelInterface: mode changes, their signals and the position display.
#include "support/motionfixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <functional>

using Action = std::function<void(MotionProbe &)>;
Q_DECLARE_METATYPE(Action)

namespace {
constexpr long StepsPerMM = 10000; // the default resolution
constexpr long FirstWheelModule = 17;
}

class TestCoordinates : public QObject, private MotionFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modes_data();
    void modes();
    void display_data();
    void display();
    void setRelTakesOriginFromDisplay();
    void setRelInSkewUsesSpecimenOrigin();
    void setRelFalseUpdatesOriginOnly();
    void setNoSkewWaitsForNextReply();
    void storeAln_data();
    void storeAln();
    void storeAlnIgnoresOtherPoints();
    void wheelSignalsNeedModule17_data();
    void wheelSignalsNeedModule17();
};

void TestCoordinates::init()
{
    QVERIFY(openProbe());
}

void TestCoordinates::cleanup()
{
    closeProbe();
}

void TestCoordinates::modes_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("emitted");

    QTest::newRow("start absolute") << Action([](MotionProbe &) {}) << 0 << QList<int>{};
    QTest::newRow("setRel") << Action([](MotionProbe &k) { k.setRel(); }) << 1 << QList<int>{1};
    QTest::newRow("setRel(true)") << Action([](MotionProbe &k) { k.setRel(true); }) << 1
                                  << QList<int>{1};
    QTest::newRow("setRel(false)") << Action([](MotionProbe &k) { k.setRel(false); }) << 0
                                   << QList<int>{0};
    QTest::newRow("setRel(x, y)") << Action([](MotionProbe &k) { k.setRel(1.0, 2.0); }) << 1
                                  << QList<int>{1};
    QTest::newRow("setSkew") << Action([](MotionProbe &k) { k.setSkew(); }) << 2 << QList<int>{2};
    QTest::newRow("setRel in skew") << Action([](MotionProbe &k) {
        k.setSkew();
        k.setRel();
    }) << 3 << QList<int>{2, 3};
    QTest::newRow("setSkew ends relative") << Action([](MotionProbe &k) {
        k.setRel();
        k.setSkew();
    }) << 2 << QList<int>{1, 2};
    QTest::newRow("setNoSkew keeps relative") << Action([](MotionProbe &k) {
        k.setSkew();
        k.setRel();
        k.setNoSkew();
    }) << 1 << QList<int>{2, 3, 1};
    QTest::newRow("setAbs from relative skew") << Action([](MotionProbe &k) {
        k.setSkew();
        k.setRel(4.0, 5.0);
        k.setAbs();
    }) << 0 << QList<int>{2, 3, 0};
    QTest::newRow("storeAln leaves absolute") << Action([](MotionProbe &k) {
        k.setSkew();
        k.setRel();
        k.storeAln(2);
    }) << 0 << QList<int>{2, 3, 0};
    QTest::newRow("moveToAln leaves absolute") << Action([](MotionProbe &k) {
        k.setRel();
        k.moveToAln(1);
    }) << 0 << QList<int>{1, 0};
}

void TestCoordinates::modes()
{
    QFETCH(Action, action);
    QFETCH(int, mode);
    QFETCH(QList<int>, emitted);
    QSignalSpy spy(kel.get(), &KelInterface::posModeChanged);
    action(*kel);
    QCOMPARE(kel->posMode(), mode);
    QCOMPARE(kel->isAbs(), mode == 0);
    QCOMPARE(kel->isRel(), (mode & 1) != 0);
    QCOMPARE(kel->isSkew(), (mode & 2) != 0);
    QList<int> got;
    for (const QList<QVariant> &args : spy)
        got << args.at(0).toInt();
    QCOMPARE(got, emitted);
}

void TestCoordinates::display_data()
{
    QTest::addColumn<Action>("mode");
    QTest::addColumn<double>("fx");
    QTest::addColumn<double>("fy");

    // Stage at (5, 7) mm, focus at 1234 steps; points P1 (2, 3) and P2 (2, 9) make the
    // specimen X axis point along the stage Y axis.
    const Action aligned = [](MotionProbe &k) {
        k.setAlignPt1(2.0, 3.0);
        k.setAlignPt2(2.0, 9.0);
    };
    QTest::newRow("absolute") << Action([](MotionProbe &) {}) << 5.0 << 7.0;
    QTest::newRow("relative") << Action([](MotionProbe &k) { k.setRel(1.0, -2.0); }) << 4.0 << 9.0;
    QTest::newRow("skew") << Action([aligned](MotionProbe &k) {
        aligned(k);
        k.setSkew();
    }) << 4.0 << -3.0;
    QTest::newRow("relative within skew") << Action([aligned](MotionProbe &k) {
        aligned(k);
        k.setSkew();
        k.setRel(1.0, 1.0);
    }) << 3.0 << -4.0;
    QTest::newRow("skew with identical points shows a shift only") << Action([](MotionProbe &k) {
        k.setAlignPt1(2.0, 3.0);
        k.setAlignPt2(2.0, 3.0);
        k.setSkew();
    }) << 3.0 << 4.0;
}

void TestCoordinates::display()
{
    QFETCH(Action, mode);
    QFETCH(double, fx);
    QFETCH(double, fy);
    mode(*kel);
    QSignalSpy xs(kel.get(), &KelInterface::xPosChanged);
    QSignalSpy ys(kel.get(), &KelInterface::yPosChanged);
    QSignalSpy zs(kel.get(), &KelInterface::zPosChanged);
    kel->setStage(5 * StepsPerMM, 7 * StepsPerMM, 1234);
    QCOMPARE(xs.count(), 1);
    QVERIFY2(std::fabs(xs.at(0).at(0).toDouble() - fx) < 1e-9, qPrintable(QString::number(kel->fxpos)));
    QVERIFY2(std::fabs(ys.at(0).at(0).toDouble() - fy) < 1e-9, qPrintable(QString::number(kel->fypos)));
    // Focus is shown in microns and never relative or skewed.
    QCOMPARE(zs.at(0).at(0).toDouble(), 1234 * 0.1);
}

void TestCoordinates::setRelTakesOriginFromDisplay()
{
    kel->setStage(3 * StepsPerMM, 4 * StepsPerMM);
    QSignalSpy xs(kel.get(), &KelInterface::xPosChanged);
    kel->setRel();
    QCOMPARE(kel->relx, 3.0);
    QCOMPARE(kel->rely, 4.0);
    QCOMPARE(kel->fxpos, 0.0);
    QCOMPARE(kel->fypos, 0.0);
    QCOMPARE(xs.last().at(0).toDouble(), 0.0);
    // A second setRel takes the stage position again, not the relative display.
    kel->setStage(5 * StepsPerMM, 4 * StepsPerMM);
    kel->setRel();
    QCOMPARE(kel->relx, 5.0);
    QCOMPARE(kel->fxpos, 0.0);
}

void TestCoordinates::setRelInSkewUsesSpecimenOrigin()
{
    kel->setAlignPt1(1.0, 1.0);
    kel->setAlignPt2(1.0, 5.0);
    kel->setSkew();
    kel->setStage(1 * StepsPerMM, 3 * StepsPerMM); // specimen (2, 0)
    kel->setRel();
    QVERIFY(std::fabs(kel->relx - 2.0) < 1e-9);
    QVERIFY(std::fabs(kel->rely) < 1e-9);
    QCOMPARE(kel->posMode(), 3);
}

void TestCoordinates::setRelFalseUpdatesOriginOnly()
{
    kel->setRel(10.0, 10.0);
    kel->setStage(6 * StepsPerMM, 8 * StepsPerMM);
    kel->setRel(false);
    QVERIFY(!kel->isRel());
    QCOMPARE(kel->relx, 6.0);
    QCOMPARE(kel->rely, 8.0);
    QCOMPARE(kel->fxpos, 6.0);
}

void TestCoordinates::setNoSkewWaitsForNextReply()
{
    kel->setAlignPt1(0.0, 0.0);
    kel->setAlignPt2(0.0, 1.0);
    kel->setSkew();
    kel->setStage(2 * StepsPerMM, 0);
    QSignalSpy modes(kel.get(), &KelInterface::posModeChanged);
    QSignalSpy xs(kel.get(), &KelInterface::xPosChanged);
    kel->setNoSkew();
    QCOMPARE(modes.count(), 1);
    QCOMPARE(modes.at(0).at(0).toInt(), 0);
    QCOMPARE(xs.count(), 0);
    kel->updatePosition();
    QCOMPARE(xs.count(), 1);
    QCOMPARE(xs.at(0).at(0).toDouble(), 2.0);
}

void TestCoordinates::storeAln_data()
{
    QTest::addColumn<int>("point");
    QTest::newRow("first") << 1;
    QTest::newRow("second") << 2;
}

void TestCoordinates::storeAln()
{
    QFETCH(int, point);
    // Stored in stage coordinates even when taught from a relative skew display.
    kel->setAlignPt1(1.0, 1.0);
    kel->setAlignPt2(3.0, 1.0);
    kel->setSkew();
    kel->setRel(0.5, 0.5);
    kel->setStage(42000, -17000);
    kel->storeAln(point);
    const double x = point == 1 ? kel->AlnPoint1x : kel->AlnPoint2x;
    const double y = point == 1 ? kel->AlnPoint1y : kel->AlnPoint2y;
    QCOMPARE(x, 4.2);
    QCOMPARE(y, -1.7);
    QCOMPARE(kel->relx, 0.0);
}

void TestCoordinates::storeAlnIgnoresOtherPoints()
{
    kel->setRel(1.0, 1.0);
    QSignalSpy modes(kel.get(), &KelInterface::posModeChanged);
    kel->storeAln(0);
    kel->storeAln(3);
    kel->moveToAln(-1);
    QCOMPARE(modes.count(), 0);
    QVERIFY(kel->isRel());
    QVERIFY(kel->queued().isEmpty());
}

void TestCoordinates::wheelSignalsNeedModule17_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("module 17 present") << true;
    QTest::newRow("module 17 absent") << false;
}

void TestCoordinates::wheelSignalsNeedModule17()
{
    QFETCH(bool, present);
    kel->modulespresent = present ? (1u << FirstWheelModule) : 0u;
    kel->fw1CurPos = 4;
    kel->fw2CurPos = 9;
    QSignalSpy fw1(kel.get(), &KelInterface::fw1PosChanged);
    QSignalSpy fw2(kel.get(), &KelInterface::fw2PosChanged);
    kel->updatePosition();
    QCOMPARE(fw1.count(), present ? 1 : 0);
    QCOMPARE(fw2.count(), present ? 1 : 0);
    if (present) {
        QCOMPARE(fw1.at(0).at(0).value<long>(), 4L);
        QCOMPARE(fw2.at(0).at(0).value<long>(), 9L);
    }
}

QTEST_GUILESS_MAIN(TestCoordinates)
#include "tst_coordinates.moc"
