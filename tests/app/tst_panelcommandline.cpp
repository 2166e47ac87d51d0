// The panel's command line and working folder: parsed in-process, and the real program
// refusing what it cannot use before it opens a window.
#include "app/mainwindow.h"
#include "app/panelcommandline.h"
#include "controller/kelinterface.h"

#include <QtTest>

using Action = Ptx::PanelCommandLine::Action;

class TestPanelCommandLine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString startDir = QDir::currentPath();

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void cleanup() { QDir::setCurrent(startDir); }

    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("qtOptionsRemoved");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("workDir");
        QTest::newRow("no options") << QStringList{} << true << int(Action::Run) << "";
        QTest::newRow("working folder") << QStringList{"--workdir", "/srv/panel"} << true
                                        << int(Action::Run) << "/srv/panel";
        QTest::newRow("help among Qt's options") << QStringList{"-platform", "offscreen", "--help"}
                                                 << false << int(Action::ShowHelp) << "";
        QTest::newRow("version") << QStringList{"-v"} << false << int(Action::ShowVersion) << "";
        QTest::newRow("Qt option spelling an h") << QStringList{"-stylesheet", "touch.qss"} << false
                                                 << int(Action::Run) << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << true << int(Action::Error) << "";
        QTest::newRow("stray argument") << QStringList{"extra"} << true << int(Action::Error) << "";
        QTest::newRow("empty folder name") << QStringList{"--workdir="} << true << int(Action::Error) << "";
        QTest::newRow("folder name missing") << QStringList{"--workdir"} << true << int(Action::Error) << "";
    }

    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, qtOptionsRemoved);
        QFETCH(int, action);
        QFETCH(QString, workDir);
        Ptx::PanelCommandLine commandLine;
        QCOMPARE(int(commandLine.parse(QStringList{"ptx-panel"} + args, qtOptionsRemoved)), action);
        QCOMPARE(commandLine.errorText().isEmpty(), action != int(Action::Error));
        if (action == int(Action::Run))
            QCOMPARE(commandLine.workDir(), workDir);
    }

    void enterWorkDir_data()
    {
        QTest::addColumn<QString>("path");   // relative ones lie in a fresh temporary folder
        QTest::addColumn<bool>("entered");
        QTest::newRow("existing folder") << "." << true;
        QTest::newRow("missing folders made") << "site/panel 1" << true;
        QTest::newRow("a file in the way") << "file" << false;
        QTest::newRow("folder under a file") << "file/panel" << false;
        QTest::newRow("folder that cannot be made") << "/proc/self/panel" << false;
        QTest::newRow("folder that cannot be written") << "/proc/self" << false;
    }

    void enterWorkDir()
    {
        QFETCH(QString, path);
        QFETCH(bool, entered);
        QTemporaryDir base;
        writeFile(base.filePath("file"), "x");
        const QString target = QDir(base.path()).absoluteFilePath(path);
        QString reason;
        QCOMPARE(Ptx::enterWorkDir(target, &reason), entered);
        QCOMPARE(reason.isEmpty(), entered);
        QCOMPARE(QDir::current(), entered ? QDir(target) : QDir(startDir));
        // The write check leaves no file behind.
        QCOMPARE(QDir(target).entryList({".ptx-panel*"}, QDir::Files | QDir::Hidden), QStringList{});
    }

    // The settings file and the recipes are those of the folder the panel was sent to.
    void workDirHoldsSettingsAndRecipes()
    {
        const QString folder = dir.filePath("panel");
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + "/config.xml", "<archive><ipaddr>127.0.0.1:2323</ipaddr></archive>\n");
        writeFile(folder + "/wafer.rcp", "POINT 1,2\n");
        QString reason;
        QVERIFY(Ptx::enterWorkDir(folder, &reason));
        MainWindow window;
        KelInterface *kel = window.kelInterface();
        QCOMPARE(kel->getIpAddr(), QStringLiteral("127.0.0.1:2323"));
        QFile config(folder + "/config.xml");
        QVERIFY(config.open(QIODevice::ReadOnly));
        QVERIFY(config.readAll().contains("<micronsperstep>"));
        kel->setFileName(QStringLiteral("wafer.rcp"));
        kel->loadRcp();
        QCOMPARE(kel->getRecipe(), QStringList{"POINT 1,2"});
    }

    // The program stops with a reason and its exit status, and leaves nothing behind.
    void program_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder that cannot be made") << QStringList{"--workdir", "/proc/self/panel"}
            << int(Ptx::PanelUnusableWorkDir) << "cannot create the folder /proc/self/panel";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << int(Ptx::PanelBadArguments)
                                        << "Unknown option 'bogus'";
    }

    void program()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QTemporaryDir runDir;
        QProcess panel;
        panel.setWorkingDirectory(runDir.path());
        panel.start(QStringLiteral(PTX_PANEL_PROGRAM), args);
        QVERIFY(panel.waitForFinished());
        QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(panel.exitCode(), exitCode);
        QVERIFY2(panel.readAllStandardError().contains(reason.toUtf8()), qPrintable(reason));
        QCOMPARE(QDir(runDir.path()).entryList(QDir::Files), QStringList{});
    }
};

QTEST_MAIN(TestPanelCommandLine)
#include "tst_panelcommandline.moc"
