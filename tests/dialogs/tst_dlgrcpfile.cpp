// The recipe file dialog: which files it lists and in what order, typing on both keyboard
// layouts with the cursor keys, Prev/Next at the ends of the list, and the names OK takes.
#include "dialogs/dlgrcpfile.h"
#include "support/findwidget.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <optional>

class TestRcpFileDialog : public QObject
{
    Q_OBJECT

private:
    std::optional<QTemporaryDir> dir;

    // Presses keys by the end of their object names: "Q", "SPACE", "CHNG", "Left"...
    static void press(dlgRcpFile &d, const QString &keys)
    {
        for (const QString &k : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            findWidget(d, QStringLiteral("but") + k)->click();
    }
    static QString field(const dlgRcpFile &d) { return findWidget<QTextEdit>(d, QStringLiteral("fileName"))->toPlainText(); }

    // "name:size" makes a file of that many bytes, "name/" a folder, "name>target" a link.
    static void makeFiles(const QString &spec)
    {
        for (const QString &item : spec.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (item.endsWith(QLatin1Char('/'))) {
                QDir().mkdir(item.chopped(1));
            } else if (item.contains(QLatin1Char('>'))) {
                QFile::link(item.section(QLatin1Char('>'), 1), item.section(QLatin1Char('>'), 0, 0));
            } else {
                QFile f(item.section(QLatin1Char(':'), 0, 0));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray(item.section(QLatin1Char(':'), 1).toInt(), 'x'));
            }
        }
    }

private slots:
    void init()
    {
        dir.emplace();
        QVERIFY(QDir::setCurrent(dir->path()));
    }

    void listing_data()
    {
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("listed");
        QTest::newRow("smallest first") << "c.rcp:300 a.rcp:100 d.rcp:200" << "a.rcp d.rcp c.rcp";
        QTest::newRow("equal sizes by descending name") << "a.rcp:100 b.rcp:100 c.rcp:300" << "b.rcp a.rcp c.rcp";
        QTest::newRow("names compared case-sensitively") << "B.rcp:5 a.rcp:5" << "a.rcp B.rcp";
        QTest::newRow("recipe files only") << "x.rcp:3 .h.rcp:1 n.txt:1 sub.rcp/ l.rcp>x.rcp" << "x.rcp";
        QTest::newRow("no files") << "" << "";
    }
    void listing()
    {
        QFETCH(QString, files);
        QFETCH(QString, listed);
        makeFiles(files);
        dlgRcpFile d(false);
        d.InitDlg();
        QStringList shown;
        auto *list = findWidget<QListWidget>(d, QStringLiteral("listWidget"));
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        QCOMPARE(shown.join(QLatin1Char(' ')), listed);
        QCOMPARE(field(d), listed.isEmpty() ? QStringLiteral("newfile.rcp") : shown.first());
    }

    void typing_data()
    {
        const QString three = QStringLiteral("a.rcp:1 b.rcp:2 c.rcp:3");
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("returned");
        QTest::addColumn<bool>("taken");
        QTest::newRow("letters lower-cased") << "" << "" << "Q W E" << "qwe" << "qwe.rcp" << true;
        QTest::newRow("second layout without N and M, and back") << "" << "" << "CHNG Q A Z L N M CHNG M" << "1-_*m" << "1-_*m.rcp" << true;
        QTest::newRow("space") << "" << "run" << "SPACE CHNG W" << "run 2" << "run 2.rcp" << true;
        QTest::newRow("backspace") << "" << "abc" << "BKSP BKSP" << "a" << "a.rcp" << true;
        QTest::newRow("backspace at the start") << "" << "ab" << "Left Left BKSP" << "ab" << "ab.rcp" << true;
        QTest::newRow("cursor keys") << "" << "ab" << "Left Q Right W" << "aqbw" << "aqbw.rcp" << true;
        QTest::newRow("end key") << "" << "ab" << "Left Left End Q" << "abq" << "abq.rcp" << true;
        QTest::newRow("start name lower-cased, extension kept") << "" << "Run.RCP" << "" << "run.rcp" << "run.rcp" << true;
        QTest::newRow("prev on the first row") << three << "x" << "Prev" << "a.rcp" << "a.rcp" << true;
        QTest::newRow("next past the last row") << three << "x" << "Next Next Next" << "c.rcp" << "c.rcp" << true;
        QTest::newRow("there and back") << three << "x" << "Next Next Prev" << "b.rcp" << "b.rcp" << true;
        QTest::newRow("empty name refused") << "" << "" << "" << "" << ".rcp" << false;
        QTest::newRow("hidden name refused") << "" << ".X" << "" << ".x" << ".x" << false;
        QTest::newRow("blank name taken") << "" << "" << "SPACE" << " " << " .rcp" << true;
    }
    void typing()
    {
        QFETCH(QString, files);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(bool, taken);
        makeFiles(files);
        dlgRcpFile d(true);
        d.InitDlg();
        d.setCurFileName(start);
        press(d, keys);
        QTEST(field(d), "typed");
        QCOMPARE(findWidget<QDialogButtonBox>(d, QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->isEnabled(), taken);
        d.accept();
        QCOMPARE(d.result() == QDialog::Accepted, taken);
        QTEST(d.getCurFileName(), "returned");
    }
};

QTEST_MAIN(TestRcpFileDialog)
#include "tst_dlgrcpfile.moc"
