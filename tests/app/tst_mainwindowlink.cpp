// The main screen on a live link to the simulated controller: connecting through the
// start-up, a jog, disconnecting, a lost link, a refused log-in, a host-name address through
// the configuration dialog, HALT from a dialog (the web page address too) and the clean
// shutdown of the interface on exit.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "dialogs/dlgconfig.h"
#include "dialogs/webpagedialog.h"
#include "livepanel.h"
#include "modaldriver.h"

#include <QApplication>
#include <QLCDNumber>
#include <QPointer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindowLink : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        // No browser opens the controller's web page here.
        WebPageDialog::setOpener([](const QUrl &) { return false; });
        // Nothing of the link or its thread may complain, in any test.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("QThread|QObject|QSocket|QTimer")));
    }

    void connectJogLoseTheLinkAndExit()
    {
        LivePanel p;
        QVERIFY(p.listening);
        p.window->show();
        p.b("pushButton")->click();
        QVERIFY(p.text("pushButton", "Connecting"));
        QVERIFY(waitUntil([&] { return p.text("pushButton", "DISCONNECT"); }, StartUpMs));
        QVERIFY(p.messages().contains(QStringLiteral("SYTEM OK!")));
        QCOMPARE(p.window->findChild<QTabWidget *>()->currentIndex(), 0);
        // One tap of the right arrow moves X by 1 mm, and the polled position reaches the display.
        const qint32 x = p.sim.axisPosition(Ptx::DevX) + StepsPerMM;
        p.b("butRight")->click();
        auto *shown = p.window->findChild<QLCDNumber *>(QStringLiteral("lcdNumberX"));
        QVERIFY(waitUntil([&] { return p.sim.axisPosition(Ptx::DevX) == x && shown->value() == x / double(StepsPerMM); }));

        // Disconnecting hangs up and returns the screen to its configuration page.
        p.b("pushButton")->click();
        QVERIFY(p.text("pushButton", "CONNECT"));
        QCOMPARE(p.window->findChild<QTabWidget *>()->currentIndex(), 2);
        QVERIFY(waitUntil([&] { return !p.sim.hasClient(); }));

        // The panel connects again.
        QVERIFY(p.connectPanel());

        // The password after the keypad's 0 closes the window; as at the end of the program,
        // the window goes, the interface with it, and the link is closed.
        QPointer<KelInterface> kel = p.window->kelInterface();
        QSignalSpy finished(kel.data(), &QThread::finished);
        ModalDriver driver;
        driver.keypad(QStringLiteral("482.7093"));
        QTimer::singleShot(Stepping::TrafficWaitMs, p.window.get(), [] { QCoreApplication::exit(1); });
        QTimer::singleShot(0, p.window.get(), [&] { p.b("butExit")->click(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!p.window->isVisible());
        p.window.reset();
        QCOMPARE(finished.size(), 1);
        QVERIFY(kel.isNull());
        QVERIFY(waitUntil([&] { return !p.sim.hasClient(); }));
        // Nothing of the interface is left to run afterwards.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    // A controller that takes the connection but never prompts for the log-in (it serves
    // another panel), or nothing listening: the attempt fails and CONNECT is usable again.
    void connectGivesUp_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("no log-in prompt within 5 s") << true;
        QTest::newRow("nothing listening") << false;
    }

    void connectGivesUp()
    {
        QFETCH(bool, listening);
        LivePanel p;
        QTcpSocket other;
        other.connectToHost(QHostAddress::LocalHost, p.sim.serverPort());
        QVERIFY(waitUntil([&] { return p.sim.hasClient(); }));
        if (!listening)
            p.sim.close();
        p.kel->setTickPeriod(Stepped);
        p.b("pushButton")->click();
        QVERIFY(p.text("pushButton", "Connecting") && !p.b("pushButton")->isEnabled());
        if (listening) {
            QVERIFY(waitUntil([&] { return p.messages().contains(QStringLiteral("Connected!")); }));
            // The limit is time, not ticks: twice its ticks in quick succession do not end it.
            for (int tick = 0; tick < 2 * Ptx::ConnectTimeoutMs / Ptx::TickMs; ++tick)
                p.kel->tick();
            QVERIFY(!p.messages().contains(QStringLiteral("CONNECT FAILED!!!!")));
        }
        // The tick stepped on until the attempt ends.
        QVERIFY(waitUntil([&] { return p.text("pushButton", "CONNECT") || (p.kel->tick(), p.text("pushButton", "CONNECT")); },
                          Ptx::ConnectTimeoutMs + Stepping::TrafficWaitMs));
        QVERIFY(p.b("pushButton")->isEnabled() && p.b("butConfigure")->isEnabled());
        QVERIFY(p.messages().endsWith(QStringLiteral("CONNECT FAILED!!!!")));
    }

    // A refused log-in: the controller ends its greeting and hangs up before answering.
    void refusedLogInFails()
    {
        LivePanel p;
        p.sim.setRefuseLogin(true);
        p.b("pushButton")->click();
        QVERIFY(waitUntil([&] { return p.messages().contains(QStringLiteral("Connected!")) && p.text("pushButton", "CONNECT"); }));
        QVERIFY(p.messages().endsWith(QStringLiteral("CONNECT FAILED!!!!")) && !p.messages().contains(QStringLiteral("LOST")));
    }

    // The settings dialog shows a host-name address whole and OK keeps it: CONNECT still
    // reaches the controller.
    void hostNameAddressKept()
    {
        LivePanel p;
        const QString address = QStringLiteral("localhost:%1").arg(p.sim.serverPort());
        p.kel->setIpAddr(address);
        QString shown;
        ModalDriver driver;
        driver.on<dlgConfig>([&](dlgConfig &d) {
            shown = findWidget(d, QStringLiteral("IpAddr1"))->text() + (findWidget(d, QStringLiteral("IpAddr2"))->isVisible() ? "|" : "");
            d.accept();
        });
        p.b("butConfigure")->click();
        QCOMPARE(shown, address);
        QVERIFY(p.connectPanel());
    }

    // Every dialog carries a HALT key that halts the stage while the dialog is open.
    void haltFromADialog_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("dialogClass");
        QTest::newRow("keypad") << "butGoto" << "NumInputBox";
        QTest::newRow("about box") << "butAbout" << "AboutDialog";
        QTest::newRow("recipe file dialog") << "butLoad" << "dlgRcpFile";
        QTest::newRow("web page address, no browser") << "butConfigPtx4" << "WebPageDialog";
    }

    void haltFromADialog()
    {
        QFETCH(QString, opener);
        QFETCH(QString, dialogClass);
        LivePanel p;
        QVERIFY(p.listening);
        p.window->show();
        QVERIFY(p.connectPanel());
        p.kel->moveXYTo(90.0, 0.0);
        QVERIFY(waitUntil([&] { return p.sim.axisMoving(Ptx::DevX); }));
        bool halted = false;
        std::unique_ptr<ModalDriver> rest;
        QTimer::singleShot(0, p.window.get(), [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog && dialog->inherits(dialogClass.toLatin1()));
            dialog->findChild<QPushButton *>(QStringLiteral("butHalt"))->click();
            halted = waitUntil([&] { return p.sim.count(0, Ptx::CmdHalt, 0) == 1 && !p.sim.axisMoving(Ptx::DevX); });
            dialog->reject();
            rest = std::make_unique<ModalDriver>();   // the goto's second keypad, if any
            rest->keypad(QString(), false);
        });
        // The web page button is on only while disconnected: here it stands for any way
        // the dialog comes up while the stage moves.
        p.b(opener.toLatin1())->setEnabled(true);
        p.b(opener.toLatin1())->click();
        QVERIFY(halted);
        QVERIFY(p.sim.axisPosition(Ptx::DevX) < 90 * StepsPerMM);
    }
};

QTEST_MAIN(TestMainWindowLink)
#include "tst_mainwindowlink.moc"
