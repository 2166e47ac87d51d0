// Main screen commands: jogs and their auto-repeat, gotos and speeds on the keypad, modes,
// alignment and load points, wheels, shutters, HALT, Init Stg, web page, about box, exit.
#include "app/mainwindow.h"
#include "dialogs/versiontext.h"
#include "modaldriver.h"
#include "panelfixture.h"
#include "support/diagcapture.h"

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
    QPushButton *b(const QString &name) const { return w(name); }

    // Connected with every module: all commands enabled.
    void connectAll()
    {
        kel->setModules({1, 2, 3, 17, 27});
        kel->connected = true;
        emit kel->modulesPresentChanged();
        emit kel->connectChanged(2);
    }

    static void finished(const ModalDriver &driver)
    {
        QCOMPARE(driver.remaining(), 0);
        QCOMPARE(driver.errors(), QStringList());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    void init()
    {
        openWindow();
        connectAll();
        kel->drop();
    }

    void cleanup() { window.reset(); }

    void singleCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("queued");

        const auto l = [](std::initializer_list<const char *> items) {
            QStringList out;
            for (const char *i : items)
                out << QString::fromLatin1(i);
            return out;
        };
        QTest::newRow("HOME") << "butHome" << l({"1,65,0,0", "2,65,0,0"});
        QTest::newRow("up") << "butUp" << l({"2,65,4,10000"});
        QTest::newRow("down") << "butDown" << l({"2,65,6,10000"});
        QTest::newRow("right") << "butRight" << l({"1,65,4,10000"});
        QTest::newRow("left") << "butLeft" << l({"1,65,6,10000"});
        QTest::newRow("Z Up") << "butUpZ" << l({"3,65,4,10"});
        QTest::newRow("Z Down") << "butDownZ" << l({"3,65,6,10"});
        QTest::newRow("main wheel 3") << "butFW1p3" << l({"17,65,13,3"});
        QTest::newRow("main wheel 10") << "butFW1p10" << l({"17,65,13,10"});
        QTest::newRow("main wheel home sends H") << "butFW1home" << l({"17,65,13,72"});
        QTest::newRow("aux wheel 7") << "butFW2p7" << l({"27,65,13,7"});
        QTest::newRow("aux wheel 1") << "butFW2p1" << l({"27,65,13,1"});
        QTest::newRow("aux wheel home sends H") << "butFW2home" << l({"27,65,13,72"});
        QTest::newRow("go XY load point") << "butGoPt1" << l({"1,65,0,15000", "2,65,0,-20000"});
        QTest::newRow("go Z load point") << "butGoPt1_2" << l({"3,65,0,300"});
        QTest::newRow("go alignment point 1") << "butGoAlnPt1"
                                              << l({"1,65,0,50000", "2,65,0,60000"});
        QTest::newRow("go alignment point 2") << "butGoAlnPt2"
                                              << l({"1,65,0,70000", "2,65,0,80000"});
        QTest::newRow("HALT") << "butHalt" << l({"0,66,0,0"});
    }

    void singleCommands()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, queued);

        kel->loadptX = 1.5;
        kel->loadptY = -2.0;
        kel->loadptZ = 30.0;
        kel->AlnPoint1x = 5.0;
        kel->AlnPoint1y = 6.0;
        kel->AlnPoint2x = 7.0;
        kel->AlnPoint2y = 8.0;
        b(button)->click();
        QCOMPARE(kel->queued(), queued);
    }

    void arrowsRepeatWhileHeld()
    {
        for (const char *name : {"butUp", "butDown", "butLeft", "butRight"}) {
            QPushButton *arrow = b(QString::fromLatin1(name));
            QVERIFY(arrow->autoRepeat());
            QCOMPARE(arrow->autoRepeatInterval(), 300);
            QCOMPARE(arrow->autoRepeatDelay(), 300);
        }
        for (const char *name : {"butHome", "butGoto", "butUpZ", "butDownZ"})
            QVERIFY(!b(QString::fromLatin1(name))->autoRepeat());

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        QTest::mousePress(b(QStringLiteral("butRight")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(kel->queued().size() >= 2, 3000);
        QTest::mouseRelease(b(QStringLiteral("butRight")), Qt::LeftButton);
        const QStringList jogs = kel->queued();
        QCOMPARE(jogs, QStringList(jogs.size(), QStringLiteral("1,65,4,10000")));
    }

    void shutters_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("shutter");

        QTest::newRow("main Shut 1") << "butFW1sh1" << 1;
        QTest::newRow("main Shut 2") << "butFW1sh2" << 2;
        QTest::newRow("main Shut 3") << "butFW1sh3" << 3;
        QTest::newRow("aux Shut 1 is the same shutter 1") << "butFW2sh1" << 1;
        QTest::newRow("aux Shut 2 is the same shutter 2") << "butFW2sh2" << 2;
        QTest::newRow("aux Shut 3 is the same shutter 3") << "butFW2sh3" << 3;
    }

    void shutters()
    {
        QFETCH(QString, button);
        QFETCH(int, shutter);

        const long word = (99L + shutter) * 65536L;
        b(button)->click(); // unchecked -> checked: open
        b(button)->click(); // checked -> unchecked: close
        QCOMPARE(kel->queued(), (QStringList{QStringLiteral("17,83,258,%1").arg(word + 1),
                                             QStringLiteral("17,83,258,%1").arg(word)}));
    }

    void modes()
    {
        kel->xpos = 30000;
        kel->ypos = 40000;
        b(QStringLiteral("butRel"))->click();
        QVERIFY(kel->inRelative);
        QVERIFY(b(QStringLiteral("butRel"))->isChecked());
        QVERIFY(!b(QStringLiteral("butAbs"))->isChecked());
        b(QStringLiteral("butRel"))->click();
        QVERIFY(!kel->inRelative);
        QVERIFY(b(QStringLiteral("butAbs"))->isChecked());

        b(QStringLiteral("butRel"))->click();
        b(QStringLiteral("butSkew"))->click();
        QVERIFY(kel->inSkew);
        QVERIFY(!kel->inRelative);
        QVERIFY(!b(QStringLiteral("butAbs"))->isChecked());
        QVERIFY(!b(QStringLiteral("butRel"))->isChecked());
        QVERIFY(b(QStringLiteral("butSkew"))->isChecked());

        b(QStringLiteral("butAbs"))->click();
        QVERIFY(!kel->inSkew);
        QVERIFY(b(QStringLiteral("butAbs"))->isChecked());
        QVERIFY(!b(QStringLiteral("butSkew"))->isChecked());
    }

    void storePoints()
    {
        kel->xpos = 30000;
        kel->ypos = -40000;
        kel->zpos = 1234;
        b(QStringLiteral("butStoreAlnPt1"))->click();
        QCOMPARE(kel->AlnPoint1x, 3.0);
        QCOMPARE(kel->AlnPoint1y, -4.0);
        kel->xpos = 50000;
        b(QStringLiteral("butStoreAlnPt2"))->click();
        QCOMPARE(kel->AlnPoint2x, 5.0);
        QCOMPARE(kel->AlnPoint2y, -4.0);

        b(QStringLiteral("butStorePt1"))->click();
        QCOMPARE(kel->loadptX, 5.0);
        QCOMPARE(kel->loadptY, -4.0);
        b(QStringLiteral("butStorePt1_2"))->click();
        QCOMPARE(kel->loadptZ, 123.4);
        QCOMPARE(kel->queued(), QStringList());
    }

    void haltStopsTheRun()
    {
        kel->recipeRunning = true;
        kel->recipePaused = true;
        emit kel->updateRecipeSts();
        QVERIFY(b(QStringLiteral("butStop"))->isEnabled());
        b(QStringLiteral("butHalt"))->click();
        QVERIFY(!kel->recipeRunning);
        QVERIFY(!b(QStringLiteral("butStop"))->isEnabled());
        QCOMPARE(kel->queued().last(), QStringLiteral("0,66,0,0"));
    }

    void initStageRunsTheSystemCheck()
    {
        b(QStringLiteral("butInit"))->click();
        QVERIFY(kel->doStageCenterTemp);
        QCOMPARE(kel->nextInterfaceState, static_cast<unsigned int>(KelInterface::INT_SYSCHECK));
    }

    void gotoXY_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<bool>("xAccepted");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("yAccepted");
        QTest::addColumn<QStringList>("queued");

        QTest::newRow("both: one XY move") << "12.5" << true << "-3" << true
                                           << QStringList{"1,65,0,125000", "2,65,0,-30000"};
        QTest::newRow("X only, Y cancelled: Y stays") << "12.5" << true << "4" << false
                                                      << QStringList{"1,65,0,125000",
                                                                     "2,65,0,75000"};
        QTest::newRow("Y only, X accepted empty: X stays")
            << "" << true << "-3" << true << QStringList{"1,65,0,20000", "2,65,0,-30000"};
        QTest::newRow("both cancelled") << "1" << false << "2" << false << QStringList();
        QTest::newRow("both empty") << "" << true << "" << true << QStringList();
        QTest::newRow("minus alone counts as 0") << "-" << true << "-" << true
                                                 << QStringList{"1,65,0,0", "2,65,0,0"};
    }

    void gotoXY()
    {
        QFETCH(QString, x);
        QFETCH(bool, xAccepted);
        QFETCH(QString, y);
        QFETCH(bool, yAccepted);
        QFETCH(QStringList, queued);

        kel->fxpos = 2.0;
        kel->fypos = 7.5;
        ModalDriver driver;
        driver.keypad(x, xAccepted);
        driver.keypad(y, yAccepted);
        b(QStringLiteral("butGoto"))->click();
        finished(driver);
        QCOMPARE(driver.prompts(), (QStringList{"Enter X", "Enter Y"}));
        QCOMPARE(kel->queued(), queued);
    }

    void cancelledGotoForgetsEarlierEntries()
    {
        ModalDriver driver;
        driver.keypad(QStringLiteral("1"));
        driver.keypad(QStringLiteral("2"));
        b(QStringLiteral("butGoto"))->click();
        driver.keypad(QStringLiteral("9"), false);
        driver.keypad(QStringLiteral("8"), false);
        b(QStringLiteral("butGoto"))->click();
        driver.keypad(QStringLiteral("3"));
        driver.keypad(QStringLiteral("4"));
        b(QStringLiteral("butSpeed"))->click();
        kel->drop();
        driver.keypad(QString(), false);
        driver.keypad(QString(), true);
        b(QStringLiteral("butGoto"))->click();
        finished(driver);
        QCOMPARE(kel->queued(), QStringList());
    }

    void gotoZ_data()
    {
        QTest::addColumn<QString>("z");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("queued");

        QTest::newRow("micrometres to steps") << "150" << true << QStringList{"3,65,0,1500"};
        QTest::newRow("negative") << "-2.55" << true << QStringList{"3,65,0,-25"};
        QTest::newRow("cancelled") << "150" << false << QStringList();
        QTest::newRow("empty") << "" << true << QStringList();
    }

    void gotoZ()
    {
        QFETCH(QString, z);
        QFETCH(bool, accepted);
        QFETCH(QStringList, queued);

        ModalDriver driver;
        driver.keypad(z, accepted);
        b(QStringLiteral("butGotoZ"))->click();
        finished(driver);
        QCOMPARE(driver.prompts(), QStringList{"Enter Z"});
        QCOMPARE(kel->queued(), queued);
    }

    void speed_data()
    {
        QTest::addColumn<double>("resolution");
        QTest::addColumn<QString>("xy");
        QTest::addColumn<bool>("xyAccepted");
        QTest::addColumn<QString>("z");
        QTest::addColumn<bool>("zAccepted");
        QTest::addColumn<QStringList>("queued");

        QTest::newRow("both") << 10000.0 << "2.5" << true << "1500.7" << true
                              << QStringList{"1,83,13,25000", "2,83,13,25000", "3,83,13,1500"};
        QTest::newRow("configured resolution") << 20000.0 << "2.5" << true << "" << false
                                               << QStringList{"1,83,13,50000", "2,83,13,50000"};
        QTest::newRow("XY cut toward zero") << 3.0 << "0.5" << true << "-10.9" << true
                                            << QStringList{"1,83,13,1", "2,83,13,1",
                                                           "3,83,13,-10"};
        QTest::newRow("Z only") << 10000.0 << "" << true << "800" << true
                                << QStringList{"3,83,13,800"};
        QTest::newRow("nothing") << 10000.0 << "5" << false << "" << true << QStringList();
        QTest::newRow("XY beyond the controller's range not sent")
            << 10000.0 << "999999" << true << "99999999999" << true << QStringList();
    }

    void speed()
    {
        QFETCH(double, resolution);
        QFETCH(QString, xy);
        QFETCH(bool, xyAccepted);
        QFETCH(QString, z);
        QFETCH(bool, zAccepted);
        QFETCH(QStringList, queued);

        kel->stepsPerMMxy = resolution;
        ModalDriver driver;
        driver.keypad(xy, xyAccepted);
        driver.keypad(z, zAccepted);
        b(QStringLiteral("butSpeed"))->click();
        finished(driver);
        QCOMPARE(driver.prompts(), (QStringList{"Enter XY Speed in mm/sec",
                                                "Enter Z Speed in steps/sec"}));
        QCOMPARE(kel->queued(), queued);
    }

    void speedOutOfRangeIsReported()
    {
        DiagCapture diag;
        ModalDriver driver;
        driver.keypad(QStringLiteral("999999"));
        driver.keypad(QStringLiteral("99999999999"));
        b(QStringLiteral("butSpeed"))->click();
        finished(driver);
        QVERIFY(diag.contains(QStringLiteral("XY SPEED OUT OF RANGE")));
        QVERIFY(diag.contains(QStringLiteral("Z SPEED OUT OF RANGE")));
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
        const QString before = window->findChild<QTextEdit *>()->toPlainText();
        ModalDriver driver;
        driver.keypad(keys, accepted);
        // Run from the application's event loop, which the closing window must end.
        // Run from the application's event loop, which the closing window must end; a loop
        // still running after the guard's time ends with StillRunning.
        constexpr int StillRunning = 1;
        constexpr int GuardMs = 5000;
        int result = StillRunning;
        if (closes) {
            QTimer guard;
            guard.setSingleShot(true);
            connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(StillRunning); });
            guard.start(GuardMs);
            QTimer::singleShot(0, this, [this] { b(QStringLiteral("butExit"))->click(); });
            result = QCoreApplication::exec();
        } else {
            b(QStringLiteral("butExit"))->click();
        }
        finished(driver);
        QCOMPARE(driver.prompts(), QStringList{"Enter Password"});
        QCOMPARE(window->isVisible(), !closes);
        if (closes)
            QCOMPARE(result, 0);
        // A wrong password says nothing.
        QCOMPARE(window->findChild<QTextEdit *>()->toPlainText(), before);
    }

    void exitKeypadStartsAtZero()
    {
        ModalDriver driver;
        driver.keypad(QString(), false);
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            if (auto *box = qobject_cast<NumInputBox *>(QApplication::activeModalWidget()))
                shown = box->getStrVal();
        });
        b(QStringLiteral("butExit"))->click();
        finished(driver);
        QCOMPARE(shown, QStringLiteral("0"));
    }

    void aboutBox()
    {
        ModalDriver driver;
        driver.about();
        b(QStringLiteral("butAbout"))->click();
        finished(driver);
        QCOMPARE(driver.prompts(), QStringList{QString::fromLatin1(Ptx::VersionText)});
        QCOMPARE(kel->queued(), QStringList());
    }

    void webPageOpensControllerHost()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        kel->setIpAddr(QStringLiteral("10.20.30.40:2323"));
        emit kel->connectChanged(0);
        QVERIFY(b(QStringLiteral("butConfigPtx4"))->isEnabled());
        b(QStringLiteral("butConfigPtx4"))->click();
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("http://10.20.30.40"))});
    }

    void connectionRefusedIsShown()
    {
        emit kel->connectChanged(0);
        kel->connected = false;
        kel->setIpAddr(QStringLiteral("127.0.0.1:1"));
        b(QStringLiteral("pushButton"))->click();
        QVERIFY(window->findChild<QTextEdit *>()->toPlainText().contains(
            QStringLiteral("CONNECT FAILED!!!!")));
        QCOMPARE(b(QStringLiteral("pushButton"))->text(), QStringLiteral("CONNECT"));
        QVERIFY(b(QStringLiteral("pushButton"))->isEnabled());
    }
};

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
