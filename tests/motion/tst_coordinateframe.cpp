// The coordinate frame on its own: the position shown in each coordinate mode.
#include "motion/coordinateframe.h"

#include <QtTest>

class TestCoordinateFrame : public QObject
{
    Q_OBJECT

private slots:
    void shown_data();
    void shown();
};

void TestCoordinateFrame::shown_data()
{
    QTest::addColumn<bool>("skew");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<QPointF>("expected");
    // The stage stands at (2, 8) mm; the alignment chord runs from (2, 3) straight up to (2, 13),
    // so the specimen's X axis is the stage's Y axis; the relative origin is (1, 1).
    QTest::newRow("absolute shows the stage") << false << false << QPointF(2, 8);
    QTest::newRow("relative less the origin") << false << true << QPointF(1, 7);
    QTest::newRow("skew turns about the first point") << true << false << QPointF(5, 0);
    QTest::newRow("relative skew: origin in the specimen frame") << true << true << QPointF(4, -1);
}

void TestCoordinateFrame::shown()
{
    QFETCH(bool, skew);
    QFETCH(bool, relative);
    QFETCH(QPointF, expected);
    CoordinateFrame frame;
    frame.AlnPoint1x = 2;
    frame.AlnPoint1y = 3;
    frame.AlnPoint2x = 2;
    frame.AlnPoint2y = 13;
    frame.relx = frame.rely = 1;
    frame.inSkew = skew;
    frame.inRelative = relative;
    frame.show(2, 8, 40);
    QVERIFY(qAbs(frame.fxpos - expected.x()) < 1e-9);
    QVERIFY(qAbs(frame.fypos - expected.y()) < 1e-9);
    QCOMPARE(frame.fzpos, 40.0);
}

QTEST_GUILESS_MAIN(TestCoordinateFrame)
#include "tst_coordinateframe.moc"
