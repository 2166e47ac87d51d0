// Pieces of the panel: the keypad dialog (its editing keys and how its text is read), the
// texts the main screen forms itself (position displays, the controller's web address), the
// command line and the working folder with its settings.
#include "app/mainwindow.h"
#include "app/panelcommandline.h"
#include "app/positiontext.h"
#include "app/webaddress.h"
#include "controller/kelinterface.h"
#include "dialogs/numinputbox.h"
#include "modaldriver.h"

#include <QTextEdit>
#include <QtTest>

#include <limits>

using Action = Ptx::PanelCommandLine::Action;

class TestPanelParts : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QString startDir = QDir::currentPath();

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }
    void cleanup() { QDir::setCurrent(startDir); }

    // The keys typed on a start text, the text they leave and how it reads as numbers.
    void keys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("intVal");
        QTest::addColumn<double>("doubleVal");

        QTest::newRow("all digits in order") << "" << "1234567890" << "1234567890" << 1234567890 << 1234567890.0;
        QTest::newRow("second point ignored") << "" << "1.5." << "1.5" << 0 << 1.5;
        QTest::newRow("sign alone") << "" << "-" << "-" << 0 << 0.0;
        QTest::newRow("sign twice on empty entry") << "" << "--" << "" << 0 << 0.0;
        QTest::newRow("sign twice on 12.5") << "12.5" << "--" << "12.5" << 0 << 12.5;
        QTest::newRow("sign in front of typed digits") << "" << "42-" << "-42" << -42 << -42.0;
        QTest::newRow("backspace drops last") << "123" << "<" << "12" << 12 << 12.0;
        QTest::newRow("backspace on one character") << "7" << "<<" << "" << 0 << 0.0;
        QTest::newRow("backspace removes point, point allowed again") << "1." << "<.2" << "1.2" << 0 << 1.2;
        QTest::newRow("digits follow a start value") << "0" << "482.7093" << "0482.7093" << 0 << 482.7093;
        QTest::newRow("beyond int") << "3000000000" << "" << "3000000000" << 0 << 3e9;
        QTest::newRow("beyond double") << QString(400, QLatin1Char('9')) << "" << QString(400, QLatin1Char('9')) << 0 << 0.0;
    }

    void keys()
    {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, value);
        NumInputBox box;
        box.setValue(start);
        QVERIFY(typeKeys(box, keys));
        QCOMPARE(box.getStrVal(), value);
        auto *field = box.findChild<QTextEdit *>(QStringLiteral("textEdit"));
        QCOMPARE(field->toPlainText(), value);
        QCOMPARE(field->textCursor().position(), int(value.size()));
        QTEST(box.getIntVal(), "intVal");
        QTEST(box.getDoubleVal(), "doubleVal");
    }

    // The panel's displays have ten places, where the point takes one.
    void positionText_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<int>("places");
        QTest::addColumn<QString>("text");

        QTest::newRow("origin") << 0.0 << 10 << "0.0000";
        QTest::newRow("cut, not rounded") << 12.34567 << 10 << "12.3456";
        QTest::newRow("tiny negative keeps its sign") << -0.00004 << 10 << "-0.0000";
        QTest::newRow("fraction padded") << 1.0007 << 10 << "1.0007";
        QTest::newRow("binary just below a digit") << 0.29 << 10 << "0.2900";
        QTest::newRow("within the lift of the next whole number stays a cut") << 4.999999999996 << 10 << "4.9999";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 10 << "Error";
        QTest::newRow("infinite, just fits") << -std::numeric_limits<double>::infinity() << 5 << "Error";
        QTest::newRow("fits as it is") << 99999.9999 << 10 << "99999.9999";
        QTest::newRow("sign kept, a decimal given up") << -10000.0 << 10 << "-10000.000";
        QTest::newRow("decimals cut, not rounded") << -1234567.89 << 10 << "-1234567.8";
        QTest::newRow("no room for a decimal: no point") << -123456789.9 << 10 << "-123456789";
        QTest::newRow("integer digits do not fit") << -1234567890.0 << 10 << "----------";
    }

    void positionText()
    {
        QFETCH(double, position);
        QFETCH(int, places);
        QTEST(Ptx::fittedPositionText(position, places), "text");
    }

    void webPage_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");
        QTest::newRow("plain address") << "192.168.1.100" << "http://192.168.1.100";
        QTest::newRow("port left out, spaces around") << " ptx4100:23 " << "http://ptx4100";
        QTest::newRow("IPv6 literal in brackets") << "fe80::1" << "http://[fe80::1]";
    }

    void webPage()
    {
        QFETCH(QString, address);
        const QUrl page = Ptx::controllerWebPage(address);
        QVERIFY(page.isValid());
        QTEST(page.toString(), "url");
    }

    // The command line and the working folder.
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");   // Qt's are taken out first unless -platform is there
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("workDir");
        const QStringList qtOptions{"-platform", "eglfs", "-stylesheet", "a.qss"};
        QTest::newRow("folder after Qt's options") << qtOptions + QStringList{"--workdir", "/srv/p"}
                                                   << int(Action::Run) << "/srv/p";
        QTest::newRow("help after Qt's options") << qtOptions + QStringList{"--help"}
                                                 << int(Action::ShowHelp) << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << int(Action::Error) << "";
        QTest::newRow("stray argument") << QStringList{"extra"} << int(Action::Error) << "";
        QTest::newRow("empty folder name") << QStringList{"--workdir="} << int(Action::Error) << "";
    }

    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, workDir);
        Ptx::PanelCommandLine commandLine;
        QCOMPARE(int(commandLine.parse(QStringList{"ptx-panel"} + args, !args.contains("-platform"))), action);
        QCOMPARE(commandLine.errorText().isEmpty(), action != int(Action::Error));
        QCOMPARE(commandLine.workDir(), workDir);
    }

    void enterWorkDir_data()
    {
        QTest::addColumn<QString>("path");   // a relative one lies in the temporary folder
        QTest::addColumn<bool>("entered");
        QTest::newRow("missing folders made") << "site/panel 1" << true;
        QTest::newRow("existing folder") << "." << true;
        QTest::newRow("a file in the way") << "file" << false;
        QTest::newRow("folder that cannot be made") << "/proc/self/panel" << false;
        QTest::newRow("folder that cannot be written") << "/proc/self" << false;
    }

    void enterWorkDir()
    {
        QFETCH(QString, path);
        QFETCH(bool, entered);
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QString target = QDir(dir.path()).absoluteFilePath(path);
        QString reason;
        QCOMPARE(Ptx::enterWorkDir(target, &reason), entered);
        QCOMPARE(reason.isEmpty(), entered);
        QCOMPARE(QDir::current(), entered ? QDir(target) : QDir(startDir));
    }

    // The panel, started as the program starts it, reads the settings file of that folder.
    void workDirHoldsSettings()
    {
        QFile config(dir.filePath("config.xml"));
        QVERIFY(config.open(QIODevice::WriteOnly) && config.write("<archive><ipaddr>127.0.0.1:2323</ipaddr></archive>\n") > 0);
        config.close();
        QString reason;
        QVERIFY(Ptx::enterWorkDir(dir.path(), &reason));
        MainWindow window;
        QCOMPARE(window.kelInterface()->getIpAddr(), QStringLiteral("127.0.0.1:2323"));
    }
};

QTEST_MAIN(TestPanelParts)
#include "tst_panelparts.moc"
