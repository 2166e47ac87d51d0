// Path geometry: lines, grids, circles and arcs as point sequences.
#include "recipe/pathgeometry.h"

#include <QPointF>
#include <QtTest>

#include <cmath>

namespace {

using Points = QList<QPointF>;

Ptx::PointSink collect(Points *points)
{
    return [points](double x, double y) { points->append(QPointF(x, y)); return true; };
}

bool near(const QPointF &a, const QPointF &b)
{
    constexpr double Tolerance = 1e-6;
    return std::fabs(a.x() - b.x()) < Tolerance && std::fabs(a.y() - b.y()) < Tolerance;
}

QString text(const Points &points)
{
    QStringList parts;
    for (const QPointF &p : points)
        parts << QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y());
    return parts.join(QLatin1Char(' '));
}

// Compares point lists within a small tolerance and shows both lists when they differ.
void comparePoints(const Points &got, const Points &expected)
{
    bool same = got.size() == expected.size();
    for (int i = 0; same && i < got.size(); ++i)
        same = near(got.at(i), expected.at(i));
    if (!same)
        QFAIL(qPrintable(QStringLiteral("got %1\nexpected %2").arg(text(got), text(expected))));
}

// The 3 x 3 grid from the origin with unit steps of the given signs, serpentine or not.
Points gridOf(int sx, int sy, bool raster)
{
    Points points;
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < 3; ++i) {
            const int col = (raster || row % 2 == 0) ? i : 2 - i;
            points << QPointF(sx * col, sy * row);
        }
    }
    return points;
}

Points arcAtDegrees(const QList<double> &degrees)
{
    Points points;
    for (double d : degrees)
        points << QPointF(std::cos(d * M_PI / 180), std::sin(d * M_PI / 180));
    return points;
}

} // namespace

class TestPathGeometry : public QObject
{
    Q_OBJECT

private slots:
    void subdivisions_data();
    void subdivisions();
    void line_data();
    void line();
    void grid_data();
    void grid();
    void polarAngle_data();
    void polarAngle();
    void circleThrough_data();
    void circleThrough();
    void circle();
    void arcSweep_data();
    void arcSweep();
    void arc_data();
    void arc();
    void boundedExpansions();
    void fullSinkEndsExpansions();
};

void TestPathGeometry::subdivisions_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("count");
    QTest::newRow("truncated") << 2.9 << 2;
    QTest::newRow("below one") << 0.7 << 0;
    QTest::newRow("negative") << -3.0 << 0;
    QTest::newRow("nan") << qQNaN() << 0;
    QTest::newRow("beyond a billion") << 1.5e9 << 1500000000;
    QTest::newRow("infinite") << qInf() << Ptx::MaxSubdivisions;
    QTest::newRow("huge") << 1e300 << Ptx::MaxSubdivisions;
}

void TestPathGeometry::subdivisions()
{
    QFETCH(double, value);
    QFETCH(int, count);
    QCOMPARE(Ptx::subdivisionCount(value), count);
}

void TestPathGeometry::line_data()
{
    QTest::addColumn<QList<double>>("f");    // x1, y1, x2, y2, step
    QTest::addColumn<Points>("expected");
    QTest::newRow("thirds") << QList<double>{0, 0, 10, 0, 3}
        << Points{{0, 0}, {10.0 / 3, 0}, {20.0 / 3, 0}, {10, 0}};
    QTest::newRow("exact steps") << QList<double>{0, 0, 10, 0, 2}
        << Points{{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}, {10, 0}};
    QTest::newRow("backwards diagonal") << QList<double>{3, 4, 0, 0, 2.5}
        << Points{{3, 4}, {1.5, 2}, {0, 0}};
    QTest::newRow("shorter than its step") << QList<double>{1, 1, 2, 1, 5} << Points{{1, 1}};
    QTest::newRow("no length") << QList<double>{3, 3, 3, 3, 1} << Points{{3, 3}};
}

void TestPathGeometry::line()
{
    QFETCH(QList<double>, f);
    QFETCH(Points, expected);
    const int steps = Ptx::lineSteps(std::hypot(f[2] - f[0], f[3] - f[1]), f[4]);
    const double xi = steps == 0 ? 0.0 : (f[2] - f[0]) / steps;
    const double yi = steps == 0 ? 0.0 : (f[3] - f[1]) / steps;
    Points got;
    QCOMPARE(Ptx::linePoints(f[0], f[1], xi, yi, steps, collect(&got)), expected.size());
    comparePoints(got, expected);
}

void TestPathGeometry::grid_data()
{
    QTest::addColumn<QList<double>>("f");    // start, increment point, end
    QTest::addColumn<bool>("raster");
    QTest::addColumn<Points>("expected");
    for (const bool raster : {false, true}) {
        const char *kind = raster ? "raster" : "comb";
        QTest::addRow("%s +x +y", kind) << QList<double>{0, 0, 1, 1, 2, 2} << raster << gridOf(1, 1, raster);
        QTest::addRow("%s -x +y", kind) << QList<double>{0, 0, -1, 1, -2, 2} << raster << gridOf(-1, 1, raster);
        QTest::addRow("%s -x -y", kind) << QList<double>{0, 0, -1, -1, -2, -2} << raster << gridOf(-1, -1, raster);
        QTest::addRow("%s +x -y", kind) << QList<double>{0, 0, 1, -1, 2, -2} << raster << gridOf(1, -1, raster);
    }
    QTest::newRow("comb end within half a step ends before it") << QList<double>{0, 0, 1, 1, 2.4, 0} << false
        << Points{{0, 0}, {1, 0}, {2, 0}};
    QTest::newRow("comb end within half a step runs past it") << QList<double>{0, 0, 1, 1, 2.6, 0} << false
        << Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}};
    QTest::newRow("comb returning row stops at the start column") << QList<double>{5, 5, 7, 6, 8.9, 6} << false
        << Points{{5, 5}, {7, 5}, {9, 5}, {9, 6}, {7, 6}, {5, 6}};
    QTest::newRow("raster single column") << QList<double>{1, 1, 1.5, 2, 1.2, 3} << true
        << Points{{1, 1}, {1, 2}, {1, 3}};
}

void TestPathGeometry::grid()
{
    QFETCH(QList<double>, f);
    QFETCH(bool, raster);
    QFETCH(Points, expected);
    Points got;
    Ptx::gridPoints(f[0], f[1], f[2], f[3], f[4], f[5], raster, collect(&got));
    comparePoints(got, expected);
}

void TestPathGeometry::polarAngle_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<double>("angle");
    // The path geometry's half turn is slightly short of pi.
    const double shortfall = M_PI - Ptx::HalfTurn;
    QTest::newRow("+x") << QPointF(3, 2) << 0.0;
    QTest::newRow("first quadrant") << QPointF(3, 3) << M_PI / 4;
    QTest::newRow("+y") << QPointF(2, 3) << M_PI / 2 - shortfall;
    QTest::newRow("second quadrant") << QPointF(1, 3) << 3 * M_PI / 4 - shortfall;
    QTest::newRow("-x") << QPointF(1, 2) << M_PI - shortfall;
    QTest::newRow("third quadrant") << QPointF(1, 1) << 5 * M_PI / 4 - shortfall;
    QTest::newRow("-y") << QPointF(2, 1) << 3 * M_PI / 2 - shortfall;
    QTest::newRow("fourth quadrant") << QPointF(3, 1) << 7 * M_PI / 4 - 2 * shortfall;
}

void TestPathGeometry::polarAngle()
{
    QFETCH(QPointF, point);
    QFETCH(double, angle);
    const double got = Ptx::polarAngle(point.x(), point.y(), 2, 2);
    QVERIFY2(std::fabs(got - angle) < 1e-12, qPrintable(QString::number(got, 'g', 17)));
}

void TestPathGeometry::circleThrough_data()
{
    QTest::addColumn<Points>("given");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QPointF>("center");
    QTest::addColumn<double>("radius");
    QTest::newRow("unit circle") << Points{{1, 0}, {0, 1}, {-1, 0}} << true << QPointF(0, 0) << 1.0;
    QTest::newRow("off the origin") << Points{{4, 1}, {2, 3}, {0, 1}} << true << QPointF(2, 1) << 2.0;
    QTest::newRow("vertical chord") << Points{{5, 0}, {5, 2}, {4, 1}} << true << QPointF(5, 1) << 1.0;
    QTest::newRow("in a diagonal line") << Points{{0, 0}, {1, 1}, {2, 2}} << false << QPointF(0, 0) << 1.0;
    QTest::newRow("in a horizontal line") << Points{{0, 3}, {1, 3}, {2, 3}} << false << QPointF(0, 0) << 1.0;
    QTest::newRow("in a vertical line") << Points{{3, 0}, {3, 1}, {3, 2}} << false << QPointF(0, 0) << 1.0;
    QTest::newRow("one point") << Points{{3, 4}, {3, 4}, {3, 4}} << false << QPointF(0, 0) << 1.0;
    QTest::newRow("end on the start") << Points{{3, 4}, {3, 4}, {1, 1}} << false << QPointF(0, 0) << 1.0;
}

void TestPathGeometry::circleThrough()
{
    QFETCH(Points, given);
    QFETCH(bool, found);
    QFETCH(QPointF, center);
    QFETCH(double, radius);
    const double x[3] = {given[0].x(), given[1].x(), given[2].x()};
    const double y[3] = {given[0].y(), given[1].y(), given[2].y()};
    Ptx::Circle circle;
    QCOMPARE(Ptx::circleThrough(x, y, &circle), found);
    QVERIFY(near(QPointF(circle.centerX, circle.centerY), center));
    QVERIFY(std::fabs(circle.radius - radius) < 1e-6);
}

void TestPathGeometry::circle()
{
    const Ptx::Circle unit{0, 0, 1};
    const int steps = Ptx::circleSubdivisions(unit.radius, 0.5);
    QCOMPARE(steps, 12);
    Points got;
    QCOMPARE(Ptx::circlePoints(unit, steps, collect(&got)), 13);
    QVERIFY(near(got.first(), QPointF(0, 1)));
    QVERIFY(near(got.at(1), QPointF(0.5, std::sqrt(3.0) / 2)));
    QVERIFY(near(got.at(3), QPointF(1, 0)));
    QVERIFY(near(got.last(), QPointF(0, 1)));

    Points alone;
    QCOMPARE(Ptx::circleSubdivisions(1, 100), 0);
    QCOMPARE(Ptx::circlePoints({2, 3, 0.5}, 0, collect(&alone)), 1);
    comparePoints(alone, Points{{2, 3.5}});
}

void TestPathGeometry::arcSweep_data()
{
    QTest::addColumn<double>("a0");
    QTest::addColumn<double>("a1");
    QTest::addColumn<double>("a2");
    QTest::addColumn<int>("dir");
    QTest::addColumn<double>("angle");
    const double h = Ptx::HalfTurn;
    QTest::newRow("over the top, counter-clockwise") << 0.0 << h << h / 2 << 1 << h;
    QTest::newRow("through the bottom, clockwise") << 0.0 << h << 1.5 * h << -1 << h;
    QTest::newRow("back over the top, clockwise") << h << 0.0 << h / 2 << -1 << h;
    QTest::newRow("across 0 counter-clockwise") << 1.5 * h << 0.5 * h << 0.1 << 1 << h;
    QTest::newRow("across 0 clockwise") << 0.5 * h << 1.5 * h << 0.1 << -1 << h;
    QTest::newRow("across 0 from above") << 1.5 * h << 0.5 * h << 1.9 * h << 1 << h;
    QTest::newRow("short wrap") << 1.9 * h << 0.1 * h << 0.0 << 1 << 0.2 * h;
    QTest::newRow("third point at start angle") << 1.0 << 2.0 << 1.0 << 0 << 0.0;
    QTest::newRow("third point at end angle") << 1.0 << 2.0 << 2.0 << 0 << 0.0;
}

void TestPathGeometry::arcSweep()
{
    QFETCH(double, a0);
    QFETCH(double, a1);
    QFETCH(double, a2);
    QFETCH(int, dir);
    QFETCH(double, angle);
    const Ptx::ArcSweep sweep = Ptx::arcSweep(a0, a1, a2);
    QCOMPARE(sweep.dir, dir);
    QVERIFY(std::fabs(sweep.angle - angle) < 1e-12);
}

void TestPathGeometry::arc_data()
{
    QTest::addColumn<Points>("given");    // start, end, third point on the unit circle
    QTest::addColumn<double>("step");
    QTest::addColumn<Points>("expected");
    QTest::newRow("counter-clockwise over the top") << Points{{1, 0}, {-1, 0}, {0, 1}} << 0.5
        << arcAtDegrees({0, 30, 60, 90, 120, 150, 180});
    QTest::newRow("clockwise through the bottom") << Points{{1, 0}, {-1, 0}, {0, -1}} << 0.5
        << arcAtDegrees({0, -30, -60, -90, -120, -150, -180});
    QTest::newRow("counter-clockwise across 0") << Points{{0, -1}, {0, 1}, {1, 0}} << 0.5
        << arcAtDegrees({270, 300, 330, 360, 390, 420, 450});
    QTest::newRow("clockwise across 0") << Points{{0, 1}, {0, -1}, {1, 0}} << 0.5
        << arcAtDegrees({90, 60, 30, 0, -30, -60, -90});
    // 13 subdivisions: every second one ends a subdivision short of the end point.
    QTest::newRow("odd subdivisions") << Points{{1, 0}, {-1, 0}, {0, 1}} << 2 * Ptx::HalfTurn / 13
        << arcAtDegrees({0, 180.0 * 2 / 13, 180.0 * 4 / 13, 180.0 * 6 / 13, 180.0 * 8 / 13,
                         180.0 * 10 / 13, 180.0 * 12 / 13});
    QTest::newRow("no subdivision: start point alone") << Points{{0, 1}, {1, 0}, {-1, 0}} << 10.0
        << Points{{0, 1}};
}

void TestPathGeometry::arc()
{
    QFETCH(Points, given);
    QFETCH(double, step);
    QFETCH(Points, expected);
    const double x[3] = {given[0].x(), given[1].x(), given[2].x()};
    const double y[3] = {given[0].y(), given[1].y(), given[2].y()};
    Ptx::Circle circle;
    QVERIFY(Ptx::circleThrough(x, y, &circle));
    const double a0 = Ptx::polarAngle(x[0], y[0], circle.centerX, circle.centerY);
    const double a1 = Ptx::polarAngle(x[1], y[1], circle.centerX, circle.centerY);
    const double a2 = Ptx::polarAngle(x[2], y[2], circle.centerX, circle.centerY);
    Points got;
    Ptx::arcPoints(circle, a0, Ptx::arcSweep(a0, a1, a2), Ptx::circleSubdivisions(circle.radius, step),
                   collect(&got));
    // The path's half turn falls short of pi by 3e-8 a turn; allow for it.
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i) {
        QVERIFY2(std::fabs(got[i].x() - expected[i].x()) < 1e-6 && std::fabs(got[i].y() - expected[i].y()) < 1e-6,
                 qPrintable(text(got)));
    }
}

void TestPathGeometry::boundedExpansions()
{
    Points got;
    QCOMPARE(Ptx::linePoints(0, 0, 1, 0, Ptx::lineSteps(1e6, 1), collect(&got)), Ptx::MaxPathPoints);
    got.clear();
    QCOMPARE(Ptx::gridPoints(0, 0, 0, 0, 0, 0, false, collect(&got)), Ptx::MaxPathPoints);
    got.clear();
    QCOMPARE(Ptx::circlePoints({0, 0, 1}, Ptx::circleSubdivisions(1, 1e-9), collect(&got)), Ptx::MaxPathPoints);
    got.clear();
    QCOMPARE(Ptx::arcPoints({0, 0, 1}, 0, {1, 1}, Ptx::MaxSubdivisions, collect(&got)), Ptx::MaxPathPoints);
    for (const QPointF &p : std::as_const(got))
        QVERIFY(std::isfinite(p.x()) && std::isfinite(p.y()));
}

void TestPathGeometry::fullSinkEndsExpansions()
{
    constexpr int Room = 3;
    Points got;
    const Ptx::PointSink sink = [&got](double x, double y) {
        got.append(QPointF(x, y));
        return got.size() < Room;
    };
    QCOMPARE(Ptx::linePoints(0, 0, 1, 0, 100, sink), Room);
    got.clear();
    QCOMPARE(Ptx::gridPoints(0, 0, 1, 1, 9, 9, false, sink), Room);
    got.clear();
    QCOMPARE(Ptx::circlePoints({0, 0, 1}, 100, sink), Room);
    got.clear();
    QCOMPARE(Ptx::arcPoints({0, 0, 1}, 0, {1, 1}, 100, sink), Room);
    QCOMPARE(got.size(), Room);
}

QTEST_APPLESS_MAIN(TestPathGeometry)
#include "tst_pathgeometry.moc"
