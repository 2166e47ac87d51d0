// Main screen display: connection states, module presence, control enabling during a run,
// positions, wheels, shutters, modes and the message display.
#include "app/mainwindow.h"
#include "panelfixture.h"

#include <QLCDNumber>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QtTest>

namespace {

constexpr int StagePage = 0;
constexpr int FilterPage = 1;
constexpr int ConfigPage = 2;

// Controls that follow the connection, by the letter the tables below use for them.
const QHash<QChar, QStringList> Controls{
    // operating: the stage page and the run
    {QLatin1Char('O'), {"butAbs", "butRel", "butSkew", "butUp", "butDown", "butLeft", "butRight",
                        "butHome", "butGoto", "butSpeed", "butEdit", "butLoad", "butSave",
                        "butStart", "butGoAlnPt1", "butStoreAlnPt1", "butGoAlnPt2",
                        "butStoreAlnPt2", "butGoPt1", "butStorePt1", "butInit"}},
    {QLatin1Char('F'), {"butUpZ", "butDownZ", "butGotoZ", "butGoPt1_2", "butStorePt1_2"}},
    // configuration, only while not connected
    {QLatin1Char('C'), {"butConfigure", "butConfigPtx4"}}};
// Both wheels and the shutters ('W').
const QRegularExpression WheelControls(QStringLiteral("^butFW[12](home|sh[1-3]|p[1-9]|p10)$"));

} // namespace

class TestMainWindowStates : public QObject, private PanelFixture
{
    Q_OBJECT

private:
    QTabWidget *tabs() const { return w<QTabWidget>(QStringLiteral("tabWidget")); }
    QTextDocument *messages() const { return w<QTextEdit>(QStringLiteral("textEdit"))->document(); }
    QLCDNumber *lcd(QChar axis) const { return w<QLCDNumber>(QStringLiteral("lcdNumber") + axis); }

    // The letters of the control groups that are on, and of the axes shown.
    QString groupsOn() const
    {
        QString on;
        for (QChar group : QStringLiteral("CFOW")) {
            QStringList names = Controls.value(group);
            if (group == QLatin1Char('W'))
                for (const QPushButton *b : window->findChildren<QPushButton *>(WheelControls))
                    names << b->objectName();
            int enabled = 0;
            // The button's own state: a disabled tab page also disables its children.
            for (const QString &n : names)
                enabled += w(n)->isEnabledTo(w(n)->parentWidget());
            if (enabled == names.size())
                on += group;
            else if (enabled > 0)
                on += QStringLiteral("(part of %1)").arg(group);
        }
        return on;
    }
    QString axesShown() const
    {
        QString shown;
        for (QChar axis : QStringLiteral("XYZ")) {
            const bool label = !w<QLabel>(QStringLiteral("label") + axis)->isHidden();
            if (label != !lcd(axis)->isHidden())
                return QStringLiteral("label and number differ");
            if (label)
                shown += axis;
        }
        return shown;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    void init() { openWindow(); }

    void cleanup() { window.reset(); }

    // States and modules are comma-separated numbers.
    void connectionStates_data()
    {
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("modules");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<bool>("buttonEnabled");
        QTest::addColumn<QString>("on");    // groups of controls enabled
        QTest::addColumn<QString>("axes");  // position displays shown
        QTest::addColumn<QString>("pages"); // Stage and FilterWheel tabs enabled

        const char *all = "1,2,3,17,27";
        QTest::newRow("start-up") << "" << all << ConfigPage << "Connect" << true << "C" << "XYZ"
                                  << "SF";
        QTest::newRow("0 not connected") << "0" << all << ConfigPage << "CONNECT" << true << "C"
                                         << "XYZ" << "SF";
        QTest::newRow("1 connecting") << "1" << all << ConfigPage << "Connecting" << false << ""
                                      << "XYZ" << "SF";
        QTest::newRow("unknown values change nothing") << "1,7,-1" << all << ConfigPage
                                                       << "Connecting" << false << "" << "XYZ"
                                                       << "SF";
        QTest::newRow("link lost during start-up allows reconnecting")
            << "1,0" << all << ConfigPage << "CONNECT" << true << "C" << "XYZ" << "SF";
        QTest::newRow("2 all modules") << "2" << all << StagePage << "DISCONNECT" << true
                                       << "FOW" << "XYZ" << "SF";
        QTest::newRow("2 only module 17") << "2" << "17" << FilterPage << "DISCONNECT" << true
                                          << "OW" << "" << "F";
        QTest::newRow("2 no module") << "2" << "" << StagePage << "DISCONNECT" << true << "O"
                                     << "" << "";
        QTest::newRow("2 stage without focus") << "2" << "1,2" << StagePage << "DISCONNECT"
                                               << true << "O" << "XY" << "S";
        QTest::newRow("2 focus and wheel 2: no wheel page") << "2" << "3,27" << StagePage
                                                            << "DISCONNECT" << true << "FO"
                                                            << "Z" << "S";
    }

    void connectionStates()
    {
        QFETCH(QString, states);
        QFETCH(QString, modules);
        QFETCH(int, page);
        QFETCH(QString, buttonText);
        QFETCH(bool, buttonEnabled);
        QFETCH(QString, on);
        QFETCH(QString, axes);
        QFETCH(QString, pages);

        kel->modulespresent = 0;
        for (const QString &m : modules.split(QLatin1Char(','), Qt::SkipEmptyParts))
            kel->modulespresent |= 1u << m.toUInt();
        kel->connected = states.endsWith(QLatin1Char('2'));
        if (!states.isEmpty()) {
            tabs()->setCurrentIndex(StagePage);
            emit kel->modulesPresentChanged();
        }
        for (const QString &state : states.split(QLatin1Char(','), Qt::SkipEmptyParts))
            emit kel->connectChanged(state.toInt());

        QCOMPARE(tabs()->currentIndex(), page);
        QCOMPARE(w(QStringLiteral("pushButton"))->text(), buttonText);
        QCOMPARE(w(QStringLiteral("pushButton"))->isEnabled(), buttonEnabled);
        QCOMPARE(groupsOn(), on);
        QCOMPARE(axesShown(), axes);
        QCOMPARE(QString(QStringLiteral("S").repeated(tabs()->isTabEnabled(StagePage))
                         + QStringLiteral("F").repeated(tabs()->isTabEnabled(FilterPage))),
                 pages);
        // Never touched by the connection.
        for (const char *name : {"butHalt", "butAbout", "butExit"})
            QVERIFY2(w(QLatin1String(name))->isEnabled(), name);
        QVERIFY(!w(QStringLiteral("butStop"))->isEnabled());
    }

    void recipeControls_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("delay");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("pauseText");

        const QString halted("FW1p1 GotoZ NextStep Pause PrevStep Start Stop Up");
        QTest::newRow("stopped") << true << false << false << false << "FW1p1 GotoZ Start Up"
                                 << "Pause";
        QTest::newRow("moving") << true << true << false << false << "Pause Stop" << "Pause";
        QTest::newRow("in a delay") << true << true << false << true << halted << "Pause";
        QTest::newRow("paused") << true << true << true << false << halted << "Resume";
        QTest::newRow("paused, link gone") << false << true << true << false
                                           << "NextStep Pause PrevStep Stop" << "Resume";
    }

    void recipeControls()
    {
        QFETCH(bool, connected);
        QFETCH(bool, running);
        QFETCH(bool, paused);
        QFETCH(bool, delay);
        QFETCH(QString, on);
        QFETCH(QString, pauseText);

        kel->setModules({1, 2, 3, 17});
        kel->connected = connected;
        kel->recipeRunning = running;
        kel->recipePaused = paused;
        kel->recipeInDelay = delay;
        emit kel->updateRecipeSts();

        QStringList enabled;
        for (const char *name : {"FW1p1", "GotoZ", "Halt", "NextStep", "Pause", "PrevStep",
                                 "Start", "Stop", "Up"})
            if (w(QStringLiteral("but") + QLatin1String(name))->isEnabled())
                enabled << QLatin1String(name);
        QVERIFY2(enabled.removeOne(QStringLiteral("Halt")), "HALT is always on");
        QCOMPARE(enabled.join(QLatin1Char(' ')), on);
        QCOMPARE(w(QStringLiteral("butPause"))->text(), pauseText);
    }

    void positions()
    {
        QSignalSpy spy(window.get(), &MainWindow::posChanged);
        emit kel->xPosChanged(12.34567);
        emit kel->yPosChanged(-1.23459);
        emit kel->zPosChanged(3.0);
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy.last(), (QList<QVariant>{12.34567, -1.23459, 3.0}));
        QCOMPARE(lcd(QLatin1Char('X'))->value(), 12.3456);
        QCOMPARE(lcd(QLatin1Char('Y'))->value(), -1.2345);
        QCOMPARE(lcd(QLatin1Char('Z'))->value(), 3.0);
    }

    // A disabled button still shows whether it is checked (modes and wheels during a run).
    void checkedShowsWhileDisabled_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("mode") << "butAbs";
        QTest::newRow("wheel position") << "butFW1p3";
        QTest::newRow("shutter") << "butFW2sh1";
    }

    void checkedShowsWhileDisabled()
    {
        QFETCH(QString, button);
        QPushButton *b = w(button);
        b->setEnabled(false);
        const auto fill = [b](bool checked) {
            b->setChecked(checked);
            return b->grab().toImage().pixelColor(b->width() / 2, b->height() / 5);
        };
        QVERIFY(fill(true) != fill(false));
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
        // The other wheel (size 0, position 0) keeps four buttons.
        QVERIFY(!w(QStringLiteral("butFW%1p4").arg(3 - wheel))->isHidden());
        QVERIFY(w(QStringLiteral("butFW%1p5").arg(3 - wheel))->isHidden());
    }

    void shutters_data()
    {
        QTest::addColumn<QList<long>>("words");
        QTest::addColumn<QString>("open");

        QTest::newRow("all closed") << QList<long>{0, 0, 0} << "---";
        QTest::newRow("open and exposing") << QList<long>{1, 2, 0} << "++-";
        QTest::newRow("negative is closed") << QList<long>{-1, 0, 5} << "--+";
    }

    void shutters()
    {
        QFETCH(QList<long>, words);
        QFETCH(QString, open);

        // Both groups start the other way, so every button has to change.
        const auto shown = [this](int g) {
            QString s;
            for (int k = 1; k <= 3; ++k)
                s += w(QStringLiteral("butFW%1sh%2").arg(g).arg(k))->isChecked() ? '+' : '-';
            return s;
        };
        for (int s = 1; s <= 3; ++s)
            for (int g = 1; g <= 2; ++g)
                w(QStringLiteral("butFW%1sh%2").arg(g).arg(s))->setChecked(open[s - 1] == '-');
        emit kel->fwShutChanged(words[0], words[1], words[2]);
        QCOMPARE(shown(1), open);
        QCOMPARE(shown(2), open);
    }

    void positionModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("checked"); // Abs, Rel, Skew

        QTest::newRow("0 absolute") << 0 << "A";
        QTest::newRow("1 relative") << 1 << "R";
        QTest::newRow("2 skew") << 2 << "S";
        QTest::newRow("3 relative in skew") << 3 << "RS";
    }

    void positionModes()
    {
        QFETCH(int, mode);
        QFETCH(QString, checked);

        // A value outside the modes, coming after, changes nothing.
        for (int value : {mode, 4, -1}) {
            emit kel->posModeChanged(value);
            QString shown;
            for (const char *m : {"Abs", "Rel", "Skew"})
                if (w(QStringLiteral("but") + QLatin1String(m))->isChecked())
                    shown += QLatin1Char(m[0]);
            QCOMPARE(shown, checked);
        }
    }

    void messageDisplay()
    {
        QCOMPARE(messages()->toPlainText(), QStringLiteral("Version 1.3 02-07-2014"));
        emit kel->clrDisp();
        QVERIFY(messages()->isEmpty());
        // Plain text, empty lines kept.
        emit kel->addDispLine(QStringLiteral("<b>Connected!</b>"));
        emit kel->addDispLine(QString());
        QCOMPARE(messages()->toPlainText(), QStringLiteral("<b>Connected!</b>\n"));
        // Only the most recent 2000 lines stay.
        for (int i = 0; i < 2100; ++i)
            emit kel->addDispLine(QStringLiteral("line %1").arg(i));
        QCOMPARE(messages()->blockCount(), 2000);
        QCOMPARE(messages()->firstBlock().text(), QStringLiteral("line 100"));
        QCOMPARE(messages()->lastBlock().text(), QStringLiteral("line 2099"));

        emit kel->updateFileName(QStringLiteral("run 2.rcp"));
        QCOMPARE(w<QLabel>(QStringLiteral("curRcpName"))->text(), QStringLiteral("run 2.rcp"));
    }
};

QTEST_MAIN(TestMainWindowStates)
#include "tst_mainwindowstates.moc"
