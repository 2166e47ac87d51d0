// Main screen commands: jogs and their auto-repeat, gotos and speeds on the keypad, modes,
// alignment and load points, wheels, shutters, HALT, Init Stg, web page, about box, exit.
#include "app/mainwindow.h"
#include "modaldriver.h"
#include "panelfixture.h"

#include <QDesktopServices>
#include <QTextEdit>
#include <QtTest>

// Receives the addresses the panel asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestMainWindowCommands : public QObject, private PanelFixture
{
    Q_OBJECT

private:
    QString messages() const { return w<QTextEdit>(QStringLiteral("textEdit"))->toPlainText(); }

    // Presses the button with the keypads scripted, and checks the prompts they showed.
    void runKeypads(const QString &button, ModalDriver &driver, const QStringList &prompts)
    {
        w(button)->click();
        QCOMPARE(driver.remaining(), 0);
        QCOMPARE(driver.errors(), QStringList());
        QCOMPARE(driver.prompts(), prompts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    // Connected with every module: all commands enabled.
    void init()
    {
        openWindow();
        kel->setModules({1, 2, 3, 17, 27});
        kel->connected = true;
        emit kel->modulesPresentChanged();
        emit kel->connectChanged(2);
        kel->drop();
    }

    void cleanup() { window.reset(); }

    // Expected commands are "dev,cmd,index,data", oldest first, separated by spaces.
    void singleCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("queued");

        QTest::newRow("HOME") << "butHome" << "1,65,0,0 2,65,0,0";
        QTest::newRow("up") << "butUp" << "2,65,4,10000";
        QTest::newRow("down") << "butDown" << "2,65,6,10000";
        QTest::newRow("right") << "butRight" << "1,65,4,10000";
        QTest::newRow("left") << "butLeft" << "1,65,6,10000";
        QTest::newRow("Z Up") << "butUpZ" << "3,65,4,10";
        QTest::newRow("Z Down") << "butDownZ" << "3,65,6,10";
        QTest::newRow("main wheel 3") << "butFW1p3" << "17,65,13,3";
        QTest::newRow("main wheel 10") << "butFW1p10" << "17,65,13,10";
        QTest::newRow("main wheel home sends H") << "butFW1home" << "17,65,13,72";
        QTest::newRow("aux wheel 7") << "butFW2p7" << "27,65,13,7";
        QTest::newRow("aux wheel home sends H") << "butFW2home" << "27,65,13,72";
        QTest::newRow("go XY load point") << "butGoPt1" << "1,65,0,15000 2,65,0,-20000";
        QTest::newRow("go Z load point") << "butGoPt1_2" << "3,65,0,300";
        QTest::newRow("go alignment point 1") << "butGoAlnPt1" << "1,65,0,50000 2,65,0,60000";
        QTest::newRow("go alignment point 2") << "butGoAlnPt2" << "1,65,0,70000 2,65,0,80000";
        QTest::newRow("HALT") << "butHalt" << "0,66,0,0";
        // Both groups' shutter buttons drive the same three shutters: open, then close.
        for (int g = 1; g <= 2; ++g)
            for (int s = 1; s <= 3; ++s)
                QTest::addRow("wheel %d Shut %d", g, s)
                    << QStringLiteral("butFW%1sh%2").arg(g).arg(s)
                    << QStringLiteral("17,83,258,%1 17,83,258,%2")
                           .arg((99L + s) * 65536L + 1).arg((99L + s) * 65536L);
    }

    void singleCommands()
    {
        QFETCH(QString, button);
        QFETCH(QString, queued);

        kel->loadptX = 1.5;
        kel->loadptY = -2.0;
        kel->loadptZ = 30.0;
        kel->AlnPoint1x = 5.0;
        kel->AlnPoint1y = 6.0;
        kel->AlnPoint2x = 7.0;
        kel->AlnPoint2y = 8.0;
        for (int press = button.contains(QLatin1String("sh")) ? 2 : 1; press > 0; --press)
            w(button)->click();
        QCOMPARE(kel->queued().join(QLatin1Char(' ')), queued);
    }

    void arrowsRepeatWhileHeld_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("right arrow") << "butRight";
        QTest::newRow("Z Up") << "butUpZ";
    }

    // Nothing is sent here: a held button keeps its one step queued, and letting go of it
    // withdraws the step.
    void arrowsRepeatWhileHeld()
    {
        QFETCH(QString, button);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        w<QTabWidget>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        QTest::mousePress(w(button), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(kel->queued().size() == 1, 3000);
        const int slot = int(kel->cmdBufTail);
        QTest::qWait(3 * w(button)->autoRepeatInterval());
        QCOMPARE(kel->queued().size(), 1);
        QTest::mouseRelease(w(button), Qt::LeftButton);
        QVERIFY(kel->commandBuffer[slot].done && kel->commandBuffer[slot].error);
        QCOMPARE(kel->queued().size(), 1);
    }

    void modes()
    {
        const auto checked = [this] {
            QString s;
            for (const char *m : {"Abs", "Rel", "Skew"})
                if (w(QStringLiteral("but") + QLatin1String(m))->isChecked())
                    s += QLatin1Char(m[0]);
            return s + QLatin1Char(kel->inRelative ? 'r' : '-') + QLatin1Char(kel->inSkew ? 's' : '-');
        };
        const QList<std::pair<const char *, const char *>> steps{
            {"butRel", "Rr-"}, {"butRel", "A--"}, {"butRel", "Rr-"}, {"butSkew", "S-s"},
            {"butAbs", "A--"}};
        for (const auto &[button, expected] : steps) {
            w(QLatin1String(button))->click();
            QCOMPARE(checked(), QLatin1String(expected));
        }
    }

    void storePoints()
    {
        kel->xpos = 30000;
        kel->ypos = -40000;
        kel->zpos = 1234;
        w(QStringLiteral("butStoreAlnPt1"))->click();
        kel->xpos = 50000;
        w(QStringLiteral("butStoreAlnPt2"))->click();
        w(QStringLiteral("butStorePt1"))->click();
        w(QStringLiteral("butStorePt1_2"))->click();
        QCOMPARE((QList<double>{kel->AlnPoint1x, kel->AlnPoint1y, kel->AlnPoint2x, kel->AlnPoint2y,
                                kel->loadptX, kel->loadptY, kel->loadptZ}),
                 (QList<double>{3.0, -4.0, 5.0, -4.0, 5.0, -4.0, 123.4}));
        QCOMPARE(kel->queued(), QStringList());
    }

    void haltStopsTheRun()
    {
        kel->recipeRunning = true;
        kel->recipePaused = true;
        emit kel->updateRecipeSts();
        w(QStringLiteral("butHalt"))->click();
        QVERIFY(!kel->recipeRunning);
        QVERIFY(!w(QStringLiteral("butStop"))->isEnabled());
        QCOMPARE(kel->queued().last(), QStringLiteral("0,66,0,0"));
    }

    void initStageRunsTheSystemCheck()
    {
        w(QStringLiteral("butInit"))->click();
        QVERIFY(kel->doStageCenterTemp);
        QCOMPARE(kel->nextInterfaceState, static_cast<unsigned int>(KelInterface::INT_SYSCHECK));
    }

    // Keypad entries are separated by "|": "keys" pressed then OK, "!keys" then Cancel.
    void keypadCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<double>("resolution");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("queued");

        QTest::newRow("goto both: one XY move") << "butGoto" << 1e4 << "12.5|-3"
                                                << "1,65,0,125000 2,65,0,-30000";
        QTest::newRow("goto X only, Y cancelled: Y stays") << "butGoto" << 1e4 << "12.5|!4"
                                                           << "1,65,0,125000 2,65,0,75000";
        QTest::newRow("goto Y only, X accepted empty: X stays") << "butGoto" << 1e4 << "|-3"
                                                                << "1,65,0,20000 2,65,0,-30000";
        QTest::newRow("goto both cancelled") << "butGoto" << 1e4 << "!1|!2" << "";
        QTest::newRow("goto both empty") << "butGoto" << 1e4 << "|" << "";
        QTest::newRow("goto minus alone counts as 0") << "butGoto" << 1e4 << "-|-"
                                                      << "1,65,0,0 2,65,0,0";
        QTest::newRow("Z micrometres to steps") << "butGotoZ" << 1e4 << "150" << "3,65,0,1500";
        QTest::newRow("Z negative") << "butGotoZ" << 1e4 << "-2.55" << "3,65,0,-25";
        QTest::newRow("Z cancelled") << "butGotoZ" << 1e4 << "!150" << "";
        QTest::newRow("Z empty") << "butGotoZ" << 1e4 << "" << "";
        QTest::newRow("speed both") << "butSpeed" << 1e4 << "2.5|1500.7"
                                    << "1,83,13,25000 2,83,13,25000 3,83,13,1500";
        QTest::newRow("speed at the configured resolution") << "butSpeed" << 2e4 << "2.5|!"
                                                            << "1,83,13,50000 2,83,13,50000";
        QTest::newRow("speed cut toward zero") << "butSpeed" << 3.0 << "1.4|10.9"
                                               << "1,83,13,4 2,83,13,4 3,83,13,10";
        QTest::newRow("speed Z only") << "butSpeed" << 1e4 << "|800" << "3,83,13,800";
        QTest::newRow("speed nothing") << "butSpeed" << 1e4 << "!5|" << "";
        QTest::newRow("speed XY refused, Z sent") << "butSpeed" << 1e4 << "-2|800" << "3,83,13,800";
    }

    void keypadCommands()
    {
        QFETCH(QString, button);
        QFETCH(double, resolution);
        QFETCH(QString, entries);
        QFETCH(QString, queued);

        static const QHash<QString, QStringList> prompts{
            {"butGoto", {"Enter X", "Enter Y"}},
            {"butGotoZ", {"Enter Z"}},
            {"butSpeed", {"Enter XY Speed in mm/sec", "Enter Z Speed in steps/sec"}}};
        kel->fxpos = 2.0;
        kel->fypos = 7.5;
        kel->stepsPerMMxy = resolution;
        ModalDriver driver;
        for (const QString &e : entries.split(QLatin1Char('|')))
            driver.keypad(e.startsWith(QLatin1Char('!')) ? e.mid(1) : e, !e.startsWith('!'));
        runKeypads(button, driver, prompts.value(button));
        QCOMPARE(kel->queued().join(QLatin1Char(' ')), queued);
    }

    // A speed is refused, with the reason on the message display, when it is no number, not
    // above 0, below one step per second or beyond what the controller takes.
    void speedRefusalsAreShown_data()
    {
        QTest::addColumn<QString>("xy");
        QTest::addColumn<QString>("z");
        QTest::addColumn<QString>("shown");
        QTest::newRow("beyond the controller's range") << "999999" << "99999999999"
            << "XY SPEED 999999 REFUSED: OUT OF RANGE|Z SPEED 99999999999 REFUSED: OUT OF RANGE";
        QTest::newRow("zero, no number") << "0" << "-"
            << "XY SPEED 0 REFUSED: MUST BE ABOVE 0|Z SPEED - REFUSED: NOT A NUMBER";
        QTest::newRow("below one step per second, negative") << "0.00009" << "-5"
            << "XY SPEED 0.00009 REFUSED: BELOW 1 STEP/SEC|Z SPEED -5 REFUSED: MUST BE ABOVE 0";
    }

    void speedRefusalsAreShown()
    {
        QFETCH(QString, xy);
        QFETCH(QString, z);
        QFETCH(QString, shown);
        ModalDriver driver;
        driver.keypad(xy);
        driver.keypad(z);
        runKeypads(QStringLiteral("butSpeed"), driver,
                   {"Enter XY Speed in mm/sec", "Enter Z Speed in steps/sec"});
        QCOMPARE(kel->queued(), QStringList());
        QCOMPARE(messages().split(QLatin1Char('\n')).mid(1).join(QLatin1Char('|')), shown);
    }

    void cancelledGotoForgetsEarlierEntries()
    {
        ModalDriver driver;
        for (const char *keys : {"1", "2", "!9", "!8", "3", "4", "!", ""})
            driver.keypad(QLatin1String(keys).mid(keys[0] == '!'), keys[0] != '!');
        for (const char *button : {"butGoto", "butGoto", "butSpeed"})
            w(QLatin1String(button))->click();
        kel->drop();
        runKeypads(QStringLiteral("butGoto"), driver,
                   {"Enter X", "Enter Y", "Enter X", "Enter Y", "Enter XY Speed in mm/sec",
                    "Enter Z Speed in steps/sec", "Enter X", "Enter Y"});
        QCOMPARE(kel->queued(), QStringList());
    }

    void exit_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("closes");

        QTest::newRow("typed after the start 0") << "482.7093" << true << true;
        QTest::newRow("start 0 erased first") << "<482.7093" << true << true;
        QTest::newRow("trailing zero") << "482.70930" << true << true;
        QTest::newRow("wrong digit") << "482.7094" << true << false;
        QTest::newRow("too short") << "482.709" << true << false;
        QTest::newRow("negative") << "482.7093-" << true << false;
        QTest::newRow("cancelled") << "482.7093" << false << false;
    }

    void exit()
    {
        QFETCH(QString, keys);
        QFETCH(bool, accepted);
        QFETCH(bool, closes);

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QString before = messages();
        ModalDriver driver;
        driver.keypad(keys, accepted);
        // Run from the application's event loop, which the closing window must end; a loop
        // still running after the guard's time ends with StillRunning.
        constexpr int StillRunning = 1;
        constexpr int GuardMs = 5000;
        if (closes) {
            QTimer guard;
            guard.setSingleShot(true);
            connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(StillRunning); });
            guard.start(GuardMs);
            QTimer::singleShot(0, this, [this] { w(QStringLiteral("butExit"))->click(); });
            QCOMPARE(QCoreApplication::exec(), 0);
        } else {
            w(QStringLiteral("butExit"))->click();
        }
        QCOMPARE(driver.remaining(), 0);
        QCOMPARE(driver.prompts(), QStringList{"Enter Password"});
        QCOMPARE(driver.starts(), QStringList{"0"});
        QCOMPARE(window->isVisible(), !closes);
        // A wrong password says nothing.
        QCOMPARE(messages(), before);
    }

    void aboutBox()
    {
        ModalDriver driver;
        driver.about();
        runKeypads(QStringLiteral("butAbout"), driver, {"Version 1.3 02-07-2014"});
        QCOMPARE(kel->queued(), QStringList());
    }

    void webPageOpensControllerHost()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        kel->setIpAddr(QStringLiteral("10.20.30.40:2323"));
        emit kel->connectChanged(0);
        w(QStringLiteral("butConfigPtx4"))->click();
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("http://10.20.30.40"))});
    }
};

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
