// Recipe files: saving and loading round trips, line ends, and file errors with their
// message box.
#include "compilerprobe.h"
#include "recipe/recipefile.h"
#include "support/filesizelimit.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Answers the next modal message box with OK and keeps its text. Polls briefly, since the
// box only appears once the operation under test has opened it.
class MessageBoxAnswer
{
public:
    MessageBoxAnswer() { QTimer::singleShot(0, [this] { answer(); }); }
    QString text;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (++tries < MaxTries)
                QTimer::singleShot(PollMs, [this] { answer(); });
            return;
        }
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    }
    static constexpr int MaxTries = 100;
    static constexpr int PollMs = 10;
    int tries = 0;
};

} // namespace

class TestRecipeFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void lineEnds_data();
    void lineEnds();
    void fileName();
    void recipeIsACopy();
    void loadMissingFileKeepsRecipe();
    void saveUnopenableFile();
    void failedSaveKeepsOldFile();

private:
    std::unique_ptr<CompilerFixture> fixture;
    CompilerProbe &kel() { return *fixture->kel; }
};

void TestRecipeFile::init()
{
    fixture = std::make_unique<CompilerFixture>();
}

void TestRecipeFile::cleanup()
{
    fixture.reset();
}

void TestRecipeFile::roundTrip_data()
{
    QTest::addColumn<QStringList>("recipe");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty recipe, empty file") << QStringList{} << QByteArray();
    QTest::newRow("one line") << QStringList{"POINT 1,2"} << QByteArray("POINT 1,2\n");
    QTest::newRow("new recipe") << QStringList{"DELAY 1000", "INCR 1.0,1.0", "SPEEDXY 10.0", "{END}"}
        << QByteArray("DELAY 1000\nINCR 1.0,1.0\nSPEEDXY 10.0\n{END}\n");
    QTest::newRow("empty lines kept") << QStringList{"", "POINT 1,2", "", ""} << QByteArray("\nPOINT 1,2\n\n\n");
    QTest::newRow("one empty line") << QStringList{""} << QByteArray("\n");
    QTest::newRow("blanks kept") << QStringList{"  POINT 1 , 2  ", "\tx"} << QByteArray("  POINT 1 , 2  \n\tx\n");
    QTest::newRow("beyond ascii") << QStringList{QString::fromUtf8("Probe \xc2\xb5m")}
        << QByteArray("Probe \xc2\xb5m\n");
}

void TestRecipeFile::roundTrip()
{
    QFETCH(QStringList, recipe);
    QFETCH(QByteArray, bytes);
    writeBytes("run.rcp", "stale content that is longer than the new one\n");
    kel().setFileName("run.rcp");
    kel().setRecipe(recipe);
    kel().saveRcp();
    QCOMPARE(fileBytes("run.rcp"), bytes);
    kel().setRecipe({"other"});
    kel().loadRcp();
    QCOMPARE(kel().getRecipe(), recipe);
}

void TestRecipeFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("lf") << QByteArray("A\nB\n") << QStringList{"A", "B"};
    QTest::newRow("cr lf") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
    QTest::newRow("mixed") << QByteArray("A\r\nB\nC") << QStringList{"A", "B", "C"};
    QTest::newRow("no final line end") << QByteArray("A\nB") << QStringList{"A", "B"};
    QTest::newRow("empty lines with cr lf") << QByteArray("\r\n\r\nA\r\n") << QStringList{"", "", "A"};
    QTest::newRow("lone cr stays in the line") << QByteArray("A\rB\n") << QStringList{"A\rB"};
    QTest::newRow("cr before the end of the file") << QByteArray("A\r") << QStringList{"A\r"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TestRecipeFile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(Ptx::recipeFileLines(bytes), lines);
    writeBytes("in.rcp", bytes);
    kel().setFileName("in.rcp");
    kel().loadRcp();
    QCOMPARE(kel().getRecipe(), lines);
}

void TestRecipeFile::fileName()
{
    QCOMPARE(kel().getFileName(), QStringLiteral("newfile.rcp"));
    QSignalSpy spy(fixture->kel.get(), &KelInterface::updateFileName);
    kel().setFileName("run 2.rcp");
    QCOMPARE(kel().getFileName(), QStringLiteral("run 2.rcp"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toString(), QStringLiteral("run 2.rcp"));
}

void TestRecipeFile::recipeIsACopy()
{
    QStringList lines{"POINT 1,1"};
    kel().setRecipe(lines);
    lines[0] = "changed";
    QCOMPARE(kel().getRecipe(), QStringList{"POINT 1,1"});
    kel().setRecipe({"POINT 1,1"});
    kel().ScanRecipe();
    kel().setRecipe({"POINT 2,2", "POINT 3,3"});
    QCOMPARE(kel().compiledPointCount(), 1);
}

void TestRecipeFile::loadMissingFileKeepsRecipe()
{
    kel().setRecipe({"POINT 1,1"});
    kel().setFileName("missing.rcp");
    MessageBoxAnswer box;
    QTest::ignoreMessage(QtDebugMsg, "Error opening file");
    kel().loadRcp();
    QCOMPARE(box.text, QStringLiteral("Error Opening File."));
    QCOMPARE(kel().getRecipe(), QStringList{"POINT 1,1"});
}

void TestRecipeFile::saveUnopenableFile()
{
    kel().setRecipe({"POINT 1,1"});
    kel().setFileName("no such folder/run.rcp");
    MessageBoxAnswer box;
    QTest::ignoreMessage(QtDebugMsg, "Error opening file");
    kel().saveRcp();
    QCOMPARE(box.text, QStringLiteral("Error Opening File."));
    QVERIFY(!QFile::exists("no such folder/run.rcp"));
}

void TestRecipeFile::failedSaveKeepsOldFile()
{
    const QByteArray old("POINT 1,1\n");
    writeBytes("run.rcp", old);
    kel().setFileName("run.rcp");
    QStringList big;
    for (int i = 0; i < 100; ++i)
        big << QStringLiteral("POINT %1,%1").arg(i);
    kel().setRecipe(big);
    MessageBoxAnswer box;
    QTest::ignoreMessage(QtDebugMsg, "Error opening file");
    {
        const FileSizeLimit limit(64);
        kel().saveRcp();
    }
    QCOMPARE(fileBytes("run.rcp"), old);
    QCOMPARE(box.text, QStringLiteral("Error Opening File."));
    QCOMPARE(kel().getRecipe(), big);
    // No half-written file is left behind beside it.
    const QStringList files = QDir::current().entryList({"run.rcp*"}, QDir::Files);
    QCOMPARE(files, QStringList{"run.rcp"});
}

QTEST_MAIN(TestRecipeFile)
#include "tst_recipefile.moc"
