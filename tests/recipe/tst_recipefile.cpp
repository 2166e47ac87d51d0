// Recipe files: saving and loading round trips, line ends, and file errors with their
// message box.
#include "compilerprobe.h"
#include "dialogs/fileerrorbox.h"
#include "recipe/recipefile.h"
#include "support/filesizelimit.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray Missing("<missing>");

QByteArray fileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : Missing;
}

void writeBytes(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestRecipeFile : public QObject
{
    Q_OBJECT

    std::optional<CompilerFixture> fixture;
    CompilerProbe &kel() { return fixture->kel; }

private slots:
    void init() { fixture.emplace(); }
    void cleanup() { fixture.reset(); }

    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("saved");   // saving the recipe writes exactly these bytes
        QTest::newRow("empty recipe, empty file") << QStringList{} << QByteArray() << true;
        QTest::newRow("empty lines, blanks, beyond ascii") << QStringList{"", "  POINT 1 , 2  ", "\tx", "", "Probe \u00b5m"}
            << QByteArray("\n  POINT 1 , 2  \n\tx\n\nProbe \xc2\xb5m\n") << true;
        QTest::newRow("cr lf") << QStringList{"", "A", "B"} << QByteArray("\r\nA\r\nB\r\n") << false;
        QTest::newRow("mixed, no final line end") << QStringList{"A", "B", "C"} << QByteArray("A\r\nB\nC") << false;
        QTest::newRow("lone cr stays in the line") << QStringList{"A\rB", "C\r"} << QByteArray("A\rB\nC\r") << false;
    }

    // Saving over a longer file leaves exactly the recipe's bytes; the bytes load back.
    void roundTrip()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, saved);
        writeBytes("run.rcp", "stale content that is longer than the new one\n");
        kel().setFileName("run.rcp");
        kel().setRecipe(recipe);
        kel().saveRcp();
        if (saved)
            QCOMPARE(fileBytes("run.rcp"), bytes);
        writeBytes("run.rcp", bytes);
        kel().setRecipe({"other"});
        kel().loadRcp();
        QCOMPARE(kel().getRecipe(), recipe);
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
            writeBytes(name, bytesAfter);
        QStringList big;
        for (int i = 0; i < 100; ++i)
            big << QStringLiteral("POINT %1,%1").arg(i);
        kel().setRecipe(big);
        kel().setFileName(name);
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
        QTest::ignoreMessage(QtDebugMsg, "Error opening file");
        {
            const FileSizeLimit limit(64);
            QVERIFY(limit.ok);
            save ? kel().saveRcp() : kel().loadRcp();
        }
        QCOMPARE(shown, screen ? QStringLiteral("Error Opening File.") : QString());
        QCOMPARE(kel().getRecipe(), big);
        QCOMPARE(fileBytes(name), bytesAfter);
        // No half-written file is left behind.
        QCOMPARE(QDir::current().entryList({"*.rcp*"}, QDir::Files),
                 bytesAfter == Missing ? QStringList{} : QStringList{name});
    }
};

QTEST_MAIN(TestRecipeFile)
#include "tst_recipefile.moc"
