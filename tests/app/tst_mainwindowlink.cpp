// The main screen on a live link to the simulated controller: connecting through the
// start-up, jogging and moving a wheel from the screen, a lost link, disconnecting and the
// clean shutdown of the interface on exit.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "livepanel.h"
#include "modaldriver.h"

#include <QLCDNumber>
#include <QPointer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestMainWindowLink : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        // Nothing of the link or its thread may complain, in any test.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("QThread|QObject|QSocket|QTimer")));
    }

    void connectsAndJogs()
    {
        LivePanel p;
        QVERIFY(p.listening);
        p.b("pushButton")->click();
        QVERIFY(p.text("pushButton", "Connecting"));
        QVERIFY(waitUntil([&] { return p.text("pushButton", "DISCONNECT"); }, StartUpMs));
        QVERIFY(p.messages().contains(QStringLiteral("SYTEM OK!")));
        QCOMPARE(p.window->findChild<QTabWidget *>()->currentIndex(), 0);
        for (const char *name : {"butUp", "butRight", "butGotoZ", "butFW1p3", "butStart"})
            QVERIFY2(p.b(name)->isEnabled(), name);

        // One press of the right arrow moves X by the increment (1 mm by default), and the
        // polled position reaches the display.
        const qint32 start = p.sim.axisPosition(Ptx::DevX);
        p.b("butRight")->click();
        QVERIFY(waitUntil([&] { return p.sim.axisPosition(Ptx::DevX) == start + StepsPerMM; }));
        QCOMPARE(p.sim.count(Ptx::DevX, Ptx::CmdMove, Ptx::IdxRelPositive), 1);
        auto *x = p.window->findChild<QLCDNumber *>(QStringLiteral("lcdNumberX"));
        QVERIFY(waitUntil([&] { return x->value() == (start + StepsPerMM) / double(StepsPerMM); }));

        // A wheel button turns the wheel, and the polled position checks the button.
        p.b("butFW1p3")->click();
        QVERIFY(waitUntil([&] { return p.sim.wheelPosition(1) == 3; }));
        QVERIFY(waitUntil([&] { return p.b("butFW1p3")->isChecked(); }));

        // Disconnecting hangs up and returns the screen to its configuration page.
        p.b("pushButton")->click();
        QVERIFY(p.text("pushButton", "CONNECT"));
        QCOMPARE(p.window->findChild<QTabWidget *>()->currentIndex(), 2);
        QVERIFY(waitUntil([&] { return !p.sim.hasClient(); }));
    }

    void lostLinkIsShown()
    {
        LivePanel p;
        QVERIFY(p.listening);
        QVERIFY(p.connectPanel());
        p.sim.dropClient();
        QVERIFY(waitUntil([&] { return p.text("pushButton", "CONNECT"); }));
        QVERIFY(p.b("pushButton")->isEnabled());
        QVERIFY(!p.b("butUp")->isEnabled());
        QVERIFY(p.messages().contains(QStringLiteral("CONNECTION LOST")));
        // And the panel connects again.
        QVERIFY(p.connectPanel());
    }

    void exitClosesLinkAndEndsInterface()
    {
        LivePanel p;
        QVERIFY(p.listening);
        p.window->show();
        QVERIFY(p.connectPanel());
        QPointer<KelInterface> kel = p.window->kelInterface();
        QVERIFY(kel->isRunning());
        QSignalSpy finished(kel.data(), &QThread::finished);

        ModalDriver driver;
        driver.keypad(QStringLiteral("482.7093"));
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        guard.start(TrafficMs);
        QTimer::singleShot(0, p.window.get(), [&] { p.b("butExit")->click(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!p.window->isVisible());

        // As at the end of the program: the window goes, and the interface with it.
        p.window.reset();
        QCOMPARE(finished.size(), 1);
        QVERIFY(kel.isNull());
        QVERIFY(waitUntil([&] { return !p.sim.hasClient(); }));
        // Nothing of the interface is left to run afterwards.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestMainWindowLink)
#include "tst_mainwindowlink.moc"
