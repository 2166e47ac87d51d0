// The Run page and the progress line of the main screen: compile without running, the lines
// the compiler skipped, and the progress shown from every page during a run.
#include "panelfixture.h"

#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

class TestRunPage : public QObject, private PanelFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir.path())); }
    void init() { openWindow(); }
    void cleanup() { window.reset(); }

    void compileWithoutRunning_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("every line compiled") << QStringList{"DELAY 0", "POINT 1,1", "POINT 2,2"} << "2 ENTRIES  ABOUT 2 s"
                                             << QStringList{"EVERY LINE COMPILED"};
        QTest::newRow("skipped line") << QStringList{"POINT 1,1", "LINE 0,0,1,1,0"} << "1 ENTRY  ABOUT 2 s"
                                      << QStringList{"RECIPE LINE 2: LINE STEP NOT POSITIVE"};
    }

    void compileWithoutRunning()
    {
        QFETCH(QStringList, recipe);
        kel->setRecipe(recipe);
        w<QTabWidget>(QStringLiteral("tabWidget"))->setCurrentWidget(w<QWidget>(QStringLiteral("tabRun")));
        w(QStringLiteral("butCompile"))->click();
        QVERIFY(!kel->isRecipeRunning());
        QTEST(w<QLabel>(QStringLiteral("runPageStatus"))->text(), "status");
        QStringList shown;
        auto *list = w<QListWidget>(QStringLiteral("compileProblems"));
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        QTEST(shown, "problems");
    }

    // The line under the message display follows the run, and Compile waits for its end.
    void progressLineDuringRun()
    {
        kel->setRecipe({QStringLiteral("POINT 1,1"), QStringLiteral("POINT 2,2")});
        w(QStringLiteral("butCompile"))->click();
        auto *line = w<QLabel>(QStringLiteral("runProgress"));
        QCOMPARE(line->text(), QString());
        kel->startRecipe();
        QVERIFY(line->text().startsWith(QLatin1String("2 ENTRIES  ")));
        QVERIFY(!w(QStringLiteral("butCompile"))->isEnabled());
        kel->stopRecipe();
        QCOMPARE(line->text(), QString());
        QVERIFY(w(QStringLiteral("butCompile"))->isEnabled());
    }
};

QTEST_MAIN(TestRunPage)
#include "tst_runpage.moc"
