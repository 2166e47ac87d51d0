// Recipe line syntax: keyword prefix tests, field splitting and number conversion.
#include "recipe/recipeline.h"

#include <QtTest>

#include <cmath>

using Ptx::RecipeCommand;
using Ptx::RecipeFieldStatus;

Q_DECLARE_METATYPE(Ptx::RecipeCommand)
Q_DECLARE_METATYPE(Ptx::RecipeFieldStatus)

class TestRecipeLine : public QObject
{
    Q_OBJECT

private slots:
    void keyword_data();
    void keyword();
    void split_data();
    void split();
    void decimal_data();
    void decimal();
    void integer_data();
    void integer();
    void fields_data();
    void fields();
};

void TestRecipeLine::keyword_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<RecipeCommand>("command");
    QTest::addColumn<QString>("args");

    QTest::newRow("point") << "POINT 10,20" << RecipeCommand::Point << " 10,20";
    QTest::newRow("point without blank") << "POINT10,20" << RecipeCommand::Point << "10,20";
    QTest::newRow("points is a point") << "POINTS 1,2" << RecipeCommand::Point << "S 1,2";
    QTest::newRow("pointz is not a point") << "POINTZ 150" << RecipeCommand::PointZ << " 150";
    QTest::newRow("zpoint is a focus point") << "ZPOINT 150" << RecipeCommand::PointZ << " 150";
    QTest::newRow("leading blank") << " POINT 1,2" << RecipeCommand::None << "";
    QTest::newRow("lower case") << "point 1,2" << RecipeCommand::None << "";
    QTest::newRow("mixed case") << "Point 1,2" << RecipeCommand::None << "";
    QTest::newRow("end marker") << "{END}" << RecipeCommand::None << "";
    QTest::newRow("empty") << "" << RecipeCommand::None << "";
    QTest::newRow("keyword cut short") << "POIN" << RecipeCommand::None << "";
    QTest::newRow("delay") << "DELAY 100" << RecipeCommand::Delay << " 100";
    QTest::newRow("fdelay is not delay") << "FDELAY 100" << RecipeCommand::FDelay << " 100";
    QTest::newRow("exptim") << "EXPTIM 1,2" << RecipeCommand::ExpTim << " 1,2";
    QTest::newRow("speedxy") << "SPEEDXY 5" << RecipeCommand::SpeedXY << " 5";
    QTest::newRow("speedz") << "SPEEDZ 5" << RecipeCommand::SpeedZ << " 5";
    QTest::newRow("comb") << "COMB 0,0,1,1,2,2" << RecipeCommand::Comb << " 0,0,1,1,2,2";
    QTest::newRow("raster") << "RASTER 1" << RecipeCommand::Raster << " 1";
    QTest::newRow("circle") << "CIRCLE" << RecipeCommand::Circle << "";
    QTest::newRow("arc") << "ARC" << RecipeCommand::Arc << "";
    QTest::newRow("line") << "LINE 0" << RecipeCommand::Line << " 0";
    QTest::newRow("defrep") << "DEFREP 0,0" << RecipeCommand::DefRep << " 0,0";
    QTest::newRow("endrep") << "ENDREP" << RecipeCommand::EndRep << "";
    QTest::newRow("clrrep") << "CLRREP" << RecipeCommand::ClrRep << "";
    QTest::newRow("align") << "ALIGN 1,2,3,4" << RecipeCommand::Align << " 1,2,3,4";
    QTest::newRow("incr") << "INCR 1.0,1.0" << RecipeCommand::Incr << " 1.0,1.0";
    QTest::newRow("defmac") << "DEFMAC" << RecipeCommand::DefMac << "";
    QTest::newRow("endmac") << "ENDMAC" << RecipeCommand::EndMac << "";
    QTest::newRow("fmacro") << "FMACRO" << RecipeCommand::FMacro << "";
    QTest::newRow("fmove") << "FMOVE 1,2" << RecipeCommand::FMove << " 1,2";
    QTest::newRow("sctrl") << "SCTRL 1,2,3" << RecipeCommand::SCtrl << " 1,2,3";
    QTest::newRow("f1move") << "F1MOVE 3" << RecipeCommand::F1Move << " 3";
    QTest::newRow("f2move") << "F2MOVE 3" << RecipeCommand::F2Move << " 3";
    QTest::newRow("shopen") << "SHOPEN 1" << RecipeCommand::ShOpen << " 1";
    QTest::newRow("shclose") << "SHCLOSE 1" << RecipeCommand::ShClose << " 1";
    QTest::newRow("shexp") << "SHEXP 1" << RecipeCommand::ShExp << " 1";
}

void TestRecipeLine::keyword()
{
    QFETCH(QString, line);
    QFETCH(RecipeCommand, command);
    QFETCH(QString, args);
    QStringView rest;
    QCOMPARE(Ptx::recipeCommand(line, &rest), command);
    QCOMPARE(rest.toString(), args);
}

void TestRecipeLine::split_data()
{
    QTest::addColumn<QString>("args");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("count");

    QTest::newRow("empty text is one empty field") << "" << QStringList{""} << 1;
    QTest::newRow("two") << "1,2" << QStringList{"1", "2"} << 2;
    QTest::newRow("empty fields count") << ",," << QStringList{"", "", ""} << 3;
    QTest::newRow("blanks kept") << " 10 , 20 " << QStringList{" 10 ", " 20 "} << 2;
    QTest::newRow("beyond the limit counted, not stored") << "1,2,3,4,5,6,7,8,9"
        << QStringList{"1", "2", "3", "4", "5", "6", "7"} << 9;
}

void TestRecipeLine::split()
{
    QFETCH(QString, args);
    QFETCH(QStringList, fields);
    QFETCH(int, count);
    QStringView views[Ptx::MaxRecipeFields];
    QCOMPARE(Ptx::splitRecipeFields(args, views, Ptx::MaxRecipeFields), count);
    for (int i = 0; i < fields.size(); ++i)
        QCOMPARE(views[i].toString(), fields.at(i));
}

void TestRecipeLine::decimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("integer") << "10" << 10.0;
    QTest::newRow("negative") << "-2.5" << -2.5;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("plus sign") << "+4" << 4.0;
    QTest::newRow("white space around") << " \t7.5 " << 7.5;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("label 0-INF") << "0-INF" << 0.0;
    QTest::newRow("label -1-HOME") << "-1-HOME" << 0.0;
    QTest::newRow("trailing text") << "5mm" << 0.0;
    QTest::newRow("blank inside") << "1 2" << 0.0;
    QTest::newRow("decimal comma") << "2;5" << 0.0;
    QTest::newRow("hexadecimal") << "0x10" << 0.0;
    QTest::newRow("underflow") << "1e-400" << 0.0;
    QTest::newRow("infinity") << "inf" << qInf();
    QTest::newRow("negative infinity") << "-inf" << -qInf();
    QTest::newRow("overflow") << "1e400" << qInf();
    QTest::newRow("negative overflow") << "-1e400" << -qInf();
}

void TestRecipeLine::decimal()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Ptx::recipeDecimal(text), value);
}

void TestRecipeLine::integer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("integer") << "100" << 100;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("white space around") << " 3 " << 3;
    QTest::newRow("decimal point") << "2.5" << 0;
    QTest::newRow("exponent") << "1e3" << 0;
    QTest::newRow("label 0-INF") << "0-INF" << 0;
    QTest::newRow("label 0-Inf") << "0-Inf" << 0;
    QTest::newRow("label 0-NONE") << "0-NONE" << 0;
    QTest::newRow("label -1-HOME") << "-1-HOME" << 0;
    QTest::newRow("label 0-HOME") << "0-HOME" << 0;
    QTest::newRow("whole text with comma") << "100,200" << 0;
    QTest::newRow("beyond 32 bits") << "4294967296" << 0;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("nan") << "nan" << 0;
}

void TestRecipeLine::integer()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(Ptx::recipeInteger(text), value);
}

void TestRecipeLine::fields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<RecipeFieldStatus>("status");
    QTest::addColumn<QList<double>>("values");

    QTest::newRow("point") << "POINT 10,20" << RecipeFieldStatus::Ok << QList<double>{10, 20};
    QTest::newRow("point with blanks") << "POINT 10 , 20" << RecipeFieldStatus::Ok << QList<double>{10, 20};
    QTest::newRow("point extra field ignored") << "POINT 1,2,3" << RecipeFieldStatus::Ok << QList<double>{1, 2};
    QTest::newRow("point extra nan ignored") << "POINT 1,2,nan" << RecipeFieldStatus::Ok << QList<double>{1, 2};
    QTest::newRow("point one field") << "POINT 5" << RecipeFieldStatus::Missing << QList<double>{};
    QTest::newRow("point empty second field") << "POINT 5," << RecipeFieldStatus::Ok << QList<double>{5, 0};
    QTest::newRow("point nan") << "POINT nan,1" << RecipeFieldStatus::NotFinite << QList<double>{};
    QTest::newRow("point inf") << "POINT 1,inf" << RecipeFieldStatus::NotFinite << QList<double>{};
    QTest::newRow("pointz whole") << "POINTZ 150" << RecipeFieldStatus::Ok << QList<double>{150};
    QTest::newRow("pointz whole with comma") << "POINTZ 1,5" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("delay label") << "DELAY 0-INF" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("delay decimal") << "DELAY 2.5" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("delay two fields") << "DELAY 100,200" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("delay nothing") << "DELAY" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("speedz decimal") << "SPEEDZ 2.5" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("speedxy decimal") << "SPEEDXY 2.5" << RecipeFieldStatus::Ok << QList<double>{2.5};
    QTest::newRow("speedxy inf") << "SPEEDXY inf" << RecipeFieldStatus::NotFinite << QList<double>{};
    QTest::newRow("integer nan reads 0") << "F1MOVE nan" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("f1move extra ignored") << "F1MOVE 3,7" << RecipeFieldStatus::Ok << QList<double>{3};
    QTest::newRow("shopen empty field") << "SHOPEN" << RecipeFieldStatus::Ok << QList<double>{0};
    QTest::newRow("fmove labels") << "FMOVE 0-NONE,3" << RecipeFieldStatus::Ok << QList<double>{0, 3};
    QTest::newRow("fmove home label") << "FMOVE -1-HOME,3" << RecipeFieldStatus::Ok << QList<double>{0, 3};
    QTest::newRow("fmove one field") << "FMOVE 3" << RecipeFieldStatus::Missing << QList<double>{};
    QTest::newRow("arc three fields") << "ARC 1,2,3" << RecipeFieldStatus::Missing << QList<double>{};
    QTest::newRow("circle seven") << "CIRCLE 1,2,3,4,5,6,0.5" << RecipeFieldStatus::Ok
        << QList<double>{1, 2, 3, 4, 5, 6, 0.5};
    QTest::newRow("circle step nan") << "CIRCLE 1,2,3,4,5,6,nan" << RecipeFieldStatus::NotFinite << QList<double>{};
    QTest::newRow("sctrl") << "SCTRL 1,9,-1" << RecipeFieldStatus::Ok << QList<double>{1, 9, -1};
    QTest::newRow("endrep text ignored") << "ENDREP 5" << RecipeFieldStatus::Ok << QList<double>{};
}

void TestRecipeLine::fields()
{
    QFETCH(QString, line);
    QFETCH(RecipeFieldStatus, status);
    QFETCH(QList<double>, values);
    QStringView args;
    const RecipeCommand command = Ptx::recipeCommand(line, &args);
    double got[Ptx::MaxRecipeFields] = {};
    QCOMPARE(Ptx::readRecipeFields(command, args, got), status);
    if (status != RecipeFieldStatus::Ok)
        return;
    QCOMPARE(Ptx::recipeFieldShape(command).count, values.size());
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(got[i], values.at(i));
}

QTEST_APPLESS_MAIN(TestRecipeLine)
#include "tst_recipeline.moc"
