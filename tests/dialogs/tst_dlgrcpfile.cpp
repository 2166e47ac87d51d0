// The recipe file dialog: which files it lists and in what order, typing on both keyboard
// layouts with the cursor keys, Prev/Next at the ends of the list, and the names OK takes.
#include "dialogs/dlgrcpfile.h"
#include "support/findwidget.h"

#include <QDialogButtonBox>
#include <QListWidget>
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
        QTest::newRow("hidden name refused") << "" << ".X" << "" << "" << ".X" << false;
        QTest::newRow("blank name taken") << "" << "" << "SPACE" << "" << " .rcp" << true;
        // Only names that stay in the folder and that the list shows again afterwards.
        QTest::newRow("slash refused") << "" << "sub/x" << "" << "" << "sub/x.rcp" << false;
        QTest::newRow("backslash and two dots refused") << "" << "a\\..b" << "" << "" << "a\\..b" << false;
        QTest::newRow("space after the extension refused") << "x.rcp:1" << "x.rcp" << "SPACE" << "x.rcp" << "x.rcp " << false;
        QTest::newRow("backspace into the extension refused") << "x.rcp:1" << "x.rcp" << "BKSP" << "x.rcp" << "x.rc" << false;
        QTest::newRow("line break refused") << "" << "a\nb" << "" << "" << "a\nb.rcp" << false;
        QTest::newRow("longer name refused") << "" << QString(252, QLatin1Char('a')) << "" << "" << QString(252, QLatin1Char('a')) + ".rcp" << false;
        QTest::newRow("a folder's name refused") << "sub.rcp/" << "sub.rcp" << "" << "" << "sub.rcp" << false;
        QTest::newRow("a link's name refused") << "x.rcp:1 l.rcp>x.rcp" << "l.rcp" << "" << "x.rcp" << "l.rcp" << false;
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
};

QTEST_MAIN(TestRcpFileDialog)
#include "tst_dlgrcpfile.moc"
