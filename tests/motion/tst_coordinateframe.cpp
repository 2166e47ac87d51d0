// The coordinate frame on its own: the position shown for the stage at (5, 7) mm, and the
// angle of the specimen frame, for alignment chords in every direction.
#include "motion/coordinateframe.h"

#include <QtTest>

#include <cmath>

class TestCoordinateFrame : public QObject
{
    Q_OBJECT

private slots:
    void shown_data();
    void shown();
};

void TestCoordinateFrame::shown_data()
{
    QTest::addColumn<QLineF>("chord");     // alignment point 1 to point 2
    QTest::addColumn<bool>("relative");    // with the origin at (1, 1) in the specimen frame
    QTest::addColumn<QPointF>("expected");
    QTest::addColumn<double>("angle");
    const double r2 = std::sqrt(2.0);
    QTest::newRow("skew turns about the first point") << QLineF(2, 3, 2, 13) << false << QPointF(4, -3) << M_PI / 2;
    QTest::newRow("relative skew: origin in the specimen frame") << QLineF(2, 3, 2, 13) << true << QPointF(3, -4)
                                                                 << M_PI / 2;
    QTest::newRow("skew at 45 degrees") << QLineF(1, 1, 4, 4) << false << QPointF(5 * r2, r2) << M_PI / 4;
    // Left of point 1 the specimen X axis still points from P1 to P2, via the rounded turn;
    // the rounded half turn leaves an error of a few 1e-7 mm.
    QTest::newRow("P2 left of and below P1") << QLineF(2, 2, 1, 1) << false << QPointF(-4 * r2, -r2)
                                             << M_PI / 4 + Ptx::SkewHalfTurn;
    QTest::newRow("vertical chord down") << QLineF(1, 1, 1, -4) << false << QPointF(-6, 4) << -M_PI / 2;
    QTest::newRow("vertical chord at minus zero points up") << QLineF(0, 0, -0.0, 4) << false << QPointF(7, -5)
                                                            << M_PI / 2;
    QTest::newRow("identical points shift by P1 alone") << QLineF(2, 3, 2, 3) << false << QPointF(3, 4) << 0.0;
}

void TestCoordinateFrame::shown()
{
    QFETCH(QLineF, chord);
    QFETCH(bool, relative);
    QFETCH(QPointF, expected);
    QFETCH(double, angle);
    CoordinateFrame frame;
    frame.AlnPoint1x = chord.x1();
    frame.AlnPoint1y = chord.y1();
    frame.AlnPoint2x = chord.x2();
    frame.AlnPoint2y = chord.y2();
    frame.relx = frame.rely = 1;
    frame.inSkew = true;
    frame.inRelative = relative;
    frame.show(5, 7, 40);
    QVERIFY2(qAbs(frame.fxpos - expected.x()) < 1e-6 && qAbs(frame.fypos - expected.y()) < 1e-6,
             qPrintable(QStringLiteral("%1, %2").arg(frame.fxpos).arg(frame.fypos)));
    QVERIFY(qAbs(frame.alignment().angle() - angle) < 1e-9);
    QCOMPARE(frame.fzpos, 40.0);
}

QTEST_GUILESS_MAIN(TestCoordinateFrame)
#include "tst_coordinateframe.moc"
