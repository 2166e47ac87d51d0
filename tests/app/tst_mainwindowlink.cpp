// The main screen on a live link to the simulated controller: connecting through the
// start-up, jogging and moving a wheel from the screen, a lost link, disconnecting and the
// clean shutdown of the interface on exit.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "modaldriver.h"
#include "simulator/simulator.h"
#include "support/findwidget.h"

#include <QLCDNumber>
#include <QPointer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
constexpr int TickMs = 1;
constexpr double HardwareSpeedUp = 25.0;
constexpr int StartUpMs = 20000;
constexpr int TrafficMs = 5000;
constexpr qint32 StepsPerMM = 10000;
} // namespace

class TestMainWindowLink : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // Runs the event loop until the condition holds. Unlike QTRY_*, which sleeps between
    // passes, this lets the interface's 1 ms tick run at its own pace.
    static bool waitUntil(const std::function<bool()> &condition, int timeoutMs = TrafficMs)
    {
        if (condition())
            return true;
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (condition())
                loop.quit();
        });
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        poll.start(TickMs);
        loop.exec();
        return condition();
    }

    static QPushButton *b(MainWindow &w, const char *name)
    {
        return findWidget(w, QString::fromLatin1(name));
    }
    static QString messages(MainWindow &w)
    {
        return w.findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
    }

    // A window whose interface ticks fast and points at the simulator.
    static std::unique_ptr<MainWindow> panelFor(PtxSim::Simulator &sim)
    {
        auto window = std::make_unique<MainWindow>();
        window->kelInterface()->setTickPeriod(TickMs);
        window->kelInterface()->setIpAddr(sim.clientAddress());
        return window;
    }

    // Presses the connection button and waits for the system check to pass.
    static bool connectPanel(MainWindow &window)
    {
        b(window, "pushButton")->click();
        return waitUntil([&] { return b(window, "pushButton")->text() == "DISCONNECT"; },
                         StartUpMs);
    }

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
        PtxSim::Simulator sim;
        sim.setTimeScale(HardwareSpeedUp);
        QVERIFY(sim.listen());
        auto window = panelFor(sim);
        QSignalSpy states(window->kelInterface(), &KelInterface::connectChanged);

        b(*window, "pushButton")->click();
        QCOMPARE(states.last().first().toInt(), 1);
        QCOMPARE(b(*window, "pushButton")->text(), QStringLiteral("Connecting"));
        QVERIFY(!b(*window, "pushButton")->isEnabled());
        QVERIFY(!b(*window, "butUp")->isEnabled());

        QVERIFY(waitUntil([&] { return b(*window, "pushButton")->text() == "DISCONNECT"; },
                          StartUpMs));
        QVERIFY(messages(*window).contains(QStringLiteral("SYTEM OK!")));
        QVERIFY(b(*window, "pushButton")->isEnabled());
        QCOMPARE(window->findChild<QTabWidget *>()->currentIndex(), 0);
        for (const char *name : {"butUp", "butRight", "butGotoZ", "butFW1p3", "butStart"})
            QVERIFY2(b(*window, name)->isEnabled(), name);
        QVERIFY(!b(*window, "butConfigure")->isEnabled());

        // One press of the right arrow moves X by the increment (1 mm by default).
        const qint32 start = sim.axisPosition(Ptx::DevX);
        const int jogs = sim.count(Ptx::DevX, Ptx::CmdMove, Ptx::IdxRelPositive);
        b(*window, "butRight")->click();
        QVERIFY(waitUntil([&] {
            return sim.count(Ptx::DevX, Ptx::CmdMove, Ptx::IdxRelPositive) == jogs + 1;
        }));
        QCOMPARE(sim.axisTarget(Ptx::DevX), start + StepsPerMM);
        QVERIFY(waitUntil([&] { return sim.axisPosition(Ptx::DevX) == start + StepsPerMM; }));
        // The polled position reaches the display.
        auto *x = window->findChild<QLCDNumber *>(QStringLiteral("lcdNumberX"));
        QVERIFY(waitUntil([&] { return x->value() == (start + StepsPerMM) / double(StepsPerMM); }));

        // A wheel button turns the wheel, and the polled position checks the button.
        b(*window, "butFW1p3")->click();
        QVERIFY(waitUntil([&] { return sim.wheelPosition(1) == 3; }));
        QVERIFY(waitUntil([&] { return b(*window, "butFW1p3")->isChecked(); }));
        QVERIFY(!b(*window, "butFW1p1")->isChecked());

        // Disconnecting returns the screen to its configuration page.
        b(*window, "pushButton")->click();
        QCOMPARE(b(*window, "pushButton")->text(), QStringLiteral("CONNECT"));
        QCOMPARE(window->findChild<QTabWidget *>()->currentIndex(), 2);
        QVERIFY(!b(*window, "butUp")->isEnabled());
        QVERIFY(b(*window, "butConfigure")->isEnabled());
        QVERIFY(waitUntil([&] { return !sim.hasClient(); }));
    }

    void onlyWheelModuleOpensFilterPage()
    {
        PtxSim::Options options;
        options.modules = {Ptx::DevWheel1};
        PtxSim::Simulator sim(options);
        sim.setTimeScale(HardwareSpeedUp);
        QVERIFY(sim.listen());
        auto window = panelFor(sim);
        QVERIFY(connectPanel(*window));
        auto *tabs = window->findChild<QTabWidget *>();
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(!tabs->isTabEnabled(0));
        QVERIFY(window->findChild<QLCDNumber *>(QStringLiteral("lcdNumberX"))->isHidden());
        QVERIFY(!b(*window, "butGotoZ")->isEnabled());
        QVERIFY(b(*window, "butFW2sh2")->isEnabled());
    }

    void lostLinkIsShown()
    {
        PtxSim::Simulator sim;
        sim.setTimeScale(HardwareSpeedUp);
        QVERIFY(sim.listen());
        auto window = panelFor(sim);
        QVERIFY(connectPanel(*window));
        sim.dropClient();
        QVERIFY(waitUntil([&] { return b(*window, "pushButton")->text() == "CONNECT"; }));
        QVERIFY(b(*window, "pushButton")->isEnabled());
        QVERIFY(!b(*window, "butUp")->isEnabled());
        QVERIFY(messages(*window).contains(QStringLiteral("CONNECTION LOST")));
        // And the panel connects again.
        QVERIFY(connectPanel(*window));
    }

    void exitClosesLinkAndEndsInterface()
    {
        PtxSim::Simulator sim;
        sim.setTimeScale(HardwareSpeedUp);
        QVERIFY(sim.listen());
        auto window = panelFor(sim);
        window->show();
        QVERIFY(connectPanel(*window));
        QPointer<KelInterface> kel = window->kelInterface();
        QVERIFY(kel->isRunning());
        QSignalSpy finished(kel.data(), &QThread::finished);

        ModalDriver driver;
        driver.keypad(QStringLiteral("482.7093"));
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        guard.start(TrafficMs);
        QTimer::singleShot(0, window.get(), [&] { b(*window, "butExit")->click(); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(driver.remaining(), 0);
        QVERIFY(!window->isVisible());

        // As at the end of the program: the window goes, and the interface with it.
        window.reset();
        QCOMPARE(finished.size(), 1);
        QVERIFY(kel.isNull());
        QVERIFY(waitUntil([&] { return !sim.hasClient(); }));
        // Nothing of the interface is left to run afterwards.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestMainWindowLink)
#include "tst_mainwindowlink.moc"
