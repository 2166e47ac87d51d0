// The recipe file dialog: which files it lists and in what order, typing on both keyboard
// layouts with the cursor keys, Prev/Next at the ends of the list, and the names OK takes.
#include "dialogs/dlgrcpfile.h"
#include "support/findwidget.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QTextEdit>
#include <QtTest>

class TestRcpFileDialog : public QObject
{
    Q_OBJECT

private slots:
    void nameAndList_data()
    {
        const QString three = QStringLiteral("a.rcp:1 b.rcp:2 c.rcp:3");
        QTest::addColumn<QString>("files");   // "name:size" a file, "name/" a folder, "name>target" a link
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");    // the ends of the keys' object names
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("returned");
        QTest::addColumn<bool>("taken");
        QTest::newRow("smallest first, equal sizes by descending name")
            << "c.rcp:300 a.rcp:100 b.rcp:100 d.rcp:200" << "x" << "" << "b.rcp a.rcp d.rcp c.rcp" << "x.rcp" << true;
        QTest::newRow("recipe files only") << "x.rcp:3 .h.rcp:1 n.txt:1 sub.rcp/ l.rcp>x.rcp" << "x" << "" << "x.rcp" << "x.rcp" << true;
        QTest::newRow("second layout without N and M, and back") << "" << "" << "CHNG Q A Z L N M CHNG M" << "" << "1-_*m.rcp" << true;
        QTest::newRow("cursor keys, no backspace at the start") << "" << "abc" << "BKSP Left Left BKSP End Left Q Right W" << "" << "aqbw.rcp" << true;
        QTest::newRow("prev on the first row") << three << "x" << "Prev" << "a.rcp b.rcp c.rcp" << "a.rcp" << true;
        QTest::newRow("next past the last row") << three << "x" << "Next Next Next" << "a.rcp b.rcp c.rcp" << "c.rcp" << true;
        QTest::newRow("empty name refused") << "" << "" << "" << "" << ".rcp" << false;
        QTest::newRow("hidden name refused") << "" << ".X" << "" << "" << ".x" << false;
        QTest::newRow("blank name taken") << "" << "" << "SPACE" << "" << " .rcp" << true;
    }
    void nameAndList()
    {
        QFETCH(QString, files);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        for (const QString &item : files.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (item.endsWith(QLatin1Char('/'))) {
                QVERIFY(QDir().mkdir(item.chopped(1)));
            } else if (item.contains(QLatin1Char('>'))) {
                QVERIFY(QFile::link(item.section(QLatin1Char('>'), 1), item.section(QLatin1Char('>'), 0, 0)));
            } else {
                QFile f(item.section(QLatin1Char(':'), 0, 0));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray(item.section(QLatin1Char(':'), 1).toInt(), 'x'));
            }
        }
        dlgRcpFile d(true);
        d.InitDlg();
        QStringList shown;
        auto *list = findWidget<QListWidget>(d, QStringLiteral("listWidget"));
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        QTEST(shown.join(QLatin1Char(' ')), "listed");
        d.setCurFileName(start);
        for (const QString &k : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            findWidget(d, QStringLiteral("but") + k)->click();
        QCOMPARE(findWidget<QDialogButtonBox>(d, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->isEnabled(), taken);
        d.accept();
        QCOMPARE(d.result() == QDialog::Accepted, taken);
        QTEST(d.getCurFileName(), "returned");
    }

    // OK takes only names that stay in the working folder and that LOAD lists afterwards.
    void namesLoadLists_data()
    {
        QTest::addColumn<QString>("name");   // as typed on an attached keyboard
        QTest::addColumn<bool>("taken");
        QTest::newRow("slash") << "../up" << false;
        QTest::newRow("slash alone") << "sub/x.rcp" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("two dots") << "a..b.rcp" << false;
        QTest::newRow("space after the extension") << "run.rcp " << false;
        QTest::newRow("extension cut by backspace") << "run.rc" << false;
        QTest::newRow("another extension") << "notes.txt" << false;
        QTest::newRow("line break") << "a\nb" << false;
        QTest::newRow("longer than a file name may be") << QString(252, QLatin1Char('a')) << false;
        QTest::newRow("longest name") << QString(251, QLatin1Char('a')) << true;
        QTest::newRow("extension in capitals") << "RUN.RCP" << true;
        QTest::newRow("a folder's name") << "sub.rcp" << false;
        QTest::newRow("a link's name") << "link.rcp" << false;
        QTest::newRow("an existing recipe") << "x.rcp" << true;
    }
    void namesLoadLists()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QFile recipe(QStringLiteral("x.rcp"));
        QVERIFY(recipe.open(QIODevice::WriteOnly) && QDir().mkdir(QStringLiteral("sub.rcp"))
                && QFile::link(QStringLiteral("x.rcp"), QStringLiteral("link.rcp")));
        dlgRcpFile d(true);
        d.InitDlg();
        findWidget<QTextEdit>(d, QStringLiteral("fileName"))->setPlainText(name);
        QCOMPARE(findWidget<QDialogButtonBox>(d, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->isEnabled(), taken);
        d.accept();
        QCOMPARE(d.result() == QDialog::Accepted, taken);
    }
};

QTEST_MAIN(TestRcpFileDialog)
#include "tst_dlgrcpfile.moc"
