// Without a screen a file error is a diagnostic line only: nothing waits for an operator.
#include "compilerprobe.h"

#include <QtTest>

class TestRecipeFileCore : public QObject
{
    Q_OBJECT

private slots:
    void fileErrorWithoutScreen()
    {
        CompilerFixture fixture;
        fixture.kel.setRecipe({"POINT 1,1"});
        fixture.kel.setFileName("missing.rcp");
        QTest::ignoreMessage(QtDebugMsg, "Error opening file");
        fixture.kel.loadRcp();
        QCOMPARE(fixture.kel.getRecipe(), QStringList{"POINT 1,1"});
        fixture.kel.setFileName("no such folder/run.rcp");
        QTest::ignoreMessage(QtDebugMsg, "Error opening file");
        fixture.kel.saveRcp();
    }
};

QTEST_GUILESS_MAIN(TestRecipeFileCore)
#include "tst_recipefilecore.moc"
