// The recipe compiler: every command's entries, path shapes, pattern and macro interplay,
// list limits, ALIGN, degenerate input and the problems it reports; the bounds of the path
// geometry; the diagnostic number texts, which match C printf's %f and the general number
// text; recipe files: round trips, line ends, and file errors with their message box.
#include "config/numbertext.h"
#include "controller/kelinterface.h"
#include "dialogs/fileerrorbox.h"
#include "recipe/diagtext.h"
#include "recipe/pathgeometry.h"
#include "recipe/recipefile.h"
#include "support/diagcapture.h"
#include "support/filesizelimit.h"
#include "support/testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

const QByteArray Missing("<missing>");

// Six decimals tell points apart and hide the path geometry's short half turn.
QString coordinate(double value)
{
    if (std::fabs(value) < 1e9)
        value = std::round(value * 1e6) / 1e6 + 0.0;
    return QString::number(value);
}

// An entry as "P x,y", "Z z" or "F f1,f2,f1move,f2move shutters pause"; or its dwell and speeds.
QString describe(const recipePointStruct &e, bool timing = false)
{
    if (timing)
        return QStringLiteral("d=%1 xy=%2 z=%3").arg(e.delay).arg(e.speedxy).arg(e.speedz);
    if (!e.filtmove) {
        return e.zmove ? QStringLiteral("Z %1").arg(coordinate(e.z))
                       : QStringLiteral("P %1,%2").arg(coordinate(e.x), coordinate(e.y));
    }
    return QStringLiteral("F %1,%2,%3,%4 %5 %6")
        .arg(e.f1pos).arg(e.f2pos).arg(int(e.f1move)).arg(int(e.f2move)).arg(e.shopt).arg(e.fdelay);
}

QStringList repeated(const QString &line, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << line.arg(i);
    return lines;
}

} // namespace

class TestCompiler : public QObject
{
    Q_OBJECT

    std::optional<DiagCapture> diagnostics;
    std::optional<QTemporaryDir> dir;   // the interface reads and writes "config.xml" in its folder
    std::optional<KelInterface> kel;
    // Compiles recipe with only its own diagnostic lines collected.
    int compile(const QStringList &recipe)
    {
        kel->setRecipe(recipe);
        diagnostics.emplace();
        return kel->ScanRecipe();
    }
    // The compiled entries, separated by "; ".
    QString compiled(bool timing = false)
    {
        QStringList list;
        for (int i = 0; i < kel->compiledPointCount(); ++i)
            list << describe(kel->compiledPoint(i), timing);
        return list.join(QStringLiteral("; "));
    }

private slots:
    void init()
    {
        diagnostics.emplace();
        kel.reset();
        dir.emplace();
        QVERIFY(QDir::setCurrent(dir->path()));
        kel.emplace(QStringLiteral("127.0.0.1"));
    }

    // Recipe lines are separated by "\n", entries by "; ".
    void commands_data()
    {
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("point forms") << "POINT 10,20\nPOINT10,20\nPOINT 10 , 20\nPOINT 1e1,+20" << "P 10,20; P 10,20; P 10,20; P 10,20";
        QTest::newRow("not commands") << "point 1,2\nPoint 1,2\n POINT 1,2\nPOIN\n{END}\n\n; note" << "";
        QTest::newRow("decimal fields read whole") << "POINT 5mm,0x10\nPOINT 1 2,2;5\nPOINT 1e-400,+4\nPOINT 1,2,3,nan\nPOINT 5,"
                                                   << "P 0,0; P 0,0; P 0,4; P 1,2; P 5,0";
        QTest::newRow("pointz and zpoint") << "POINTZ 150\nZPOINT 150\nZPOINT-2.5\nPOINTZ 1,5" << "Z 150; Z 150; Z -2.5; Z 0";
        QTest::newRow("fdelay") << "FDELAY 0\nFDELAY -5\nFDELAY 500\nFDELAY 2.5" << "F 0,0,0,0 63 500";
        QTest::newRow("fdelay 0-INF holds, as the editor writes and shows it")
            << "FDELAY 0-INF\nFDELAY 0\nFDELAY 0-Inf" << "F 0,0,0,0 63 0; F 0,0,0,0 63 0";
        QTest::newRow("exptim") << "EXPTIM 2,150\nEXPTIM 5,200\nEXPTIM 3,0\nEXPTIM 1,70000\nEXPTIM 2,-1"
            << "F 0,0,0,0 9830912 0; F 0,0,0,0 13107456 0; F 0,0,0,0 1024 0; F 0,0,0,0 4294902016 0; F 0,0,0,0 512 0";
        QTest::newRow("fmove") << "FMOVE 1,2\nFMOVE 0-NONE,3\nFMOVE -1-HOME,3\nFMOVE -1,0\nFMOVE 0,0"
                               << "F 1,2,1,1 0 0; F 0,3,0,1 0 0; F 0,3,0,1 0 0; F -1,0,1,0 0 0; F 0,0,0,0 0 0";
        QTest::newRow("sctrl") << "SCTRL 2,1,0\nSCTRL 3,3,3\nSCTRL 7,7,7\nSCTRL 1,9,-1"
                               << "F 0,0,0,0 6 0; F 0,0,0,0 63 0; F 0,0,0,0 63 0; F 0,0,0,0 61 0";
        QTest::newRow("wheel moves, integer fields read whole")
            << "F1MOVE 3,7\nF2MOVE 4\nF1MOVE 0-HOME\nF2MOVE 0-Inf\nF1MOVE 2.5\nF1MOVE 2147483647\nF1MOVE 4294967296"
            << "F 3,0,1,0 0 0; F 0,4,0,1 0 0; F 0,0,1,0 0 0; F 0,0,0,1 0 0; F 0,0,1,0 0 0; F 2147483647,0,1,0 0 0; "
               "F 0,0,1,0 0 0";
        QTest::newRow("shutters") << "SHOPEN 1\nSHOPEN 2\nSHOPEN 3\nSHOPEN 4\nSHCLOSE 1\nSHCLOSE 3\nSHEXP 2\nSHEXP 3\nSHEXP -1"
            << "F 0,0,0,0 61 0; F 0,0,0,0 55 0; F 0,0,0,0 31 0; F 0,0,0,0 0 0; F 0,0,0,0 60 0; F 0,0,0,0 15 0; "
               "F 0,0,0,0 59 0; F 0,0,0,0 47 0; F 0,0,0,0 0 0";
        QTest::newRow("comb") << "COMB 0,0,1,1,2,2\nCOMB 0,0,-1,-1,-1,-1"
            << "P 0,0; P 1,0; P 2,0; P 2,1; P 1,1; P 0,1; P 0,2; P 1,2; P 2,2; P 0,0; P -1,0; P -1,-1; P 0,-1";
        QTest::newRow("raster") << "RASTER 0,0,1,1,2,1\nRASTER 0,0,-1,-1,-1,-1"
                                << "P 0,0; P 1,0; P 2,0; P 0,1; P 1,1; P 2,1; P 0,0; P -1,0; P 0,-1; P -1,-1";
        QTest::newRow("line") << "LINE 0,0,10,0,3\nLINE 3,4,0,0,2.5"
                              << "P 0,0; P 3.33333,0; P 6.66667,0; P 10,0; P 3,4; P 1.5,2; P 0,0";
        QTest::newRow("circle") << "CIRCLE 1,0,0,1,-1,0,0.5\nCIRCLE -1,2,1,2,0,3,1.5"
            << "P 0,1; P 0.5,0.866025; P 0.866025,0.5; P 1,0; P 0.866025,-0.5; P 0.5,-0.866025; P 0,-1; "
               "P -0.5,-0.866025; P -0.866025,-0.5; P -1,0; P -0.866025,0.5; P -0.5,0.866025; P 0,1; "
               "P 0,3; P 1,2; P 0,1; P -1,2; P 0,3";
        QTest::newRow("arcs over the top, through the bottom, across angle 0 both ways")
            << "ARC 1,0,-1,0,0,1,0.5\nARC 1,0,-1,0,0,-1,1.5\nARC 0,-1,0,1,1,0,1.5\nARC 0,1,0,-1,1,0,1.5"
            << "P 1,0; P 0.866025,0.5; P 0.5,0.866025; P 0,1; P -0.5,0.866025; P -0.866025,0.5; P -1,0; "
               "P 1,0; P 0,-1; P -1,0; P 0,-1; P 1,0; P 0,1; P 0,1; P 1,0; P 0,-1";
        // 13 subdivisions of the circle: every second one, so the arc ends one short of its end.
        QTest::newRow("arc of odd subdivisions") << "ARC 1,0,-1,0,0,1,0.48"
            << "P 1,0; P 0.885456,0.464723; P 0.568065,0.822984; P 0.120537,0.992709; P -0.354605,0.935016; "
               "P -0.748511,0.663123; P -0.970942,0.239316";
        QTest::newRow("pattern") << "DEFREP 5,5\nPOINT 1,0\nPOINT 0,1\nENDREP\nPOINT 10,10"
                                 << "P 5,5; P 6,5; P 5,6; P 10,10; P 11,10; P 10,11";
        QTest::newRow("clrrep") << "DEFREP 0,0\nPOINT 1,0\nENDREP\nCLRREP\nPOINT 10,10" << "P 0,0; P 1,0; P 10,10";
        QTest::newRow("second definition appends") << "DEFREP 0,0\nPOINT 1,0\nENDREP\nDEFREP 0,0\nPOINT 0,1\nENDREP"
                                                   << "P 0,0; P 1,0; P 0,0; P 1,0; P 0,1";
        QTest::newRow("pattern before its endrep is not placed") << "DEFREP 0,0\nPOINT 1,0\nCLRREP" << "";
        QTest::newRow("pattern of a path, focus points, shutters, pauses")
            << "DEFREP 0,0\nLINE 0,0,1,0,1\nPOINTZ 5\nSHOPEN 1\nFDELAY 300\nENDREP\nPOINT 3,3"
            << "P 0,0; P 0,0; P 1,0; Z 5; F 0,0,0,0 61 0; F 0,0,0,0 63 300; P 3,3; P 3,3; P 4,3; Z 5; F 0,0,0,0 61 0; "
               "F 0,0,0,0 63 300";
        QTest::newRow("macro drops points, paths and focus points")
            << "DEFMAC\nPOINT 5,5\nLINE 0,0,1,0,1\nPOINTZ 3\nF1MOVE 2\nENDMAC\nFMACRO\nFMACRO" << "F 2,0,1,0 0 0; F 2,0,1,0 0 0";
        QTest::newRow("fmacro inside a macro records shutter word 0") << "DEFMAC\nFMACRO\nENDMAC\nFMACRO" << "F 0,0,0,0 0 0";
        QTest::newRow("fmacro before endmac") << "FMACRO\nDEFMAC\nSHOPEN 1\nFMACRO\nENDMAC" << "";
        QTest::newRow("second macro definition appends") << "DEFMAC\nSHOPEN 1\nENDMAC\nDEFMAC\nSHCLOSE 1\nENDMAC\nFMACRO"
                                                         << "F 0,0,0,0 61 0; F 0,0,0,0 60 0";
        QTest::newRow("macro inside a pattern") << "DEFMAC\nSHOPEN 2\nENDMAC\nDEFREP 0,0\nPOINT 1,1\nFMACRO\nENDREP\nPOINT 5,5"
                                                << "P 0,0; P 1,1; F 0,0,0,0 55 0; P 5,5; P 6,6; F 0,0,0,0 55 0";
        QTest::newRow("pattern defined inside a macro records the filters")
            << "DEFMAC\nDEFREP 0,0\nSHOPEN 3\nPOINT 1,1\nENDREP\nENDMAC\nFMACRO" << "";
    }

    void commands()
    {
        QFETCH(QString, recipe);
        QCOMPARE(compile(recipe.split(QLatin1Char('\n'))), 0);
        QTEST(compiled(), "expected");
        QVERIFY(kel->compileProblems().isEmpty());
    }

    void modal_data()
    {
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("expected");
        QTest::newRow("defaults, delay") << "POINTZ 1\nDELAY 250\nPOINT 1,1\nDELAY 0-INF\nPOINT 1,1\nDELAY 2.5\nPOINT 1,1"
                                         << "d=1000 xy=5 z=25000; d=250 xy=5 z=25000; d=0 xy=5 z=25000; d=0 xy=5 z=25000";
        QTest::newRow("speeds, focus speed rounded to whole steps")
            << "SPEEDXY 2.5\nSPEEDZ 1000\nPOINT 1,1\nSPEEDZ 2500.5\nPOINTZ 3\nSPEEDZ 0.5\nPOINTZ 3"
            << "d=1000 xy=2.5 z=1000; d=1000 xy=2.5 z=2501; d=1000 xy=2.5 z=1";
        QTest::newRow("filter entries carry no speed or dwell") << "DELAY 40\nSHOPEN 1" << "d=0 xy=0 z=0";
        QTest::newRow("pattern keeps its own values, from dwell 0")
            << "DELAY 300\nDEFREP 0,0\nPOINT 0,0\nDELAY 50\nSPEEDXY 2\nSPEEDZ 7\nPOINT 1,0\nSHOPEN 1\nENDREP\nPOINT 9,9"
            << "d=300 xy=5 z=25000; d=0 xy=5 z=25000; d=50 xy=2 z=7; d=50 xy=0 z=0; d=300 xy=5 z=25000; "
               "d=0 xy=5 z=25000; d=50 xy=2 z=7; d=50 xy=0 z=0";
        QTest::newRow("macro entry dwell, modal commands inside a macro")
            << "DELAY 80\nDEFMAC\nSHOPEN 1\nSPEEDXY 3\nENDMAC\nDELAY 10\nFMACRO\nPOINT 0,0" << "d=80 xy=0 z=0; d=10 xy=3 z=25000";
    }

    void modal()
    {
        QFETCH(QString, recipe);
        QCOMPARE(compile(recipe.split(QLatin1Char('\n'))), 0);
        QTEST(compiled(true), "expected");
    }

    void degenerate_data()
    {
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("problems");
        QTest::addColumn<int>("result");
        QTest::newRow("numbers not finite") << "POINT nan,1\nPOINT 1e400,0\nSPEEDXY inf\nCOMB 0,0,1,1,inf,2\nCIRCLE 1,0,0,1,-1,0,nan\nPOINT 2,2"
            << "P 2,2" << "RECIPE LINE 1: POINT NUMBER NOT FINITE; RECIPE LINE 2: POINT NUMBER NOT FINITE; RECIPE LINE 3: "
                          "SPEEDXY NUMBER NOT FINITE; RECIPE LINE 4: COMB NUMBER NOT FINITE; RECIPE LINE 5: CIRCLE NUMBER NOT FINITE" << 0;
        QTest::newRow("defrep nan") << "DEFREP nan,0\nPOINT 1,0\nENDREP" << "P 1,0; P 0,0" << "RECIPE LINE 1: DEFREP NUMBER NOT FINITE" << 0;
        QTest::newRow("focus speed below one step") << "SPEEDZ 0.4\nSPEEDZ -2\nSPEEDZ nan\nPOINTZ 1" << "Z 1"
            << "RECIPE LINE 1: SPEEDZ BELOW 1 STEP/SEC; RECIPE LINE 2: SPEEDZ BELOW 1 STEP/SEC; RECIPE LINE 3: SPEEDZ NUMBER NOT FINITE" << 0;
        QTest::newRow("fields missing") << "POINT 5\n\nARC 1,2,3\nFMOVE 3\nPOINT 1,1" << "P 1,1"
            << "RECIPE LINE 1: POINT FIELDS MISSING; RECIPE LINE 3: ARC FIELDS MISSING; RECIPE LINE 4: FMOVE FIELDS MISSING" << 0;
        QTest::newRow("step not positive") << "LINE 0,0,10,0,0\nLINE 0,0,10,0,-1\nCIRCLE 1,0,0,1,-1,0,0\nARC 1,0,-1,0,0,1,-0.5" << ""
            << "RECIPE LINE 1: LINE STEP NOT POSITIVE; RECIPE LINE 2: LINE STEP NOT POSITIVE; "
               "RECIPE LINE 3: CIRCLE STEP NOT POSITIVE; RECIPE LINE 4: ARC STEP NOT POSITIVE" << 0;
        QTest::newRow("arc third point on the start or end") << "ARC 1,0,-1,2,1,0,0.1\nARC 1,0,-1,2,-1,2,0.1\nPOINT 1,1" << "P 1,1"
            << "RECIPE LINE 1: ARC THIRD POINT AT START OR END ANGLE; RECIPE LINE 2: ARC THIRD POINT AT START OR END ANGLE" << 0;
        QTest::newRow("paths shorter than their step") << "LINE 1,1,2,1,5\nLINE 4,4,4,4,1\nCIRCLE 1,0,0,1,-1,0,100\nARC 1,0,-1,0,0,1,100"
                                                       << "P 1,1; P 4,4; P 0,1; P 1,0" << "" << 0;
        QTest::newRow("line out of range") << "LINE -1e308,0,1e308,0,1" << "" << "RECIPE LINE 1: LINE OUT OF RANGE" << 0;
        QTest::newRow("pattern sum beyond range") << "DEFREP 0,0\nPOINT 1e308,0\nENDREP\nPOINT 1e308,0"
                                                  << "P 0,0; P 1e+308,0; P 1e+308,0" << "" << 0;
        // Points in a line give no circle: the compile stops there.
        QTest::newRow("circle points in a line") << "POINT 1,1\n\nCIRCLE 0,0,1,1,2,2,0.5\nPOINT 2,2" << "P 1,1"
                                                 << "RECIPE LINE 3: CIRCLE POINTS IN A LINE" << -1;
        QTest::newRow("arc points in a line") << "POINT 1,1\n\nARC 0,0,2,0,1,0,0.5\nPOINT 2,2" << "P 1,1"
                                              << "RECIPE LINE 3: ARC POINTS IN A LINE" << -1;
    }

    // Each faulty line adds nothing and is named by its line number, on the diagnostic
    // output too; the speeds stay as they were.
    void degenerate()
    {
        QFETCH(QString, recipe);
        QFETCH(QString, problems);
        QTEST(compile(recipe.split(QLatin1Char('\n'))), "result");
        QTEST(compiled(), "expected");
        QCOMPARE(kel->compileProblems().join(QStringLiteral("; ")), problems);
        for (int i = 0; i < kel->compiledPointCount(); ++i)
            QVERIFY(kel->compiledPoint(i).filtmove || describe(kel->compiledPoint(i), true).endsWith("xy=5 z=25000"));
        for (const QString &problem : kel->compileProblems())
            QVERIFY(!diagnostics->lines().filter(problem.section(QStringLiteral(": "), 1)).isEmpty());
    }

    void problemsAreBounded()
    {
        compile(repeated("POINT %1", 25));
        const QStringList problems = kel->compileProblems();
        QCOMPARE(problems.size(), 21);
        QCOMPARE(problems.last(), QStringLiteral("RECIPE: 5 MORE LINES SKIPPED"));
        compile({"POINT 1,1"});
        QVERIFY(kel->compileProblems().isEmpty());
    }

    void capacity_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QString>("counts");   // entries, pattern entries, macro entries, the last entry
        QTest::newRow("run list full") << repeated("POINT %1,0", 4000) << "3999 0 0 P 3998,0";
        QTest::newRow("shutter entries beyond the list") << repeated("SHOPEN 1%1", 4100) << "3999 0 0 F 0,0,0,0 0 0";
        QTest::newRow("endless path") << QStringList{"COMB 0,0,0,0,0,0"} << "3999 0 0 P 0,0";
        // Well beyond a billion intervals the points still keep their spacing (2^-20 mm).
        QTest::newRow("fine step on a long line") << QStringList{"LINE 0,0,1536,0,0.00000095367431640625"} << "3999 0 0 P 0.003813,0";
        QTest::newRow("pattern full") << QStringList{"DEFREP 0,0"} + repeated("POINT %1,0", 250) + QStringList{"ENDREP"}
                                      << "200 199 0 P 198,0";
        QTest::newRow("macro full") << QStringList{"DEFMAC"} + repeated("F1MOVE %1", 60) + QStringList{"ENDMAC", "FMACRO"}
                                    << "49 0 49 F 48,0,1,0 0 0";
        QTest::newRow("pattern placement stops at the limit")
            << QStringList{"DEFREP 0,0", "POINT 0,1", "POINT 0,2", "POINT 0,3", "ENDREP", "CLRREP"} + repeated("POINT %1,0", 3993)
                   + QStringList{"ENDREP"} << "3999 3 0 P 0,1";
        QTest::newRow("macro insertion fills the list")
            << QStringList{"DEFMAC", "SHOPEN 1", "SHOPEN 2", "SHOPEN 3", "ENDMAC"} + repeated("POINT %1,0", 3997)
                   + QStringList{"FMACRO"} << "3999 0 3 F 0,0,0,0 55 0";
        // Points that cannot be kept are not worked out (the paths' work is checked below).
        QTest::newRow("paths inside a macro") << QStringList{"DEFMAC", "CIRCLE 0,1,1,0,-1,0,1e-5", "LINE 0,0,9,0,1e-5", "ENDMAC"} << "0 0 0 P 0,0";
        QTest::newRow("paths into a full pattern") << QStringList{"DEFREP 0,0", "CIRCLE 0,1,1,0,-1,0,1e-5", "RASTER 0,0,1e-5,1e-5,9,9"}
                                                   << "0 199 0 P 0,0";
        QTest::newRow("macro into the pattern stops at its limit")
            << QStringList{"DEFMAC", "SHOPEN 1", "SHOPEN 2", "SHOPEN 3", "ENDMAC", "DEFREP 0,0"} + repeated("POINT %1,0", 197)
                   + QStringList{"FMACRO", "ENDREP"} << "200 199 3 F 0,0,0,0 55 0";
    }

    void capacity()
    {
        QFETCH(QStringList, recipe);
        const qint64 pathWork = Ptx::pathPointsMade();
        QCOMPARE(compile(recipe), 0);
        QVERIFY(Ptx::pathPointsMade() - pathWork <= Ptx::PointListSize + Ptx::RptListSize + recipe.size());
        const int last = kel->compiledPointCount() - 1;
        QTEST(QStringLiteral("%1 %2 %3 %4").arg(last + 1).arg(kel->compiledPatternCount()).arg(kel->compiledMacroCount())
                  .arg(describe(kel->compiledPoint(std::max(last, 0)))), "counts");
    }

    // A compile starts from empty lists and default values (ALIGN too, which counts for a run
    // only), but the jog increments come from the settings and the pattern origin stays from
    // the last compile. The editor's check of a recipe refuses ALIGN.
    void stateAcrossCompiles()
    {
        compile({"ALIGN 1,2,3,4", "DEFMAC", "SHOPEN 1", "ENDMAC", "DEFREP 5,6", "POINT 1,1", "ENDREP", "DELAY 5", "SPEEDXY 1",
                 "ARC 1,0,-1,0,0,1,0.5", "INCR 2,3"});
        QVERIFY(kel->compiledAlign());
        QCOMPARE(QList<QPointF>({kel->alignPoint(1), kel->alignPoint(2)}), QList<QPointF>({{1, 2}, {3, 4}}));
        // The jog steps in force show in the commands of a jog along X and Y.
        const auto jog = [this] { kel->incX(true); kel->incY(true); };
        jog();
        kel->setXYDefIncr(0.5);
        QCOMPARE(compile({"FMACRO", "POINT 3,3", "ENDREP"}), 0);
        QCOMPARE(kel->compiledMacroCount(), 0);
        QCOMPARE(compiled(), QStringLiteral("P 3,3; P 5,6"));
        QCOMPARE(describe(kel->compiledPoint(0), true), QStringLiteral("d=1000 xy=5 z=25000"));
        QVERIFY(!kel->compiledAlign());
        QCOMPARE(kel->alignPoint(2), QPointF(10000, 0));
        jog();
        QCOMPARE(kel->pendingCommands(), QStringList({"1,65,4,20000", "2,65,4,30000", "1,65,4,5000", "2,65,4,5000"}));
        QCOMPARE(compile({}), 0);
        QCOMPARE(kel->compiledPointCount(), 0);
        QVERIFY(diagnostics->lines().isEmpty());
        kel->setRecipe({"ALIGN 1,2,3,4"});
        QCOMPARE(kel->ProcessRecipe(), 0);
        QVERIFY(!kel->compiledAlign());
    }

    // Endless requests (a zero-step grid, the largest counts) end on a full sink or at the
    // path bound; subdivision counts are whole, and none for nothing.
    void expansionsEnd()
    {
        QCOMPARE(QList<int>({Ptx::subdivisionCount(2.9), Ptx::subdivisionCount(-3), Ptx::subdivisionCount(qQNaN()),
                             Ptx::subdivisionCount(qInf())}), QList<int>({2, 0, 0, Ptx::MaxSubdivisions}));
        int got = 0;
        int room = 0;
        bool finite = true;
        const Ptx::PointSink sink = [&](double x, double y) {
            finite = finite && std::isfinite(x) && std::isfinite(y);
            return ++got < room;
        };
        const int most = Ptx::MaxSubdivisions;
        const std::function<int()> expansions[] = {
            [&] { return Ptx::linePoints(0, 0, 1, 0, most, sink); }, [&] { return Ptx::gridPoints(0, 0, 0, 0, 0, 0, false, sink); },
            [&] { return Ptx::circlePoints({0, 0, 1}, most, sink); }, [&] { return Ptx::arcPoints({0, 0, 1}, 0, {1, 1}, most, sink); }};
        for (const int limit : {3, INT_MAX}) {
            room = limit;
            for (const auto &expand : expansions) {
                got = 0;
                QVERIFY(expand() == std::min(limit, Ptx::MaxPathPoints) && got == std::min(limit, Ptx::MaxPathPoints));
            }
        }
        QVERIFY(finite);
    }

    // Halfway cases of both formats, negative zero, the far ends of the range; then short
    // decimals of every size, as recipes hold them, and arbitrary doubles.
    void diagnosticNumbers()
    {
        const auto compareFormats = [](double value) {
            Ptx::DiagText fixed;
            fixed.fixed(value);
            char expected[400];
            std::snprintf(expected, sizeof expected, "%f", value);
            QCOMPARE(fixed.toString(), QString::fromLatin1(expected));
            Ptx::DiagText general;
            general.general(value);
            QCOMPARE(general.toString(), Ptx::numberText(value));
        };
        for (const double v : {-0.0, 999999.5, 99999.95, 0.0078125, 9.9999995, 1.015625, 1.234375, 0.5078125,
                               1015625.0, 3.0517578125e-05, 0.9999995, 4503599627370497.0, 1e300, -1e308,
                               2.5e-310, qInf(), -qInf()})
            compareFormats(v);
        QRandomGenerator random(20261206);
        for (int i = 0; i < 20000 && !QTest::currentTestFailed(); ++i) {
            const int decimals = int(random.bounded(8));
            const double scale = std::pow(10.0, int(random.bounded(16)) - 8);
            const double shortDecimal = std::round(random.bounded(2e6) - 1e6) / std::pow(10.0, decimals);
            compareFormats(shortDecimal);
            compareFormats(shortDecimal * scale);
            compareFormats((random.generateDouble() - 0.5) * scale);
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("saved");   // saving the recipe writes exactly these bytes
        QTest::newRow("empty recipe, empty file") << QStringList{} << QByteArray() << true;
        QTest::newRow("empty lines, blanks, beyond ascii") << QStringList{"", "  POINT 1 , 2  ", "\tx", "", "Probe \u00b5m"}
            << QByteArray("\n  POINT 1 , 2  \n\tx\n\nProbe \xc2\xb5m\n") << true;
        QTest::newRow("mixed, no final line end") << QStringList{"A", "B", "C"} << QByteArray("A\r\nB\nC") << false;
    }

    // Saving over a longer file leaves exactly the recipe's bytes; the bytes load back.
    void roundTrip()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, saved);
        writeFile("run.rcp", "stale content that is longer than the new one\n");
        kel->setFileName("run.rcp");
        kel->setRecipe(recipe);
        kel->saveRcp();
        if (saved)
            QCOMPARE(readFile("run.rcp", Missing), bytes);
        writeFile("run.rcp", bytes);
        kel->setRecipe({"other"});
        kel->loadRcp();
        QCOMPARE(kel->getRecipe(), recipe);
    }

    // Every example recipe shipped with the panel compiles whole: no line skipped, every
    // line either a command or a "#" comment, and something to run.
    void examplesCompile_data()
    {
        QTest::addColumn<QString>("path");
        const QDir examples(QStringLiteral(PTX_EXAMPLES_DIR));
        for (const QFileInfo &file : examples.entryInfoList({QStringLiteral("*.rcp")}, QDir::Files))
            QTest::newRow(qPrintable(file.fileName())) << file.filePath();
    }

    void examplesCompile()
    {
        QFETCH(QString, path);
        QVERIFY(QDir(QStringLiteral(PTX_EXAMPLES_DIR)).entryList({QStringLiteral("*.rcp")}).size() >= 6);
        QStringList lines;
        QVERIFY(Ptx::readRecipeFile(path, &lines));
        QCOMPARE(compile(lines), 0);
        QCOMPARE(kel->compileProblems(), QStringList());
        QVERIFY(kel->compiledPointCount() > 0);
        const auto comments = std::count_if(lines.begin(), lines.end(), [](const QString &l) { return l.startsWith(QLatin1Char('#')); });
        const QStringList diag = diagnostics->lines();
        QCOMPARE(std::count_if(diag.begin(), diag.end(), [](const QString &l) { return l.contains(QLatin1String("UNKNOWN COMMAND")); }),
                 comments);
    }

    void tooLargeFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");   // the display line; the recipe stays
        QTest::newRow("over 4 MiB") << QByteArray(Ptx::MaxRecipeFileBytes + 1, 'x') << "RECIPE FILE big.rcp OVER 4 MiB: NOT LOADED";
        QTest::newRow("a line too many") << QByteArray(Ptx::MaxRecipeFileLines + 1, '\n') << "RECIPE FILE big.rcp OVER 20000 LINES: NOT LOADED";
    }

    // Neither loaded nor cut short, and not an opening error: the display says why.
    void tooLargeFiles()
    {
        QFETCH(QByteArray, bytes);
        writeFile("big.rcp", bytes);
        kel->setRecipe({"POINT 5,5"});
        kel->setFileName("big.rcp");
        QSignalSpy display(&*kel, &KelInterface::addDispLine);
        kel->loadRcp();
        QTEST(display.value(0).value(0).toString(), "shown");
        QVERIFY(kel->getRecipe() == QStringList{"POINT 5,5"} && !diagnostics->lines().contains(QStringLiteral("Error opening file")));
    }

    void fileErrors_data()
    {
        QTest::addColumn<bool>("screen");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytesAfter");
        QTest::newRow("load a missing file") << true << false << "missing.rcp" << Missing;
        QTest::newRow("save into a missing folder") << true << true << "no such folder/run.rcp" << Missing;
        QTest::newRow("save that falls short") << true << true << "run.rcp" << QByteArray("POINT 1,1\n");
        QTest::newRow("without a screen, nothing waits") << false << false << "missing.rcp" << Missing;
    }

    // The recipe in memory and any old file stay as they were; the operator is told.
    void fileErrors()
    {
        QFETCH(bool, screen);
        QFETCH(bool, save);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytesAfter);
        Ptx::setFileErrorReporter(screen ? Ptx::showFileErrorBox : std::function<void()>());
        if (bytesAfter != Missing)
            writeFile(name, bytesAfter);
        const QStringList big = repeated(QStringLiteral("POINT %1,%1"), 100);
        kel->setRecipe(big);
        kel->setFileName(name);
        QString shown;   // the box, when a screen shows one
        if (screen) {
            QTimer::singleShot(0, [&shown] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    // Like every dialog of the panel, the box carries HALT.
                    if (box->findChild<QPushButton *>(QStringLiteral("butHalt")))
                        shown = box->text();
                    box->button(QMessageBox::Ok)->click();
                }
            });
        }
        {
            const FileSizeLimit limit(64);
            QVERIFY(limit.ok);
            save ? kel->saveRcp() : kel->loadRcp();
        }
        QCOMPARE(shown, screen ? QStringLiteral("Error Opening File.") : QString());
        QVERIFY(diagnostics->lines().contains(QStringLiteral("Error opening file")));
        QCOMPARE(kel->getRecipe(), big);
        QCOMPARE(readFile(name, Missing), bytesAfter);
        // No half-written file is left behind.
        QCOMPARE(QDir::current().entryList({"*.rcp*"}, QDir::Files),
                 bytesAfter == Missing ? QStringList{} : QStringList{name});
    }
};

QTEST_MAIN(TestCompiler)
#include "tst_compiler.moc"
