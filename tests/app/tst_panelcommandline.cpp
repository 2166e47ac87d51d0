// The panel's command line and its working folder.
#include "app/mainwindow.h"
#include "app/panelcommandline.h"
#include "controller/kelinterface.h"
#include "dialogs/dlgrcpfile.h"
#include "support/findwidget.h"

#include <QListWidget>
#include <QtTest>

using Action = Ptx::PanelCommandLine::Action;

class TestPanelCommandLine : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    const QString startDir = QDir::currentPath();

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

private slots:
    void cleanup() { QDir::setCurrent(startDir); }

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
        QTest::newRow("a file in the way") << "file" << false;
        QTest::newRow("folder that cannot be made") << "/proc/self/panel" << false;
        QTest::newRow("folder that cannot be written") << "/proc/self" << false;
    }

    void enterWorkDir()
    {
        QFETCH(QString, path);
        QFETCH(bool, entered);
        writeFile("file", "x");
        const QString target = QDir(dir.path()).absoluteFilePath(path);
        QString reason;
        QCOMPARE(Ptx::enterWorkDir(target, &reason), entered);
        QCOMPARE(reason.isEmpty(), entered);
        QCOMPARE(QDir::current(), entered ? QDir(target) : QDir(startDir));
    }

    // The panel reads and completes that folder's settings file and lists its recipes.
    void workDirHoldsSettingsAndRecipes()
    {
        writeFile("config.xml", "<archive><ipaddr>127.0.0.1:2323</ipaddr></archive>\n");
        writeFile("wafer.rcp", "POINT 1,2\n");
        QString reason;
        QVERIFY(Ptx::enterWorkDir(dir.path(), &reason));
        MainWindow window;
        QCOMPARE(window.kelInterface()->getIpAddr(), QStringLiteral("127.0.0.1:2323"));
        QFile config(dir.filePath("config.xml"));
        QVERIFY(config.open(QIODevice::ReadOnly) && config.readAll().contains("<micronsperstep>"));
        dlgRcpFile files(false);
        files.InitDlg();
        QListWidget *list = findWidget<QListWidget>(files, QStringLiteral("listWidget"));
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("wafer.rcp"));
    }
};

QTEST_MAIN(TestPanelCommandLine)
#include "tst_panelcommandline.moc"
