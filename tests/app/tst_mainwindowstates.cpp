// Main screen display: start-up look, connection states, module presence, control enabling
// during a run, positions, wheels, shutters, modes and the message display.
#include "app/mainwindow.h"
#include "dialogs/versiontext.h"
#include "panelfixture.h"

#include <QCheckBox>
#include <QLCDNumber>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

#include <cmath>

namespace {

// Controls that follow the connection and the run alone.
const char *const OperatingControls[] = {
    "butAbs", "butRel", "butSkew", "butUp", "butDown", "butLeft", "butRight", "butHome",
    "butGoto", "butSpeed", "butEdit", "butLoad", "butSave", "butStart", "butGoAlnPt1",
    "butStoreAlnPt1", "butGoAlnPt2", "butStoreAlnPt2", "butGoPt1", "butStorePt1", "butInit"};
const char *const FocusControls[] = {"butUpZ", "butDownZ", "butGotoZ", "butGoPt1_2",
                                     "butStorePt1_2"};

QStringList wheelControls()
{
    QStringList names;
    for (int w = 1; w <= 2; ++w) {
        names << QStringLiteral("butFW%1home").arg(w);
        for (int s = 1; s <= 3; ++s)
            names << QStringLiteral("butFW%1sh%2").arg(w).arg(s);
        for (int k = 1; k <= 10; ++k)
            names << QStringLiteral("butFW%1p%2").arg(w).arg(k);
    }
    return names;
}

constexpr int StagePage = 0;
constexpr int FilterPage = 1;
constexpr int ConfigPage = 2;

} // namespace

class TestMainWindowStates : public QObject, private PanelFixture
{
    Q_OBJECT

private:
    QPushButton *b(const char *name) const { return w(QString::fromLatin1(name)); }
    QTabWidget *tabs() const { return w<QTabWidget>(QStringLiteral("tabWidget")); }
    QTextDocument *messages() const
    {
        return w<QTextEdit>(QStringLiteral("textEdit"))->document();
    }

    bool allEnabled(const QStringList &names, bool expected) const
    {
        // The button's own state: a disabled tab page also disables its children.
        for (const QString &n : names) {
            QWidget *widget = w(n);
            if (widget->isEnabledTo(widget->parentWidget()) != expected) {
                qWarning("%s is %s", qPrintable(n), expected ? "disabled" : "enabled");
                return false;
            }
        }
        return true;
    }
    static QStringList names(const char *const *list, size_t count)
    {
        QStringList out;
        for (size_t i = 0; i < count; ++i)
            out << QString::fromLatin1(list[i]);
        return out;
    }
    static QStringList operating() { return names(OperatingControls, std::size(OperatingControls)); }
    static QStringList focus() { return names(FocusControls, std::size(FocusControls)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    void init() { openWindow(); }

    void cleanup() { window.reset(); }

    void startsOnConfigurationPageWithControlsOff()
    {
        QCOMPARE(tabs()->currentIndex(), ConfigPage);
        QCOMPARE(tabs()->tabText(StagePage), QStringLiteral("Stage"));
        QCOMPARE(tabs()->tabText(FilterPage), QStringLiteral("FilterWheel"));
        QCOMPARE(tabs()->tabText(ConfigPage), QStringLiteral("Configuration"));
        QCOMPARE(tabs()->tabPosition(), QTabWidget::East);
        QVERIFY(allEnabled(operating(), false));
        QVERIFY(allEnabled(focus(), false));
        QVERIFY(allEnabled(wheelControls(), false));
        QVERIFY(b("butHalt")->isEnabled());
        QVERIFY(b("pushButton")->isEnabled());
        QCOMPARE(b("pushButton")->text(), QStringLiteral("Connect"));
        QVERIFY(!b("butStop")->isEnabled());
        QVERIFY(!b("butPause")->isEnabled());
        QVERIFY(b("butAbs")->isChecked());
        QVERIFY(!w<QCheckBox>(QStringLiteral("contRunMacro"))->isChecked());
        QVERIFY(window->menuBar()->isHidden());
        QVERIFY(window->findChild<QToolBar *>(QStringLiteral("mainToolBar"))->isHidden());
        QVERIFY(window->statusBar()->isHidden());
        QCOMPARE(messages()->toPlainText(), QString::fromLatin1(Ptx::VersionText));
        for (const char *axis : {"X", "Y", "Z"}) {
            QVERIFY(!w<QLabel>(QStringLiteral("label") + QLatin1String(axis))->isHidden());
            QCOMPARE(w<QLCDNumber>(QStringLiteral("lcdNumber") + QLatin1String(axis))->value(), 0.0);
        }
        QVERIFY(tabs()->isTabEnabled(StagePage));
        QVERIFY(tabs()->isTabEnabled(FilterPage));
        QCOMPARE(window->windowTitle(), QStringLiteral("MainWindow"));
    }

    void connectionStates_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QList<int>>("modules");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<bool>("buttonEnabled");
        QTest::addColumn<bool>("operatingOn");
        QTest::addColumn<bool>("focusOn");
        QTest::addColumn<bool>("wheelsOn");

        const QList<int> all{1, 2, 3, 17, 27};
        QTest::newRow("0 not connected") << 0 << all << ConfigPage << "CONNECT" << true
                                         << false << false << false;
        QTest::newRow("1 connecting") << 1 << all << ConfigPage << "Connecting" << false << false
                                      << false << false;
        QTest::newRow("2 all modules") << 2 << all << StagePage << "DISCONNECT" << true << true
                                       << true << true;
        QTest::newRow("2 only module 17") << 2 << QList<int>{17} << FilterPage << "DISCONNECT"
                                          << true << true << false << true;
        QTest::newRow("2 no module") << 2 << QList<int>{} << StagePage << "DISCONNECT" << true
                                     << true << false << false;
        QTest::newRow("2 stage without focus") << 2 << QList<int>{1, 2} << StagePage
                                               << "DISCONNECT" << true << true << false << false;
        QTest::newRow("2 focus only") << 2 << QList<int>{3, 27} << StagePage << "DISCONNECT"
                                      << true << true << true << false;
    }

    void connectionStates()
    {
        QFETCH(int, state);
        QFETCH(QList<int>, modules);
        QFETCH(int, page);
        QFETCH(QString, buttonText);
        QFETCH(bool, buttonEnabled);
        QFETCH(bool, operatingOn);
        QFETCH(bool, focusOn);
        QFETCH(bool, wheelsOn);

        kel->modulespresent = 0;
        for (int m : modules)
            kel->modulespresent |= 1u << m;
        kel->connected = state == 2;
        tabs()->setCurrentIndex(StagePage);
        emit kel->modulesPresentChanged();
        emit kel->connectChanged(state);

        QCOMPARE(tabs()->currentIndex(), page);
        QCOMPARE(b("pushButton")->text(), buttonText);
        QCOMPARE(b("pushButton")->isEnabled(), buttonEnabled);
        QCOMPARE(b("butConfigure")->isEnabled(), state == 0);
        QCOMPARE(b("butConfigPtx4")->isEnabled(), state == 0);
        QVERIFY(allEnabled(operating(), operatingOn));
        QVERIFY(allEnabled(focus(), focusOn));
        QVERIFY(allEnabled(wheelControls(), wheelsOn));
        // Never touched by the connection.
        QVERIFY(b("butHalt")->isEnabled());
        QVERIFY(b("butAbout")->isEnabled());
        QVERIFY(b("butExit")->isEnabled());
        QVERIFY(!b("butStop")->isEnabled());
    }

    void onlyWheelModuleDisablesStagePage()
    {
        kel->setModules({17});
        kel->connected = true;
        emit kel->modulesPresentChanged();
        emit kel->connectChanged(2);
        QVERIFY(!tabs()->isTabEnabled(StagePage));
        QVERIFY(tabs()->isTabEnabled(FilterPage));
        QCOMPARE(tabs()->currentIndex(), FilterPage);
    }

    void unknownConnectionValueChangesNothing()
    {
        emit kel->connectChanged(1);
        emit kel->connectChanged(7);
        emit kel->connectChanged(-1);
        QCOMPARE(b("pushButton")->text(), QStringLiteral("Connecting"));
        QVERIFY(!b("pushButton")->isEnabled());
    }

    void linkLostDuringStartUpAllowsReconnecting()
    {
        emit kel->connectChanged(1);
        emit kel->connectChanged(0);
        QVERIFY(b("pushButton")->isEnabled());
        QCOMPARE(b("pushButton")->text(), QStringLiteral("CONNECT"));
    }

    void modulePresence_data()
    {
        QTest::addColumn<QList<int>>("modules");
        QTest::addColumn<bool>("x");
        QTest::addColumn<bool>("y");
        QTest::addColumn<bool>("z");
        QTest::addColumn<bool>("stagePage");
        QTest::addColumn<bool>("filterPage");

        QTest::newRow("everything") << QList<int>{1, 2, 3, 17, 27} << true << true << true << true
                                    << true;
        QTest::newRow("none") << QList<int>{} << false << false << false << false << false;
        QTest::newRow("Z alone") << QList<int>{3} << false << false << true << true << false;
        QTest::newRow("X alone") << QList<int>{1} << true << false << false << true << false;
        QTest::newRow("wheel 2 alone does not open the wheel page")
            << QList<int>{27} << false << false << false << false << false;
    }

    void modulePresence()
    {
        QFETCH(QList<int>, modules);
        QFETCH(bool, x);
        QFETCH(bool, y);
        QFETCH(bool, z);
        QFETCH(bool, stagePage);
        QFETCH(bool, filterPage);

        kel->modulespresent = 0;
        for (int m : modules)
            kel->modulespresent |= 1u << m;
        emit kel->modulesPresentChanged();
        QCOMPARE(!w<QLabel>(QStringLiteral("labelX"))->isHidden(), x);
        QCOMPARE(!w<QLCDNumber>(QStringLiteral("lcdNumberX"))->isHidden(), x);
        QCOMPARE(!w<QLabel>(QStringLiteral("labelY"))->isHidden(), y);
        QCOMPARE(!w<QLCDNumber>(QStringLiteral("lcdNumberY"))->isHidden(), y);
        QCOMPARE(!w<QLabel>(QStringLiteral("labelZ"))->isHidden(), z);
        QCOMPARE(!w<QLCDNumber>(QStringLiteral("lcdNumberZ"))->isHidden(), z);
        for (const char *unit : {"label_2", "label_3", "label_4"})
            QVERIFY(!w<QLabel>(QString::fromLatin1(unit))->isHidden());
        QCOMPARE(tabs()->isTabEnabled(StagePage), stagePage);
        QCOMPARE(tabs()->isTabEnabled(FilterPage), filterPage);
    }

    void recipeControls_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("delay");
        QTest::addColumn<bool>("operatingOn");
        QTest::addColumn<bool>("startOn");
        QTest::addColumn<bool>("stepOn");
        QTest::addColumn<QString>("pauseText");

        QTest::newRow("stopped, connected") << true << false << false << false << true << true
                                            << false << "Pause";
        QTest::newRow("stopped, disconnected") << false << false << false << false << false
                                               << false << false << "Pause";
        QTest::newRow("moving") << true << true << false << false << false << false << false
                                << "Pause";
        QTest::newRow("in a delay") << true << true << false << true << true << true << true
                                    << "Pause";
        QTest::newRow("paused") << true << true << true << false << true << true << true
                                << "Resume";
        QTest::newRow("paused, link gone") << false << true << true << false << false << false
                                           << true << "Resume";
    }

    void recipeControls()
    {
        QFETCH(bool, connected);
        QFETCH(bool, running);
        QFETCH(bool, paused);
        QFETCH(bool, delay);
        QFETCH(bool, operatingOn);
        QFETCH(bool, startOn);
        QFETCH(bool, stepOn);
        QFETCH(QString, pauseText);

        kel->setModules({1, 2, 3, 17});
        kel->connected = connected;
        kel->recipeRunning = running;
        kel->recipePaused = paused;
        kel->recipeInDelay = delay;
        emit kel->updateRecipeSts();

        QCOMPARE(b("butStart")->isEnabled(), startOn);
        QCOMPARE(b("butStop")->isEnabled(), running);
        QCOMPARE(b("butPause")->isEnabled(), running);
        QCOMPARE(b("butPause")->text(), pauseText);
        QCOMPARE(b("butNextStep")->isEnabled(), stepOn);
        QCOMPARE(b("butPrevStep")->isEnabled(), stepOn);
        QCOMPARE(b("butUp")->isEnabled(), operatingOn);
        QCOMPARE(b("butGotoZ")->isEnabled(), operatingOn);
        QCOMPARE(b("butFW1p1")->isEnabled(), operatingOn);
        QVERIFY(b("butHalt")->isEnabled());
    }

    void positions_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("z");
        QTest::addColumn<double>("shownX");
        QTest::addColumn<double>("shownY");
        QTest::addColumn<double>("shownZ");

        QTest::newRow("cut to four decimals") << 12.34567 << -2.5 << 3.0 << 12.3456 << -2.5 << 3.0;
        QTest::newRow("negative cut toward zero") << -1.23459 << 0.00009 << -150.55555 << -1.2345
                                                  << 0.0 << -150.5555;
    }

    void positions()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, z);
        QFETCH(double, shownX);
        QFETCH(double, shownY);
        QFETCH(double, shownZ);

        QSignalSpy spy(window.get(), &MainWindow::posChanged);
        emit kel->xPosChanged(x);
        emit kel->yPosChanged(y);
        emit kel->zPosChanged(z);
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy.last(), (QList<QVariant>{x, y, z}));
        QCOMPARE(w<QLCDNumber>(QStringLiteral("lcdNumberX"))->value(), shownX);
        QCOMPARE(w<QLCDNumber>(QStringLiteral("lcdNumberY"))->value(), shownY);
        QCOMPARE(w<QLCDNumber>(QStringLiteral("lcdNumberZ"))->value(), shownZ);
    }

    void tinyNegativePositionShowsMinusZero()
    {
        emit kel->xPosChanged(-0.00004);
        const double shown = w<QLCDNumber>(QStringLiteral("lcdNumberX"))->value();
        QCOMPARE(shown, 0.0);
        QVERIFY(std::signbit(shown));
    }

    void wheelButtons_data()
    {
        QTest::addColumn<int>("wheel");
        QTest::addColumn<long>("numPos");
        QTest::addColumn<long>("position");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("checked");

        QTest::newRow("six positions, at 3") << 1 << 6L << 3L << 6 << 3;
        QTest::newRow("ten positions, at 10") << 2 << 10L << 10L << 10 << 10;
        QTest::newRow("position 0 checks nothing") << 1 << 6L << 0L << 6 << 0;
        QTest::newRow("home value checks nothing") << 2 << 8L << 72L << 8 << 0;
        QTest::newRow("negative position checks nothing") << 1 << 10L << -1L << 10 << 0;
        QTest::newRow("size unknown keeps four") << 2 << 0L << 4L << 4 << 4;
        QTest::newRow("oversized wheel shows ten") << 1 << 12L << 5L << 10 << 5;
        QTest::newRow("hidden button still follows") << 1 << 5L << 7L << 5 << 7;
    }

    void wheelButtons()
    {
        QFETCH(int, wheel);
        QFETCH(long, numPos);
        QFETCH(long, position);
        QFETCH(int, shown);
        QFETCH(int, checked);

        kel->fw1NumPos = kel->fw2NumPos = 0;
        (wheel == 1 ? kel->fw1NumPos : kel->fw2NumPos) = numPos;
        if (wheel == 1)
            emit kel->fw1PosChanged(position);
        else
            emit kel->fw2PosChanged(position);

        int visible = 0;
        int on = 0;
        for (int k = 1; k <= 10; ++k) {
            QPushButton *button = w(QStringLiteral("butFW%1p%2").arg(wheel).arg(k));
            if (!button->isHidden()) {
                QCOMPARE(visible, k - 1); // shown buttons are 1..n without gaps
                ++visible;
            }
            if (button->isChecked()) {
                QCOMPARE(on, 0);
                on = k;
            }
        }
        QCOMPARE(visible, shown);
        QCOMPARE(on, checked);
        // The other wheel (size 0, position 0) keeps four buttons and nothing checked.
        const int other = 3 - wheel;
        QVERIFY(!w(QStringLiteral("butFW%1p4").arg(other))->isHidden());
        QVERIFY(w(QStringLiteral("butFW%1p5").arg(other))->isHidden());
    }

    void shutters_data()
    {
        QTest::addColumn<long>("sh1");
        QTest::addColumn<long>("sh2");
        QTest::addColumn<long>("sh3");
        QTest::addColumn<QList<bool>>("open");

        QTest::newRow("all closed") << 0L << 0L << 0L << QList<bool>{false, false, false};
        QTest::newRow("open and exposing") << 1L << 2L << 0L << QList<bool>{true, true, false};
        QTest::newRow("negative is closed") << -1L << 0L << 5L << QList<bool>{false, false, true};
    }

    void shutters()
    {
        QFETCH(long, sh1);
        QFETCH(long, sh2);
        QFETCH(long, sh3);
        QFETCH(QList<bool>, open);

        for (int s = 1; s <= 3; ++s)
            for (int g = 1; g <= 2; ++g)
                w(QStringLiteral("butFW%1sh%2").arg(g).arg(s))->setChecked(!open[s - 1]);
        emit kel->fwShutChanged(sh1, sh2, sh3);
        for (int s = 1; s <= 3; ++s)
            for (int g = 1; g <= 2; ++g)
                QCOMPARE(w(QStringLiteral("butFW%1sh%2").arg(g).arg(s))->isChecked(), open[s - 1]);
    }

    void positionModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("abs");
        QTest::addColumn<bool>("rel");
        QTest::addColumn<bool>("skew");

        QTest::newRow("0 absolute") << 0 << true << false << false;
        QTest::newRow("1 relative") << 1 << false << true << false;
        QTest::newRow("2 skew") << 2 << false << false << true;
        QTest::newRow("3 relative in skew") << 3 << false << true << true;
    }

    void positionModes()
    {
        QFETCH(int, mode);
        QFETCH(bool, abs);
        QFETCH(bool, rel);
        QFETCH(bool, skew);

        emit kel->posModeChanged(mode);
        QCOMPARE(b("butAbs")->isChecked(), abs);
        QCOMPARE(b("butRel")->isChecked(), rel);
        QCOMPARE(b("butSkew")->isChecked(), skew);
        // A value outside the modes changes nothing.
        emit kel->posModeChanged(4);
        emit kel->posModeChanged(-1);
        QCOMPARE(b("butAbs")->isChecked(), abs);
        QCOMPARE(b("butRel")->isChecked(), rel);
        QCOMPARE(b("butSkew")->isChecked(), skew);
    }

    void encoderSteps_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<long>("xy");
        QTest::addColumn<long>("z");

        QTest::newRow("whole steps") << 1.5 << 15000L << 1500L;
        QTest::newRow("cut toward zero") << -0.00019 << -1L << 0L;
        QTest::newRow("not a number") << std::nan("") << 0L << 0L;
        QTest::newRow("beyond 32 bits") << 1.0e6 << 0L << 1000000000L;
    }

    void encoderSteps()
    {
        QFETCH(double, value);
        QFETCH(long, xy);
        QFETCH(long, z);
        QCOMPARE(window->toEncoderX(value), xy);
        QCOMPARE(window->toEncoderY(value), xy);
        QCOMPARE(window->toEncoderZ(value), z);
    }

    void fileName()
    {
        emit kel->updateFileName(QStringLiteral("run 2.rcp"));
        QCOMPARE(w<QLabel>(QStringLiteral("curRcpName"))->text(), QStringLiteral("run 2.rcp"));
    }

    void messageDisplayKeepsRecentLines()
    {
        emit kel->clrDisp();
        QVERIFY(messages()->isEmpty());
        for (int i = 0; i < 2100; ++i)
            emit kel->addDispLine(QStringLiteral("line %1").arg(i));
        QCOMPARE(messages()->blockCount(), 2000);
        QCOMPARE(messages()->firstBlock().text(), QStringLiteral("line 100"));
        QCOMPARE(messages()->lastBlock().text(), QStringLiteral("line 2099"));
    }

    void messageLinesArePlainText()
    {
        emit kel->clrDisp();
        emit kel->addDispLine(QStringLiteral("<b>Connected!</b>"));
        emit kel->addDispLine(QString());
        emit kel->addDispLine(QStringLiteral("SYTEM OK!"));
        QCOMPARE(messages()->toPlainText(),
                 QStringLiteral("<b>Connected!</b>\n\nSYTEM OK!"));
    }
};

QTEST_MAIN(TestMainWindowStates)
#include "tst_mainwindowstates.moc"
