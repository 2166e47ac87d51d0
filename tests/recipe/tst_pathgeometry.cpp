// Path geometry limits: subdivision counts, and expansions that end on a full sink or at
// their own bound.
#include "recipe/pathgeometry.h"

#include <QtTest>

#include <climits>
#include <cmath>

class TestPathGeometry : public QObject
{
    Q_OBJECT

private slots:
    void subdivisions_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("count");
        QTest::newRow("truncated") << 2.9 << 2;
        QTest::newRow("negative") << -3.0 << 0;
        QTest::newRow("nan") << qQNaN() << 0;
        QTest::newRow("infinite") << qInf() << Ptx::MaxSubdivisions;
    }

    void subdivisions()
    {
        QFETCH(double, value);
        QFETCH(int, count);
        QCOMPARE(Ptx::subdivisionCount(value), count);
    }

    void expansionsEnd_data()
    {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("made");
        QTest::newRow("sink full") << 3 << 3;
        QTest::newRow("at the path bound") << INT_MAX << Ptx::MaxPathPoints;
    }

    // Endless requests (a zero-step grid, the largest counts) end either way.
    void expansionsEnd()
    {
        QFETCH(int, room);
        QFETCH(int, made);
        int got = 0;
        bool finite = true;
        const Ptx::PointSink sink = [&](double x, double y) {
            finite = finite && std::isfinite(x) && std::isfinite(y);
            return ++got < room;
        };
        const int most = Ptx::MaxSubdivisions;
        const std::function<int()> expansions[] = {
            [&] { return Ptx::linePoints(0, 0, 1, 0, most, sink); },
            [&] { return Ptx::gridPoints(0, 0, 0, 0, 0, 0, false, sink); },
            [&] { return Ptx::circlePoints({0, 0, 1}, most, sink); },
            [&] { return Ptx::arcPoints({0, 0, 1}, 0, {1, 1}, most, sink); },
        };
        for (const auto &expand : expansions) {
            got = 0;
            QCOMPARE(expand(), made);
            QCOMPARE(got, made);
        }
        QVERIFY(finite);
    }
};

QTEST_APPLESS_MAIN(TestPathGeometry)
#include "tst_pathgeometry.moc"
