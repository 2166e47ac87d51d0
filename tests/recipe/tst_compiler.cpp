// The recipe compiler: every command's entries, path shapes, pattern and macro interplay,
// list limits, ALIGN, degenerate input and the diagnostics.
#include "compilerprobe.h"
#include "support/diagcapture.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Six decimals tell points apart and hide the path geometry's short half turn.
QString coordinate(double value)
{
    if (std::fabs(value) < 1e9)
        value = std::round(value * 1e6) / 1e6 + 0.0;
    return QString::number(value);
}

QString describe(const recipePointStruct &e)
{
    if (!e.filtmove) {
        return e.zmove ? QStringLiteral("Z %1").arg(coordinate(e.z))
                       : QStringLiteral("P %1,%2").arg(coordinate(e.x), coordinate(e.y));
    }
    return QStringLiteral("F %1,%2,%3,%4 %5 %6")
        .arg(e.f1pos).arg(e.f2pos).arg(int(e.f1move)).arg(int(e.f2move)).arg(e.shopt).arg(e.fdelay);
}

QString timing(const recipePointStruct &e)
{
    return QStringLiteral("d=%1 xy=%2 z=%3").arg(e.delay).arg(e.speedxy).arg(e.speedz);
}

QStringList entries(const CompilerProbe &kel, QString (*format)(const recipePointStruct &) = describe)
{
    QStringList list;
    for (int i = 0; i < kel.numPointsDefined; ++i)
        list << format(kel.pointList[i]);
    return list;
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
    std::optional<CompilerFixture> fixture;
    CompilerProbe &kel() { return fixture->kel; }
    // Compiles recipe with only its own diagnostic lines collected.
    int compile(const QStringList &recipe)
    {
        kel().setRecipe(recipe);
        diagnostics.reset();
        diagnostics.emplace();
        return kel().ScanRecipe();
    }

private slots:
    void init()
    {
        diagnostics.emplace();
        fixture.emplace();
    }
    void cleanup()
    {
        fixture.reset();
        diagnostics.reset();
    }

    void commands_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("point forms") << QStringList{"POINT 10,20", "POINT10,20", "POINT 10 , 20", "POINT 1e1,+20"}
            << QStringList{"P 10,20", "P 10,20", "P 10,20", "P 10,20"};
        QTest::newRow("points reads S as 0") << QStringList{"POINTS 1,2"} << QStringList{"P 0,2"};
        QTest::newRow("not commands") << QStringList{"point 1,2", "Point 1,2", " POINT 1,2", "POIN", "{END}", "", "; note"}
            << QStringList{};
        QTest::newRow("decimal fields read whole") << QStringList{"POINT 5mm,0x10", "POINT 1 2,2;5", "POINT 1e-400,+4",
                                                                  "POINT 1,2,3,nan", "POINT 5,"}
            << QStringList{"P 0,0", "P 0,0", "P 0,4", "P 1,2", "P 5,0"};
        QTest::newRow("pointz and zpoint") << QStringList{"POINTZ 150", "ZPOINT 150", "ZPOINT-2.5", "POINTZ 1,5"}
            << QStringList{"Z 150", "Z 150", "Z -2.5", "Z 0"};
        QTest::newRow("fdelay") << QStringList{"FDELAY 0", "FDELAY -5", "FDELAY 500", "FDELAY 2.5"}
            << QStringList{"F 0,0,0,0 63 500"};
        QTest::newRow("exptim") << QStringList{"EXPTIM 2,150", "EXPTIM 5,200", "EXPTIM 3,0", "EXPTIM 1,70000", "EXPTIM 2,-1"}
            << QStringList{QStringLiteral("F 0,0,0,0 %1 0").arg(512 + 150 * 65536),
                           QStringLiteral("F 0,0,0,0 %1 0").arg(256 + 200 * 65536), "F 0,0,0,0 1024 0",
                           QStringLiteral("F 0,0,0,0 %1 0").arg(256u + 65535u * 65536u), "F 0,0,0,0 512 0"};
        QTest::newRow("fmove") << QStringList{"FMOVE 1,2", "FMOVE 0-NONE,3", "FMOVE -1-HOME,3", "FMOVE -1,0", "FMOVE 0,0"}
            << QStringList{"F 1,2,1,1 0 0", "F 0,3,0,1 0 0", "F 0,3,0,1 0 0", "F -1,0,1,0 0 0", "F 0,0,0,0 0 0"};
        QTest::newRow("sctrl") << QStringList{"SCTRL 2,1,0", "SCTRL 3,3,3", "SCTRL 7,7,7", "SCTRL 1,9,-1"}
            << QStringList{"F 0,0,0,0 6 0", "F 0,0,0,0 63 0", "F 0,0,0,0 63 0", "F 0,0,0,0 61 0"};
        QTest::newRow("wheel moves") << QStringList{"F1MOVE 3,7", "F2MOVE 4", "F1MOVE 0-HOME", "F2MOVE 0-Inf"}
            << QStringList{"F 3,0,1,0 0 0", "F 0,4,0,1 0 0", "F 0,0,1,0 0 0", "F 0,0,0,1 0 0"};
        QTest::newRow("integer fields read whole") << QStringList{"F1MOVE 2.5", "F1MOVE 1e3", "F1MOVE 2147483647",
                                                                  "F1MOVE 4294967296", "F1MOVE nan"}
            << QStringList{"F 0,0,1,0 0 0", "F 0,0,1,0 0 0", "F 2147483647,0,1,0 0 0", "F 0,0,1,0 0 0",
                           "F 0,0,1,0 0 0"};
        QTest::newRow("shopen") << QStringList{"SHOPEN 1", "SHOPEN 2", "SHOPEN 3", "SHOPEN 4", "SHOPEN"}
            << QStringList{"F 0,0,0,0 61 0", "F 0,0,0,0 55 0", "F 0,0,0,0 31 0", "F 0,0,0,0 0 0", "F 0,0,0,0 0 0"};
        QTest::newRow("shclose") << QStringList{"SHCLOSE 1", "SHCLOSE 2", "SHCLOSE 3", "SHCLOSE 0"}
            << QStringList{"F 0,0,0,0 60 0", "F 0,0,0,0 51 0", "F 0,0,0,0 15 0", "F 0,0,0,0 0 0"};
        QTest::newRow("shexp") << QStringList{"SHEXP 1", "SHEXP 2", "SHEXP 3", "SHEXP -1"}
            << QStringList{"F 0,0,0,0 62 0", "F 0,0,0,0 59 0", "F 0,0,0,0 47 0", "F 0,0,0,0 0 0"};
        QTest::newRow("comb") << QStringList{"COMB 0,0,1,1,2,2"}
            << QStringList{"P 0,0", "P 1,0", "P 2,0", "P 2,1", "P 1,1", "P 0,1", "P 0,2", "P 1,2", "P 2,2"};
        QTest::newRow("comb -x +y") << QStringList{"COMB 0,0,-1,1,-1,1"} << QStringList{"P 0,0", "P -1,0", "P -1,1", "P 0,1"};
        QTest::newRow("comb -x -y") << QStringList{"COMB 0,0,-1,-1,-1,-1"}
            << QStringList{"P 0,0", "P -1,0", "P -1,-1", "P 0,-1"};
        QTest::newRow("comb +x -y") << QStringList{"COMB 0,0,1,-1,1,-1"} << QStringList{"P 0,0", "P 1,0", "P 1,-1", "P 0,-1"};
        QTest::newRow("comb end past half a step") << QStringList{"COMB 0,0,1,1,2.6,0"}
            << QStringList{"P 0,0", "P 1,0", "P 2,0", "P 3,0"};
        QTest::newRow("comb returning row stops at the start column") << QStringList{"COMB 5,5,7,6,8.9,6"}
            << QStringList{"P 5,5", "P 7,5", "P 9,5", "P 9,6", "P 7,6", "P 5,6"};
        QTest::newRow("raster") << QStringList{"RASTER 0,0,1,1,2,2"}
            << QStringList{"P 0,0", "P 1,0", "P 2,0", "P 0,1", "P 1,1", "P 2,1", "P 0,2", "P 1,2", "P 2,2"};
        QTest::newRow("raster -x +y") << QStringList{"RASTER 0,0,-1,1,-1,1"} << QStringList{"P 0,0", "P -1,0", "P 0,1", "P -1,1"};
        QTest::newRow("raster -x -y") << QStringList{"RASTER 0,0,-1,-1,-1,-1"}
            << QStringList{"P 0,0", "P -1,0", "P 0,-1", "P -1,-1"};
        QTest::newRow("raster +x -y") << QStringList{"RASTER 0,0,1,-1,1,-1"} << QStringList{"P 0,0", "P 1,0", "P 0,-1", "P 1,-1"};
        QTest::newRow("line") << QStringList{"LINE 0,0,10,0,3", "LINE 3,4,0,0,2.5"}
            << QStringList{"P 0,0", "P 3.33333,0", "P 6.66667,0", "P 10,0", "P 3,4", "P 1.5,2", "P 0,0"};
        QTest::newRow("circle") << QStringList{"CIRCLE 1,0,0,1,-1,0,0.5"}
            << QStringList{"P 0,1", "P 0.5,0.866025", "P 0.866025,0.5", "P 1,0", "P 0.866025,-0.5",
                           "P 0.5,-0.866025", "P 0,-1", "P -0.5,-0.866025", "P -0.866025,-0.5", "P -1,0",
                           "P -0.866025,0.5", "P -0.5,0.866025", "P 0,1"};
        QTest::newRow("circle given the other way round") << QStringList{"CIRCLE -1,2,1,2,0,3,1.5"}
            << QStringList{"P 0,3", "P 1,2", "P 0,1", "P -1,2", "P 0,3"};
        QTest::newRow("arc over the top") << QStringList{"ARC 1,0,-1,0,0,1,0.5"}
            << QStringList{"P 1,0", "P 0.866025,0.5", "P 0.5,0.866025", "P 0,1", "P -0.5,0.866025",
                           "P -0.866025,0.5", "P -1,0"};
        QTest::newRow("arc through the bottom") << QStringList{"ARC 1,0,-1,0,0,-1,1.5"}
            << QStringList{"P 1,0", "P 0,-1", "P -1,0"};
        QTest::newRow("arc across angle 0") << QStringList{"ARC 0,-1,0,1,1,0,1.5"} << QStringList{"P 0,-1", "P 1,0", "P 0,1"};
        QTest::newRow("arc back across angle 0") << QStringList{"ARC 0,1,0,-1,1,0,1.5"}
            << QStringList{"P 0,1", "P 1,0", "P 0,-1"};
        // 13 subdivisions of the circle: every second one, so the arc ends one short of its end.
        QTest::newRow("arc of odd subdivisions") << QStringList{"ARC 1,0,-1,0,0,1,0.48"}
            << QStringList{"P 1,0", "P 0.885456,0.464723", "P 0.568065,0.822984", "P 0.120537,0.992709",
                           "P -0.354605,0.935016", "P -0.748511,0.663123", "P -0.970942,0.239316"};
        QTest::newRow("pattern") << QStringList{"DEFREP 0,0", "POINT 1,0", "POINT 0,1", "ENDREP", "POINT 10,10"}
            << QStringList{"P 0,0", "P 1,0", "P 0,1", "P 10,10", "P 11,10", "P 10,11"};
        QTest::newRow("pattern origin elsewhere") << QStringList{"DEFREP 5,5", "POINT 1,0", "ENDREP"}
            << QStringList{"P 5,5", "P 6,5"};
        QTest::newRow("clrrep") << QStringList{"DEFREP 0,0", "POINT 1,0", "ENDREP", "CLRREP", "POINT 10,10"}
            << QStringList{"P 0,0", "P 1,0", "P 10,10"};
        QTest::newRow("second definition appends") << QStringList{"DEFREP 0,0", "POINT 1,0", "ENDREP", "DEFREP 0,0",
                                                                  "POINT 0,1", "ENDREP"}
            << QStringList{"P 0,0", "P 1,0", "P 0,0", "P 1,0", "P 0,1"};
        QTest::newRow("pattern before its endrep is not placed") << QStringList{"DEFREP 0,0", "POINT 1,0", "CLRREP"}
            << QStringList{};
        QTest::newRow("pattern of a path") << QStringList{"DEFREP 0,0", "LINE 0,0,2,0,1", "ENDREP"}
            << QStringList{"P 0,0", "P 0,0", "P 1,0", "P 2,0"};
        QTest::newRow("pattern places focus points, shutters, pauses")
            << QStringList{"DEFREP 0,0", "POINTZ 5", "SHOPEN 1", "FDELAY 300", "ENDREP", "POINT 3,3"}
            << QStringList{"P 0,0", "Z 5", "F 0,0,0,0 61 0", "F 0,0,0,0 63 300", "P 3,3", "Z 5", "F 0,0,0,0 61 0",
                           "F 0,0,0,0 63 300"};
        QTest::newRow("macro drops points, paths and focus points")
            << QStringList{"DEFMAC", "POINT 5,5", "LINE 0,0,1,0,1", "POINTZ 3", "F1MOVE 2", "ENDMAC", "FMACRO", "FMACRO"}
            << QStringList{"F 2,0,1,0 0 0", "F 2,0,1,0 0 0"};
        QTest::newRow("fmacro before endmac") << QStringList{"FMACRO", "DEFMAC", "SHOPEN 1", "FMACRO", "ENDMAC"}
            << QStringList{};
        QTest::newRow("fmacro inside a macro records shutter word 0") << QStringList{"DEFMAC", "FMACRO", "ENDMAC", "FMACRO"}
            << QStringList{"F 0,0,0,0 0 0"};
        QTest::newRow("second macro definition appends") << QStringList{"DEFMAC", "SHOPEN 1", "ENDMAC", "DEFMAC",
                                                                        "SHCLOSE 1", "ENDMAC", "FMACRO"}
            << QStringList{"F 0,0,0,0 61 0", "F 0,0,0,0 60 0"};
        QTest::newRow("macro inside a pattern") << QStringList{"DEFMAC", "SHOPEN 2", "ENDMAC", "DEFREP 0,0", "POINT 1,1",
                                                               "FMACRO", "ENDREP", "POINT 5,5"}
            << QStringList{"P 0,0", "P 1,1", "F 0,0,0,0 55 0", "P 5,5", "P 6,6", "F 0,0,0,0 55 0"};
        QTest::newRow("pattern defined inside a macro records the filters")
            << QStringList{"DEFMAC", "DEFREP 0,0", "SHOPEN 3", "POINT 1,1", "ENDREP", "ENDMAC", "FMACRO"} << QStringList{};
    }

    void commands()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QStringList, expected);
        QCOMPARE(compile(recipe), 0);
        QCOMPARE(entries(kel()), expected);
        QVERIFY(kel().compileProblems().isEmpty());
    }

    void modal_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("defaults") << QStringList{"POINT 1,1", "POINTZ 1"}
            << QStringList{"d=1000 xy=5 z=25000", "d=1000 xy=5 z=25000"};
        QTest::newRow("delay") << QStringList{"DELAY 250", "POINT 1,1", "DELAY 0-INF", "POINT 1,1"}
            << QStringList{"d=250 xy=5 z=25000", "d=0 xy=5 z=25000"};
        QTest::newRow("delay integer field") << QStringList{"DELAY 2.5", "POINT 1,1", "DELAY 100,200", "POINT 1,1"}
            << QStringList{"d=0 xy=5 z=25000", "d=0 xy=5 z=25000"};
        QTest::newRow("speeds") << QStringList{"SPEEDXY 2.5", "SPEEDZ 1000", "POINT 1,1", "SPEEDZ 2.5", "POINTZ 3"}
            << QStringList{"d=1000 xy=2.5 z=1000", "d=1000 xy=2.5 z=0"};
        QTest::newRow("filter entries carry no speed or dwell") << QStringList{"DELAY 40", "SHOPEN 1"}
            << QStringList{"d=0 xy=0 z=0"};
        QTest::newRow("pattern keeps its own values") << QStringList{"DELAY 300", "DEFREP 0,0", "DELAY 50", "SPEEDXY 2",
                                                                     "SPEEDZ 7", "POINT 1,0", "ENDREP", "POINT 9,9"}
            << QStringList{"d=300 xy=5 z=25000", "d=50 xy=2 z=7", "d=300 xy=5 z=25000", "d=50 xy=2 z=7"};
        QTest::newRow("pattern values start at dwell 0") << QStringList{"DEFREP 0,0", "POINT 1,0", "ENDREP"}
            << QStringList{"d=1000 xy=5 z=25000", "d=0 xy=5 z=25000"};
        QTest::newRow("pattern filter entry dwell") << QStringList{"DEFREP 0,0", "DELAY 70", "SHOPEN 1", "ENDREP"}
            << QStringList{"d=1000 xy=5 z=25000", "d=70 xy=0 z=0"};
        QTest::newRow("macro entry dwell") << QStringList{"DELAY 80", "DEFMAC", "SHOPEN 1", "ENDMAC", "DELAY 10", "FMACRO"}
            << QStringList{"d=80 xy=0 z=0"};
        QTest::newRow("modal commands inside a macro still count")
            << QStringList{"DEFMAC", "SPEEDXY 3", "ENDMAC", "POINT 0,0"} << QStringList{"d=1000 xy=3 z=25000"};
    }

    void modal()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QStringList, expected);
        QCOMPARE(compile(recipe), 0);
        QCOMPARE(entries(kel(), timing), expected);
    }

    void degenerate_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("problems");

        QTest::newRow("numbers not finite") << QStringList{"POINT nan,1", "POINT 1e400,0", "SPEEDXY inf", "COMB 0,0,1,1,inf,2",
                                                           "CIRCLE 1,0,0,1,-1,0,nan", "POINT 2,2"}
            << QStringList{"P 2,2"}
            << QStringList{"RECIPE LINE 1: POINT NUMBER NOT FINITE", "RECIPE LINE 2: POINT NUMBER NOT FINITE",
                           "RECIPE LINE 3: SPEEDXY NUMBER NOT FINITE", "RECIPE LINE 4: COMB NUMBER NOT FINITE",
                           "RECIPE LINE 5: CIRCLE NUMBER NOT FINITE"};
        QTest::newRow("defrep nan") << QStringList{"DEFREP nan,0", "POINT 1,0", "ENDREP"} << QStringList{"P 1,0", "P 0,0"}
            << QStringList{"RECIPE LINE 1: DEFREP NUMBER NOT FINITE"};
        QTest::newRow("fields missing") << QStringList{"POINT 5", "", "ARC 1,2,3", "FMOVE 3", "POINT 1,1"}
            << QStringList{"P 1,1"}
            << QStringList{"RECIPE LINE 1: POINT FIELDS MISSING", "RECIPE LINE 3: ARC FIELDS MISSING",
                           "RECIPE LINE 4: FMOVE FIELDS MISSING"};
        QTest::newRow("step not positive") << QStringList{"LINE 0,0,10,0,0", "LINE 0,0,10,0,-1", "CIRCLE 1,0,0,1,-1,0,0",
                                                          "ARC 1,0,-1,0,0,1,-0.5"}
            << QStringList{}
            << QStringList{"RECIPE LINE 1: LINE STEP NOT POSITIVE", "RECIPE LINE 2: LINE STEP NOT POSITIVE",
                           "RECIPE LINE 3: CIRCLE STEP NOT POSITIVE", "RECIPE LINE 4: ARC STEP NOT POSITIVE"};
        QTest::newRow("arc third point on the start or end") << QStringList{"ARC 1,0,-1,2,1,0,0.1", "ARC 1,0,-1,2,-1,2,0.1",
                                                                            "POINT 1,1"}
            << QStringList{"P 1,1"}
            << QStringList{"RECIPE LINE 1: ARC THIRD POINT AT START OR END ANGLE",
                           "RECIPE LINE 2: ARC THIRD POINT AT START OR END ANGLE"};
        QTest::newRow("paths shorter than their step") << QStringList{"LINE 1,1,2,1,5", "LINE 4,4,4,4,1",
                                                                      "CIRCLE 1,0,0,1,-1,0,100", "ARC 1,0,-1,0,0,1,100"}
            << QStringList{"P 1,1", "P 4,4", "P 0,1", "P 1,0"} << QStringList{};
        QTest::newRow("line out of range") << QStringList{"LINE -1e308,0,1e308,0,1"} << QStringList{}
            << QStringList{"RECIPE LINE 1: LINE OUT OF RANGE"};
        QTest::newRow("pattern sum beyond range") << QStringList{"DEFREP 0,0", "POINT 1e308,0", "ENDREP", "POINT 1e308,0"}
            << QStringList{"P 0,0", "P 1e+308,0", "P 1e+308,0"} << QStringList{};
    }

    void degenerate()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, problems);
        QCOMPARE(compile(recipe), 0);
        QCOMPARE(entries(kel()), expected);
        QCOMPARE(kel().compileProblems(), problems);
        QCOMPARE(kel().curSpeedXY, 5.0);
        for (int i = 0; i < kel().numPointsDefined; ++i)
            QVERIFY(std::isfinite(kel().pointList[i].x) && std::isfinite(kel().pointList[i].y));
        // Every problem is named on the diagnostic output too.
        for (const QString &problem : std::as_const(problems))
            QVERIFY(!diagnostics->lines().filter(problem.section(QStringLiteral(": "), 1)).isEmpty());
    }

    void echo_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("echo");

        QTest::newRow("zpoint") << "ZPOINT 1" << "LINE:ZPOINT 1 POINTZ 1,0";
        QTest::newRow("delay") << "DELAY 0-INF" << "LINE:DELAY 0-INF DELAY set to 0";
        QTest::newRow("exptim") << "EXPTIM 5,200" << "LINE:EXPTIM 5,200 EXPTIM 1 set to 200";
        QTest::newRow("speedxy") << "SPEEDXY 12.3456789" << "LINE:SPEEDXY 12.3456789 SPEEDXY 12.3457";
        QTest::newRow("circle") << "CIRCLE 1,0,0,1,-1,0,9" << "LINE:CIRCLE 1,0,0,1,-1,0,9 CIRCLE 1,0,0,1,-1,0,9";
        QTest::newRow("align") << "ALIGN 1,2,3,4" << "LINE:ALIGN 1,2,3,4 ALING 1,2,3,4";
        QTest::newRow("fmove") << "FMOVE 0-NONE,3" << "LINE:FMOVE 0-NONE,3 FMOVE 0,3";
        QTest::newRow("sctrl") << "SCTRL 1,9,-1" << "LINE:SCTRL 1,9,-1 SCTRL 1,3,3";
        QTest::newRow("f1move") << "F1MOVE 3,7" << "LINE:F1MOVE 3,7 F1MOVE 3";
        QTest::newRow("unknown") << "{END}" << "LINE:{END}---UNKNOWN COMMAND---";
    }

    void echo()
    {
        QFETCH(QString, line);
        QFETCH(QString, echo);
        compile({line});
        QCOMPARE(diagnostics->lines().count(echo), 1);
    }

    void listing()
    {
        compile({"DEFMAC", "SHOPEN 1", "ENDMAC", "DEFREP 0,0", "POINTZ 2", "ENDREP", "FMACRO", "POINT 1,2"});
        const QStringList expected{
            "LINE:DEFMAC DEFMAC", "LINE:SHOPEN 1 SHOPEN 1", "LINE:ENDMAC ENDMAC", "LINE:DEFREP 0,0 DEFREP 0,0",
            "LINE:POINTZ 2 POINTZ 2,0", "LINE:ENDREP ENDREP",
            "  PT 0.000000,0.000000,0.000000  SP=5.000000 SPZ=25000.000000",
            "  PT 0.000000,0.000000,2.000000  SP=5.000000 SPZ=25000.000000",
            "LINE:FMACRO FMAC", "  SH 0,0 0x3d 0", "LINE:POINT 1,2 POINT 1,2",
            "  PT 1.000000,2.000000,0.000000  SP=5.000000 SPZ=25000.000000",
            "  PT 1.000000,2.000000,2.000000  SP=5.000000 SPZ=25000.000000",
            "Total Points Defined:5\n", "Total Rep Points Defined:1",
            "Macro List:", "SH W1=0 W2=0 SH1=1 SH2=3 SH3=3",
            "Repeat List:", "PT x=0 y=0 z=2 spxy=5 spz=25000",
            "Points List:", "PT x=0 y=0 z=0 spxy=5 spz=25000", "PT x=0 y=0 z=2 spxy=5 spz=25000",
            "SH W1=0 W2=0 SH1=1 SH2=3 SH3=3", "PT x=1 y=2 z=0 spxy=5 spz=25000", "PT x=1 y=2 z=2 spxy=5 spz=25000",
        };
        QCOMPARE(diagnostics->lines(), expected);
    }

    void capacity_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("pattern");
        QTest::addColumn<int>("macro");
        QTest::addColumn<QString>("last");

        QTest::newRow("run list full") << repeated("POINT %1,0", 4000) << 3999 << 0 << 0 << "P 3998,0";
        QTest::newRow("run list exactly full") << repeated("POINT %1,0", 3999) << 3999 << 0 << 0 << "P 3998,0";
        QTest::newRow("shutter entries beyond the list") << repeated("SHOPEN 1%1", 4100) << 3999 << 0 << 0
            << "F 0,0,0,0 0 0";
        QTest::newRow("path beyond the list") << QStringList{"COMB 0,0,0,0,0,0"} << 3999 << 0 << 0 << "P 0,0";
        QTest::newRow("pattern full") << QStringList{"DEFREP 0,0"} + repeated("POINT %1,0", 250) + QStringList{"ENDREP"}
            << 200 << 199 << 0 << "P 198,0";
        QTest::newRow("macro full") << QStringList{"DEFMAC"} + repeated("F1MOVE %1", 60) + QStringList{"ENDMAC", "FMACRO"}
            << 49 << 0 << 49 << "F 48,0,1,0 0 0";
        QTest::newRow("pattern placement stops at the limit")
            << QStringList{"DEFREP 0,0", "POINT 0,1", "POINT 0,2", "POINT 0,3", "ENDREP", "CLRREP"}
                   + repeated("POINT %1,0", 3993) + QStringList{"ENDREP"}
            << 3999 << 3 << 0 << "P 0,1";
        QTest::newRow("pattern placement fills the list")
            << QStringList{"DEFREP 0,0", "POINT 0,1", "POINT 0,2", "ENDREP", "CLRREP"}
                   + repeated("POINT %1,0", 3993) + QStringList{"ENDREP", "POINT 7,7"}
            << 3999 << 2 << 0 << "P 0,2";
        QTest::newRow("macro insertion fills the list")
            << QStringList{"DEFMAC", "SHOPEN 1", "SHOPEN 2", "SHOPEN 3", "ENDMAC"} + repeated("POINT %1,0", 3997)
                   + QStringList{"FMACRO"}
            << 3999 << 0 << 3 << "F 0,0,0,0 55 0";
        QTest::newRow("macro into the pattern stops at its limit")
            << QStringList{"DEFMAC", "SHOPEN 1", "SHOPEN 2", "SHOPEN 3", "ENDMAC", "DEFREP 0,0"}
                   + repeated("POINT %1,0", 197) + QStringList{"FMACRO", "ENDREP"}
            << 200 << 199 << 3 << "F 0,0,0,0 55 0";
    }

    void capacity()
    {
        QFETCH(QStringList, recipe);
        QFETCH(int, points);
        QFETCH(int, pattern);
        QFETCH(int, macro);
        QFETCH(QString, last);
        QCOMPARE(compile(recipe), 0);
        QCOMPARE(kel().numPointsDefined, points);
        QCOMPARE(kel().numRptPointsDefined, pattern);
        QCOMPARE(kel().numMacroPointsDefined, macro);
        QCOMPARE(describe(kel().pointList[points - 1]), last);
    }

    void fullListEndsPaths()
    {
        QCOMPARE(compile(repeated("POINT %1,0", 3999) + QStringList{"LINE 0,0,100,0,1", "CIRCLE 1,0,0,1,-1,0,0.001",
                                                                    "POINT 5,5"}), 0);
        QCOMPARE(kel().numPointsDefined, 3999);
        // Each path stops at its first dropped point; the compile goes on to the last line.
        QCOMPARE(diagnostics->lines().filter(QRegularExpression("^  PT ")).size(), 3999 + 3);
        QCOMPARE(diagnostics->lines().count("LINE:POINT 5,5 POINT 5,5"), 1);
    }

    void lineSteps_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("secondX");
        // The length is the square root of the sum of squares, just below 3.7 here.
        QTest::newRow("length 3.7 from its sides") << "LINE 0,0,1.2,3.5,0.1" << 36 << 1.2 / 36;
        // Well beyond a billion intervals the points still keep their spacing (2^-20 mm).
        QTest::newRow("fine step on a long line") << "LINE 0,0,1536,0,0.00000095367431640625" << 1610612736
                                                  << std::ldexp(1.0, -20);
    }

    void lineSteps()
    {
        QFETCH(QString, line);
        QFETCH(int, steps);
        QFETCH(double, secondX);
        QCOMPARE(compile({line}), 0);
        QCOMPARE(kel().line_steps, steps);
        QCOMPARE(kel().numPointsDefined, std::min(steps + 1, Ptx::PointListSize - 1));
        QCOMPARE(kel().pointList[1].x, secondX);
    }

    void alignOnlyForARun()
    {
        QCOMPARE(compile({"ALIGN 1,2,3,4", "POINT 0,0"}), 0);
        QVERIFY(kel().teachAlign && kel().compiledAlign());
        QCOMPARE(QList<double>({kel().AlnPoint1x, kel().AlnPoint1y, kel().AlnPoint2x, kel().AlnPoint2y}),
                 QList<double>({1, 2, 3, 4}));
        compile({"POINT 0,0"});
        QVERIFY(!kel().teachAlign);
        QCOMPARE(kel().AlnPoint1x, 0.0);
        QCOMPARE(kel().AlnPoint2x, 10000.0);

        kel().setRecipe({"ALIGN 1,2,3,4"});
        QCOMPARE(kel().ProcessRecipe(), 0);
        QVERIFY(!kel().teachAlign);
        QCOMPARE(kel().AlnPoint1x, 0.0);
        QCOMPARE(diagnostics->lines().count("LINE:ALIGN 1,2,3,4---UNKNOWN COMMAND---"), 1);
    }

    // A compile starts from empty lists and default values, but the jog increments come from
    // the settings and the pattern origin stays from the last compile.
    void stateAcrossCompiles()
    {
        compile({"DEFMAC", "SHOPEN 1", "ENDMAC", "DEFREP 5,6", "POINT 1,1", "ENDREP", "DELAY 5", "SPEEDXY 1",
                 "ARC 1,0,-1,0,0,1,0.5", "INCR 2,3"});
        QCOMPARE(kel().xincr, 2.0);
        QCOMPARE(kel().yincr, 3.0);
        kel().defxincr = 0.5;
        kel().defyincr = 0.25;
        QCOMPARE(compile({"FMACRO", "POINT 3,3", "ENDREP"}), 0);
        QCOMPARE(kel().numMacroPointsDefined, 0);
        QCOMPARE(entries(kel()), (QStringList{"P 3,3", "P 5,6"}));
        QCOMPARE(entries(kel(), timing).first(), QStringLiteral("d=1000 xy=5 z=25000"));
        QCOMPARE(kel().circle_angle, 0.0);
        QCOMPARE(kel().defrepx, 5.0);
        QCOMPARE(kel().defrepy, 6.0);
        QCOMPARE(kel().xincr, 0.5);
        QCOMPARE(kel().yincr, 0.25);

        QCOMPARE(compile({}), 0);
        QCOMPARE(kel().compiledPointCount(), 0);
        QVERIFY(diagnostics->lines().isEmpty());
    }

    void collinearCircleStops_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("problem");
        QTest::newRow("circle") << "CIRCLE 0,0,1,1,2,2,0.5" << "RECIPE LINE 3: CIRCLE POINTS IN A LINE";
        QTest::newRow("arc") << "ARC 0,0,2,0,1,0,0.5" << "RECIPE LINE 3: ARC POINTS IN A LINE";
    }

    void collinearCircleStops()
    {
        QFETCH(QString, path);
        QFETCH(QString, problem);
        QCOMPARE(compile({"POINT 1,1", "", path, "POINT 2,2"}), -1);
        QCOMPARE(entries(kel()), QStringList{"P 1,1"});
        QCOMPARE(kel().compileProblems(), QStringList{problem});
        // No echo of the path and no listing after a stop.
        QCOMPARE(diagnostics->lines().filter(QStringLiteral(" POINTS IN A LINE")).size(), 1);
        QVERIFY(diagnostics->lines().filter(QStringLiteral("Points List:")).isEmpty());
        QVERIFY(diagnostics->lines().filter(QStringLiteral("LINE:POINT 2,2")).isEmpty());
    }

    void problemsAreBounded()
    {
        compile(repeated("POINT %1", 25));
        const QStringList problems = kel().compileProblems();
        QCOMPARE(problems.size(), 21);
        QCOMPARE(problems.at(19), QStringLiteral("RECIPE LINE 20: POINT FIELDS MISSING"));
        QCOMPARE(problems.last(), QStringLiteral("RECIPE: 5 MORE LINES SKIPPED"));
        compile({"POINT 1,1"});
        QVERIFY(kel().compileProblems().isEmpty());
    }
};

QTEST_MAIN(TestCompiler)
#include "tst_compiler.moc"
