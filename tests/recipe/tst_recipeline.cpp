// Recipe line syntax: keyword prefix tests and the field rules of each command.
#include "recipe/recipeline.h"

#include <QtTest>

using Ptx::RecipeCommand;
using Ptx::RecipeFieldStatus;

Q_DECLARE_METATYPE(Ptx::RecipeCommand)
Q_DECLARE_METATYPE(Ptx::RecipeFieldStatus)

class TestRecipeLine : public QObject
{
    Q_OBJECT

private slots:
    void keyword_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<RecipeCommand>("command");
        QTest::addColumn<QString>("args");
        QTest::newRow("point") << "POINT 10,20" << RecipeCommand::Point << " 10,20";
        QTest::newRow("point without blank") << "POINT10,20" << RecipeCommand::Point << "10,20";
        QTest::newRow("points is a point") << "POINTS 1,2" << RecipeCommand::Point << "S 1,2";
        QTest::newRow("pointz is not a point") << "POINTZ 150" << RecipeCommand::PointZ << " 150";
        QTest::newRow("zpoint is a focus point") << "ZPOINT 150" << RecipeCommand::PointZ << " 150";
        QTest::newRow("fdelay is not delay") << "FDELAY 100" << RecipeCommand::FDelay << " 100";
        QTest::newRow("leading blank") << " POINT 1,2" << RecipeCommand::None << "";
        QTest::newRow("lower case") << "point 1,2" << RecipeCommand::None << "";
        QTest::newRow("mixed case") << "Point 1,2" << RecipeCommand::None << "";
        QTest::newRow("keyword cut short") << "POIN" << RecipeCommand::None << "";
    }

    void keyword()
    {
        QFETCH(QString, line);
        QFETCH(RecipeCommand, command);
        QFETCH(QString, args);
        QStringView rest;
        QCOMPARE(Ptx::recipeCommand(line, &rest), command);
        QCOMPARE(rest.toString(), args);
    }

    void fields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<RecipeFieldStatus>("status");
        QTest::addColumn<QList<double>>("values");
        const auto ok = RecipeFieldStatus::Ok;
        QTest::newRow("split fields") << "POINT 10 , 20,3,nan" << ok << QList<double>{10, 20};
        QTest::newRow("decimal forms") << "CIRCLE 1e3,+4, \t7.5 ,-2.5,,0x10,0.5" << ok
            << QList<double>{1000, 4, 7.5, -2.5, 0, 0, 0.5};
        QTest::newRow("decimal labels and text") << "ARC 0-INF,-1-HOME,5mm,1 2,2;5,1e-400,1" << ok
            << QList<double>{0, 0, 0, 0, 0, 0, 1};
        QTest::newRow("one field missing") << "POINT 5" << RecipeFieldStatus::Missing << QList<double>{};
        QTest::newRow("empty second field") << "POINT 5," << ok << QList<double>{5, 0};
        QTest::newRow("nan") << "POINT nan,1" << RecipeFieldStatus::NotFinite << QList<double>{};
        QTest::newRow("overflow") << "CIRCLE 1,2,3,4,5,6,-1e400" << RecipeFieldStatus::NotFinite << QList<double>{};
        QTest::newRow("whole text decimal") << "POINTZ 1,5" << ok << QList<double>{0};
        QTest::newRow("whole text integer") << "DELAY 100,200" << ok << QList<double>{0};
        QTest::newRow("integer") << "DELAY  -1 " << ok << QList<double>{-1};
        QTest::newRow("integer rejects 2.5") << "DELAY 2.5" << ok << QList<double>{0};
        QTest::newRow("integer rejects an exponent") << "SPEEDZ 1e3" << ok << QList<double>{0};
        QTest::newRow("label 0-INF") << "DELAY 0-INF" << ok << QList<double>{0};
        QTest::newRow("label 0-Inf") << "F2MOVE 0-Inf" << ok << QList<double>{0};
        QTest::newRow("largest integer") << "F1MOVE 2147483647" << ok << QList<double>{2147483647};
        QTest::newRow("beyond 32 bits") << "F1MOVE 4294967296" << ok << QList<double>{0};
        QTest::newRow("integer nan reads 0") << "F1MOVE nan,7" << ok << QList<double>{0};
        QTest::newRow("nothing") << "SHOPEN" << ok << QList<double>{0};
        QTest::newRow("integer labels") << "FMOVE 0-NONE,-1-HOME" << ok << QList<double>{0, 0};
        QTest::newRow("decimal speed") << "SPEEDXY 2.5" << ok << QList<double>{2.5};
        QTest::newRow("speed inf") << "SPEEDXY inf" << RecipeFieldStatus::NotFinite << QList<double>{};
        QTest::newRow("integer fields") << "SCTRL 1,9,-1" << ok << QList<double>{1, 9, -1};
        QTest::newRow("no fields") << "ENDREP 5" << ok << QList<double>{};
    }

    void fields()
    {
        QFETCH(QString, line);
        QFETCH(RecipeFieldStatus, status);
        QFETCH(QList<double>, values);
        QStringView args;
        const RecipeCommand command = Ptx::recipeCommand(line, &args);
        double got[Ptx::MaxRecipeFields] = {};
        QCOMPARE(Ptx::readRecipeFields(command, args, got), status);
        if (status == RecipeFieldStatus::Ok)
            QCOMPARE(QList<double>(got, got + Ptx::recipeFieldShape(command).count), values);
    }
};

QTEST_APPLESS_MAIN(TestRecipeLine)
#include "tst_recipeline.moc"
