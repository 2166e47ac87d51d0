// The stage/specimen conversion on its own: angles, both directions, coincident points.
#include "motion/skewtransform.h"

#include <QtTest>

#include <cmath>

namespace {
constexpr double Eps = 1e-9;
}

class TestSkewTransform : public QObject
{
    Q_OBJECT

private slots:
    void angle_data();
    void angle();
    void toSpecimen_data();
    void toSpecimen();
    void roundTrip_data();
    void roundTrip();
    void coincidentShiftsByFirstPoint();
};

void TestSkewTransform::angle_data()
{
    QTest::addColumn<double>("p1x");
    QTest::addColumn<double>("p1y");
    QTest::addColumn<double>("p2x");
    QTest::addColumn<double>("p2y");
    QTest::addColumn<double>("expected");

    QTest::newRow("along the stage X axis") << 0.0 << 0.0 << 10.0 << 0.0 << 0.0;
    QTest::newRow("45 degrees") << 1.0 << 1.0 << 3.5 << 3.5 << std::atan(1.0);
    // Left of point 1 the specimen X axis still points from P1 to P2, via the rounded turn.
    QTest::newRow("P2 left of P1") << 0.0 << 0.0 << -3.0 << 0.0 << Ptx::SkewHalfTurn;
    QTest::newRow("P2 left and below") << 2.0 << 2.0 << 1.0 << 1.0
                                       << std::atan(1.0) + Ptx::SkewHalfTurn;
    QTest::newRow("vertical chord upwards") << 1.0 << 1.0 << 1.0 << 4.0 << M_PI / 2;
    QTest::newRow("vertical chord downwards") << 1.0 << 1.0 << 1.0 << -4.0 << -M_PI / 2;
    QTest::newRow("vertical chord upwards at minus zero") << 0.0 << 0.0 << -0.0 << 4.0 << M_PI / 2;
    QTest::newRow("coincident points") << 2.0 << 3.0 << 2.0 << 3.0 << 0.0;
}

void TestSkewTransform::angle()
{
    QFETCH(double, p1x);
    QFETCH(double, p1y);
    QFETCH(double, p2x);
    QFETCH(double, p2y);
    QFETCH(double, expected);
    const Ptx::SkewTransform t(p1x, p1y, p2x, p2y);
    QVERIFY2(std::fabs(t.angle() - expected) < Eps, qPrintable(QString::number(t.angle(), 'g', 17)));
    QCOMPARE(t.coincident(), p1x == p2x && p1y == p2y);
}

void TestSkewTransform::toSpecimen_data()
{
    QTest::addColumn<double>("p1x");
    QTest::addColumn<double>("p1y");
    QTest::addColumn<double>("p2x");
    QTest::addColumn<double>("p2y");
    QTest::addColumn<double>("sx");
    QTest::addColumn<double>("sy");
    QTest::addColumn<double>("nx");
    QTest::addColumn<double>("ny");

    QTest::newRow("identity") << 0.0 << 0.0 << 10.0 << 0.0 << 3.25 << -7.5 << 3.25 << -7.5;
    const double r2 = std::sqrt(2.0);
    QTest::newRow("45 degrees") << 1.0 << 1.0 << 4.0 << 4.0 << 1.0 + r2 << 1.0 << 1.0 << -1.0;
    QTest::newRow("P2 itself lies on the specimen X axis")
        << 1.0 << 2.0 << 4.0 << 6.0 << 4.0 << 6.0 << 5.0 << 0.0;
    QTest::newRow("P2 left of P1") << 5.0 << 0.0 << 2.0 << 0.0 << 3.0 << 1.0 << 2.0 << -1.0;
    QTest::newRow("vertical chord") << 0.0 << 0.0 << 0.0 << 2.0 << 1.0 << 3.0 << 3.0 << -1.0;
}

void TestSkewTransform::toSpecimen()
{
    QFETCH(double, p1x);
    QFETCH(double, p1y);
    QFETCH(double, p2x);
    QFETCH(double, p2y);
    QFETCH(double, sx);
    QFETCH(double, sy);
    QFETCH(double, nx);
    QFETCH(double, ny);
    double x = 0;
    double y = 0;
    Ptx::SkewTransform(p1x, p1y, p2x, p2y).toSpecimen(sx, sy, &x, &y);
    // The rounded half turn leaves an error of a few 1e-8 mm over these distances.
    QVERIFY2(std::fabs(x - nx) < 1e-6 && std::fabs(y - ny) < 1e-6,
             qPrintable(QStringLiteral("%1, %2").arg(x, 0, 'g', 12).arg(y, 0, 'g', 12)));
}

void TestSkewTransform::roundTrip_data()
{
    QTest::addColumn<double>("p2x");
    QTest::addColumn<double>("p2y");
    QTest::newRow("first quadrant") << 7.0 << 2.0;
    QTest::newRow("second quadrant") << -7.0 << 2.0;
    QTest::newRow("third quadrant") << -7.0 << -2.0;
    QTest::newRow("fourth quadrant") << 7.0 << -2.0;
    QTest::newRow("vertical") << 1.0 << -9.0;
}

void TestSkewTransform::roundTrip()
{
    QFETCH(double, p2x);
    QFETCH(double, p2y);
    const Ptx::SkewTransform t(1.0, 0.5, p2x, p2y);
    double ax = 0;
    double ay = 0;
    double bx = 0;
    double by = 0;
    t.toStage(12.5, -3.75, &ax, &ay);
    t.toSpecimen(ax, ay, &bx, &by);
    QVERIFY(std::fabs(bx - 12.5) < Eps);
    QVERIFY(std::fabs(by + 3.75) < Eps);
}

void TestSkewTransform::coincidentShiftsByFirstPoint()
{
    const Ptx::SkewTransform t(2.0, 3.0, 2.0, 3.0);
    double x = 0;
    double y = 0;
    t.toSpecimen(5.0, 7.0, &x, &y);
    QCOMPARE(x, 3.0);
    QCOMPARE(y, 4.0);
    t.toStage(3.0, 4.0, &x, &y);
    QCOMPARE(x, 5.0);
    QCOMPARE(y, 7.0);
}

QTEST_APPLESS_MAIN(TestSkewTransform)
#include "tst_skewtransform.moc"
