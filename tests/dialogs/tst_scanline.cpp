// The editor's line scanner and teaching frame, without a dialog: what a line is read as,
// which slots it fills, how it is shown; and the frame the lines above a row establish.
#include "dialogs/scanline.h"
#include "dialogs/teachframe.h"

#include <QtTest>

namespace {
// Every slot starts at this, so that the slots a line leaves alone show.
constexpr double Untouched = 9.0;
} // namespace

class TestScanLine : public QObject
{
    Q_OBJECT

private slots:
    void scan_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QList<double>>("reals");   // fpt1x, fpt1y, fpt2x, fpt2y, fpt3x, fpt3y, fpt4x
        QTest::addColumn<QList<int>>("ints");       // pt1x, pt2x, pt1y

        const QList<double> u7{9, 9, 9, 9, 9, 9, 9};
        const QList<int> u3{9, 9, 9};
        QTest::newRow("ARC fills three pairs and the step")
            << "ARC 1,2,3,4,5,6,0.1" << int(CMD_ARC) << "ARC 1,2,3,4,5,6,0.1"
            << QList<double>{1, 2, 3, 4, 5, 6, 0.1} << u3;
        QTest::newRow("LINE step goes to the fourth slot")
            << "LINE 1,2,3,4,0.5" << int(CMD_LINE) << "LINE 1,2,3,4,0.5"
            << QList<double>{1, 2, 3, 4, 9, 9, 0.5} << u3;
        QTest::newRow("template placeholders read 0")
            << "POINT x,y" << int(CMD_POINT) << "POINT 0,0" << QList<double>{0, 0, 9, 9, 9, 9, 9} << u3;
        QTest::newRow("missing fields read 0")
            << "RASTER 1" << int(CMD_RASTER) << "RASTER 1,0,0,0,0,0"
            << QList<double>{1, 0, 0, 0, 0, 0, 9} << u3;
        QTest::newRow("six significant digits")
            << "POINT 12.3456789, 1234567" << int(CMD_POINT) << "POINT 12.3457,1.23457e+06"
            << QList<double>{12.3456789, 1234567, 9, 9, 9, 9, 9} << u3;
        QTest::newRow("POINTZ is a focus point, written back as ZPOINT")
            << "POINTZ 1.5" << int(CMD_ZPOINT) << "ZPOINT 1.5" << QList<double>{1.5, 9, 9, 9, 9, 9, 9} << u3;
        QTest::newRow("ZPOINT reads its whole rest as one number")
            << "ZPOINT 1,2" << int(CMD_ZPOINT) << "ZPOINT 0" << QList<double>{0, 9, 9, 9, 9, 9, 9} << u3;
        QTest::newRow("DELAY 0 is unlimited") << "DELAY 0" << int(CMD_DELAY) << "DELAY 0-Inf" << u7
                                              << QList<int>{0, 9, 9};
        QTest::newRow("DELAY 2500") << "DELAY 2500" << int(CMD_DELAY) << "DELAY 2500" << u7
                                    << QList<int>{2500, 9, 9};
        QTest::newRow("FDELAY is not a DELAY") << "FDELAY 0" << int(CMD_FDELAY) << "FDELAY 0-Inf" << u7
                                               << QList<int>{0, 9, 9};
        QTest::newRow("SCTRL fills all three integer slots")
            << "SCTRL 0,1,2" << int(CMD_SCTRL) << "SCTRL 0,1,2" << u7 << QList<int>{0, 1, 2};
        QTest::newRow("integer field with a point reads 0")
            << "EXPTIM 2.5,500" << int(CMD_EXPTIM) << "EXPTIM 0,500" << u7 << QList<int>{0, 500, 9};
        QTest::newRow("SPEEDZ is a real") << "SPEEDZ 2500.5" << int(CMD_ZSPEED) << "SPEEDZ 2500.5"
                                          << QList<double>{2500.5, 9, 9, 9, 9, 9, 9} << u3;
        QTest::newRow("DEFMAC has no values") << "DEFMAC" << int(CMD_DEFMAC) << "DEFMAC" << u7 << u3;
        QTest::newRow("ENDREP is not taught") << "ENDREP" << int(CMD_END) << "ENDREP" << u7 << u3;
        QTest::newRow("lower case is no command") << "point 1,2" << int(CMD_END) << "point 1,2" << u7 << u3;
    }

    void scan()
    {
        QFETCH(QString, line);
        QFETCH(int, type);
        QFETCH(QString, shown);
        QFETCH(QList<double>, reals);
        QFETCH(QList<int>, ints);

        TeachValues v{Untouched, Untouched, Untouched, Untouched, Untouched, Untouched, Untouched,
                      int(Untouched), int(Untouched), int(Untouched)};
        const ScannedLine s = scanTeachLine(line, &v);
        QCOMPARE(s.commandType, type);
        QCOMPARE(s.line, shown);
        QCOMPARE((QList<double>{v.fpt1x, v.fpt1y, v.fpt2x, v.fpt2y, v.fpt3x, v.fpt3y, v.fpt4x}), reals);
        QCOMPARE((QList<int>{v.pt1x, v.pt2x, v.pt1y}), ints);
    }

    void frame_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("frame");

        const QStringList block{"DEFREP 10,20", "POINT 1,1", "ENDREP", "POINT 2,2"};
        QTest::newRow("inside a repeat block: relative") << block << 1 << "REL 10,20";
        QTest::newRow("ENDREP itself still relative") << block << 2 << "REL 10,20";
        QTest::newRow("after ENDREP: absolute") << block << 3 << "ABS";
        QTest::newRow("DEFREP line in the frame above it") << block << 0 << "ABS";
        const QStringList aligned{"ALIGN 0,0,100,1", "POINT 1,1", "POINT 2,2"};
        QTest::newRow("below ALIGN: skew") << aligned << 2 << "SKEW 0,0,100,1";
        QTest::newRow("repeat block under ALIGN: both")
            << QStringList{"ALIGN 1,2,3,4", "DEFREP 5,6", "POINT 0,0"} << 2 << "REL 5,6 SKEW 1,2,3,4";
        QTest::newRow("the last ALIGN counts")
            << QStringList{"ALIGN 1,1,2,2", "ALIGN 3,3,4,4", "POINT 0,0"} << 2 << "SKEW 3,3,4,4";
    }

    void frame()
    {
        QFETCH(QStringList, recipe);
        QFETCH(int, row);
        QFETCH(QString, frame);

        const TeachFrame f = teachFrame(recipe, row);
        QStringList parts;
        if (f.repeat)
            parts << QStringLiteral("REL %1,%2").arg(f.refX).arg(f.refY);
        if (f.align)
            parts << QStringLiteral("SKEW %1,%2,%3,%4").arg(f.align1X).arg(f.align1Y).arg(f.align2X).arg(f.align2Y);
        QCOMPARE(parts.isEmpty() ? QStringLiteral("ABS") : parts.join(QLatin1Char(' ')), frame);
    }
};

QTEST_GUILESS_MAIN(TestScanLine)
#include "tst_scanline.moc"
