// Coordinate modes of KelInterface: the stage/specimen conversion, mode changes with their
// signals, and the position display in each mode.
#include "motion/skewtransform.h"
#include "support/motionfixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {
constexpr long StepsPerMM = 10000; // the default resolution
constexpr long FirstWheelModule = 17;
// The rounded half turn leaves an error of a few 1e-8 mm over these distances.
constexpr double Tolerance = 1e-6;

bool near(double a, double b)
{
    return std::fabs(a - b) < Tolerance;
}
} // namespace

class TestCoordinates : public QObject, private MotionFixture
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openProbe()); }
    void cleanup() { closeProbe(); }

    void skewTransform_data();
    void skewTransform();
    void modes_data();
    void modes();
    void display_data();
    void display();
    void setNoSkewWaitsForNextReply();
    void wheelSignalsNeedModule17();
};

void TestCoordinates::skewTransform_data()
{
    QTest::addColumn<QList<double>>("points"); // P1 x, y, P2 x, y
    QTest::addColumn<double>("angle");
    QTest::addColumn<QList<double>>("stageToSpecimen"); // stage x, y, specimen x, y
    const auto row = [](const char *name, const QList<double> &points, double angle,
                        const QList<double> &stageToSpecimen) {
        QTest::newRow(name) << points << angle << stageToSpecimen;
    };

    const double r2 = std::sqrt(2.0);
    const double q = std::atan(1.0);
    row("identity", {0, 0, 10, 0}, 0.0, {3.25, -7.5, 3.25, -7.5});
    row("45 degrees", {1, 1, 4, 4}, q, {1 + r2, 1, 1, -1});
    // Left of point 1 the specimen X axis still points from P1 to P2, via the rounded turn.
    row("P2 left of P1", {5, 0, 2, 0}, Ptx::SkewHalfTurn, {3, 1, 2, -1});
    row("P2 left and below", {2, 2, 1, 1}, q + Ptx::SkewHalfTurn, {0, 0, 2 * r2, 0});
    row("vertical chord up", {0, 0, 0, 2}, M_PI / 2, {1, 3, 3, -1});
    row("vertical chord down", {1, 1, 1, -4}, -M_PI / 2, {1, -2, 3, 0});
    row("vertical chord at minus zero", {0, 0, -0.0, 4}, M_PI / 2, {0, 1, 1, 0});
    row("coincident points shift by P1", {2, 3, 2, 3}, 0.0, {5, 7, 3, 4});
}

void TestCoordinates::skewTransform()
{
    QFETCH(QList<double>, points);
    QFETCH(double, angle);
    QFETCH(QList<double>, stageToSpecimen);
    const Ptx::SkewTransform t(points[0], points[1], points[2], points[3]);
    QVERIFY2(near(t.angle(), angle), qPrintable(QString::number(t.angle(), 'g', 17)));
    QCOMPARE(t.coincident(), points[0] == points[2] && points[1] == points[3]);
    double x = 0;
    double y = 0;
    t.toSpecimen(stageToSpecimen[0], stageToSpecimen[1], &x, &y);
    QVERIFY2(near(x, stageToSpecimen[2]) && near(y, stageToSpecimen[3]),
             qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
    t.toStage(x, y, &x, &y);
    QVERIFY(near(x, stageToSpecimen[0]) && near(y, stageToSpecimen[1]));
}

void TestCoordinates::modes_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QList<int>>("emitted"); // the last is the mode reached
    const auto row = [](const char *name, const Action &action, const QList<int> &emitted) {
        QTest::newRow(name) << action << emitted;
    };

    row("setRel", [](MotionProbe &k) { k.setRel(); }, {1});
    row("setRel(true)", [](MotionProbe &k) { k.setRel(true); }, {1});
    row("setRel(false)", [](MotionProbe &k) { k.setRel(false); }, {0});
    row("setRel(x, y)", [](MotionProbe &k) { k.setRel(1.0, 2.0); }, {1});
    row("setRel in skew", [](MotionProbe &k) { k.setSkew(); k.setRel(); }, {2, 3});
    row("setSkew ends relative", [](MotionProbe &k) { k.setRel(); k.setSkew(); }, {1, 2});
    row("setNoSkew keeps relative", [](MotionProbe &k) { k.setSkew(); k.setRel(); k.setNoSkew(); },
        {2, 3, 1});
    row("setAbs from relative skew",
        [](MotionProbe &k) { k.setSkew(); k.setRel(4.0, 5.0); k.setAbs(); }, {2, 3, 0});
    row("storeAln leaves for absolute",
        [](MotionProbe &k) { k.setSkew(); k.setRel(); k.storeAln(2); }, {2, 3, 0});
    row("moveToAln leaves for absolute", [](MotionProbe &k) { k.setRel(); k.moveToAln(1); },
        {1, 0});
}

void TestCoordinates::modes()
{
    QFETCH(Action, action);
    QFETCH(QList<int>, emitted);
    QCOMPARE(kel->posMode(), 0);
    QSignalSpy spy(kel.get(), &KelInterface::posModeChanged);
    action(*kel);
    QList<int> got;
    for (const QList<QVariant> &args : spy)
        got << args.at(0).toInt();
    QCOMPARE(got, emitted);
    const int mode = emitted.last();
    QCOMPARE(kel->posMode(), mode);
    QCOMPARE(kel->isAbs(), mode == 0);
    QCOMPARE(kel->isRel(), (mode & 1) != 0);
    QCOMPARE(kel->isSkew(), (mode & 2) != 0);
}

void TestCoordinates::display_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<double>("fx");
    QTest::addColumn<double>("fy");
    const auto row = [](const char *name, const Action &action, double fx, double fy) {
        QTest::newRow(name) << action << fx << fy;
    };

    // P1 (2, 3) and P2 (2, 9) turn the specimen X axis along stage Y.
    const Action skew = [](MotionProbe &k) {
        k.setAlignPt1(2.0, 3.0);
        k.setAlignPt2(2.0, 9.0);
        k.setSkew();
    };
    row("absolute", [](MotionProbe &k) { k.setStage(50000, 70000); }, 5.0, 7.0);
    row("relative", [](MotionProbe &k) { k.setRel(1.0, -2.0); k.setStage(50000, 70000); }, 4.0,
        9.0);
    row("setRel at (3, 4) shows 0, 0", [](MotionProbe &k) { k.setStage(30000, 40000); k.setRel(); },
        0.0, 0.0);
    row("setRel takes the stage position, not the display", [](MotionProbe &k) {
        k.setStage(30000, 40000); k.setRel(); k.setStage(50000, 40000); k.setRel();
        k.setStage(60000, 60000);
    }, 1.0, 2.0);
    row("skew", [skew](MotionProbe &k) { skew(k); k.setStage(50000, 70000); }, 4.0, -3.0);
    row("relative within skew",
        [skew](MotionProbe &k) { skew(k); k.setRel(1.0, 1.0); k.setStage(50000, 70000); }, 3.0,
        -4.0);
    // At stage (2, 5) the specimen is at (2, 0).
    row("setRel in skew takes the specimen origin", [skew](MotionProbe &k) {
        skew(k); k.setStage(20000, 50000); k.setRel(); k.setStage(50000, 70000);
    }, 2.0, -3.0);
    row("skew with identical points shows a shift only", [](MotionProbe &k) {
        k.setAlignPt1(2.0, 3.0); k.setAlignPt2(2.0, 3.0); k.setSkew(); k.setStage(50000, 70000);
    }, 3.0, 4.0);
}

void TestCoordinates::display()
{
    QFETCH(Action, action);
    QFETCH(double, fx);
    QFETCH(double, fy);
    QSignalSpy xs(kel.get(), &KelInterface::xPosChanged);
    QSignalSpy ys(kel.get(), &KelInterface::yPosChanged);
    QSignalSpy zs(kel.get(), &KelInterface::zPosChanged);
    action(*kel);
    // The next reply, with the focus at 1234 steps, shows the same.
    kel->setStage(kel->xpos, kel->ypos, 1234);
    const double x = xs.last().at(0).toDouble();
    const double y = ys.last().at(0).toDouble();
    QVERIFY2(near(x, fx) && near(y, fy), qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
    QCOMPARE(xs.at(xs.size() - 2).at(0).toDouble(), x);
    // Focus is shown in microns and never relative or skewed.
    QCOMPARE(zs.last().at(0).toDouble(), 123.4);
}

void TestCoordinates::setNoSkewWaitsForNextReply()
{
    kel->setAlignPt2(0.0, 1.0);
    kel->setSkew();
    kel->setStage(2 * StepsPerMM, 0);
    QSignalSpy xs(kel.get(), &KelInterface::xPosChanged);
    kel->setNoSkew();
    QCOMPARE(xs.count(), 0);
    kel->updatePosition();
    QCOMPARE(xs.count(), 1);
    QCOMPARE(xs.at(0).at(0).toDouble(), 2.0);
}

void TestCoordinates::wheelSignalsNeedModule17()
{
    kel->fw1CurPos = 4;
    kel->fw2CurPos = 9;
    QSignalSpy fw1(kel.get(), &KelInterface::fw1PosChanged);
    QSignalSpy fw2(kel.get(), &KelInterface::fw2PosChanged);
    kel->updatePosition();
    QCOMPARE(fw1.count() + fw2.count(), 0);
    kel->modulespresent = 1u << FirstWheelModule;
    kel->updatePosition();
    QCOMPARE(fw1.count(), 1);
    QCOMPARE(fw1.at(0).at(0).value<long>(), 4L);
    QCOMPARE(fw2.at(0).at(0).value<long>(), 9L);
}

QTEST_GUILESS_MAIN(TestCoordinates)
#include "tst_coordinates.moc"
