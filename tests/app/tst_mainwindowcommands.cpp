// Main screen commands: single taps, gotos and speeds on the keypad, modes, alignment and
// load points, HALT, Init Stg, exit, the web page and the configuration dialog.
#include "app/mainwindow.h"
#include "dialogs/dlgconfig.h"
#include "dialogs/dlgrcpfile.h"
#include "app/runpreview.h"
#include "dialogs/webpagedialog.h"
#include "modaldriver.h"
#include "panelfixture.h"
#include "recipe/recipefile.h"
#include "recipe/runlog.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

namespace {
// Clears the keypad's start text before the new value is typed.
const QString ClearKeys = QStringLiteral("<<<<<<<<<<");
const QStringList Lines{QStringLiteral("DELAY 30"), QStringLiteral("POINT 1,1"), QStringLiteral("POINT 2,2"),
                        QStringLiteral("POINT 3,3"), QStringLiteral("POINT 4,4")};

QByteArray configFile()
{
    QFile f(QStringLiteral("config.xml"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of "group/element" in the settings file.
QString configValue(const QString &path)
{
    const QString text = QString::fromUtf8(configFile());
    const QRegularExpression value(QStringLiteral("<%1>(.*)</%1>").arg(path.section(QLatin1Char('/'), 1)),
                                   QRegularExpression::InvertedGreedinessOption);
    return value.match(text, text.indexOf(QStringLiteral("<%1>").arg(path.section(QLatin1Char('/'), 0, 0)))).captured(1);
}
} // namespace

class TestMainWindowCommands : public QObject, private PanelFixture
{
    Q_OBJECT

    QString messages() const { return w<QTextEdit>(QStringLiteral("textEdit"))->toPlainText(); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid() && QDir::setCurrent(dir.path())); }

    // The stage stands at (3, -4) mm, the focus at 123.4 um.
    void init()
    {
        openWindow();
        panel->sim.setAxisPosition(Ptx::DevX, 30000);
        panel->sim.setAxisPosition(Ptx::DevY, -40000);
        panel->sim.setAxisPosition(Ptx::DevZ, 1234);
    }

    void cleanup() { panel.reset(); }

    // The buttons tapped in turn; expected commands are "dev,cmd,index,data", oldest first,
    // separated by spaces.
    void singleCommands_data()
    {
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("queued");
        QTest::newRow("HOME") << "butHome" << "1,65,0,0 2,65,0,0";
        QTest::newRow("up") << "butUp" << "2,65,4,10000";
        QTest::newRow("down") << "butDown" << "2,65,6,10000";
        QTest::newRow("left") << "butLeft" << "1,65,6,10000";
        QTest::newRow("Z Up") << "butUpZ" << "3,65,4,10";
        QTest::newRow("Z Down") << "butDownZ" << "3,65,6,10";
        QTest::newRow("main wheel home sends H") << "butFW1home" << "17,65,13,72";
        QTest::newRow("aux wheel home sends H") << "butFW2home" << "27,65,13,72";
        QTest::newRow("XY load point stored, then gone to") << "butStorePt1 butGoPt1" << "1,65,0,30000 2,65,0,-40000";
        QTest::newRow("Z load point stored, then gone to") << "butStorePt1_2 butGoPt1_2" << "3,65,0,1234";
        QTest::newRow("alignment points stored, then gone to") << "butStoreAlnPt1 butStoreAlnPt2 butGoAlnPt1 butGoAlnPt2"
                                                               << "1,65,0,30000 2,65,0,-40000 1,65,0,30000 2,65,0,-40000";
        for (int g = 1; g <= 2; ++g) {
            QStringList buttons, queued;
            for (int k = 1; k <= 10; ++k) {
                buttons << QStringLiteral("butFW%1p%2").arg(g).arg(k);
                queued << QStringLiteral("%1,65,13,%2").arg(g == 1 ? 17 : 27).arg(k);
            }
            QTest::addRow("wheel %d, each position", g) << buttons.join(QLatin1Char(' ')) << queued.join(QLatin1Char(' '));
        }
        // Both groups' shutter buttons drive the same three shutters: open, then close.
        for (int g = 1; g <= 2; ++g)
            for (int s = 1; s <= 3; ++s)
                QTest::addRow("wheel %d Shut %d", g, s) << QStringLiteral("butFW%1sh%2 butFW%1sh%2").arg(g).arg(s)
                    << QStringLiteral("17,83,258,%1 17,83,258,%2").arg((99L + s) * 65536L + 1).arg((99L + s) * 65536L);
    }

    void singleCommands()
    {
        QFETCH(QString, buttons);
        QVERIFY(connectPanel());
        for (const QString &b : buttons.split(QLatin1Char(' ')))
            w(b)->click();
        QTEST(queued().join(QLatin1Char(' ')), "queued");
    }

    // A held jog queues its next step only once the last one has gone out (never here: the
    // tick stands still), and letting go withdraws the step not yet sent. Z repeats like X and Y.
    void heldJogPacedAndWithdrawn()
    {
        QVERIFY(connectPanel());
        QPushButton *jog = w(QStringLiteral("butUpZ"));
        QVERIFY(jog->autoRepeat());
        // Held down, the button sends released, clicked and pressed at every repeat.
        jog->setDown(true);
        for (int repeat = 0; repeat < 2; ++repeat) {
            emit jog->released();
            emit jog->clicked();
            emit jog->pressed();
        }
        QCOMPARE(queued(), QStringList{"3,65,4,10"});
        // The finger leaving it: released with the button up, then a click asking for nothing.
        jog->setDown(false);
        emit jog->released();
        emit jog->clicked();
        // Two status cycles later the focus has not moved.
        const int reads = panel->sim.count(Ptx::DevZ, Ptx::CmdRead, Ptx::IdxPosition);
        QVERIFY(panel->stepUntil([&] { return panel->sim.count(Ptx::DevZ, Ptx::CmdRead, Ptx::IdxPosition) > reads + 1; }, 100));
        QCOMPARE(panel->sim.count(Ptx::DevZ, Ptx::CmdMove, Ptx::IdxRelPositive), 0);
    }

    // HALT goes out before anything queued; Init Stg runs the system check, which centres
    // the stage.
    void haltStopsTheRunAndInitChecksTheSystem()
    {
        QVERIFY(connectPanel());
        kel->setRecipe({QStringLiteral("POINT 1,1")});
        w(QStringLiteral("butStart"))->click();
        QVERIFY(kel->isRecipeRunning());
        w(QStringLiteral("butHalt"))->click();
        QVERIFY(!kel->isRecipeRunning() && !w(QStringLiteral("butStop"))->isEnabled());
        QCOMPARE(kel->pendingCommands(), QStringList{"0,66,0,0"});
        w(QStringLiteral("butInit"))->click();
        QVERIFY(panel->stepUntil([this] { return panel->sim.axisPosition(Ptx::DevX) == 0 && panel->sim.axisPosition(Ptx::DevY) == 0; }, 200));
    }

    // Keypad entries are separated by "|": "keys" pressed then OK, "!keys" then Cancel. A
    // refused speed says why on the message display, after the start-up line.
    void keypadCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<double>("resolution");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("queued");
        QTest::addColumn<QString>("shown");

        QTest::newRow("goto both: one XY move") << "butGoto" << 1e4 << "12.5|-3" << "1,65,0,125000 2,65,0,-30000" << "";
        QTest::newRow("goto X only, Y cancelled: Y stays") << "butGoto" << 1e4 << "12.5|!4" << "1,65,0,125000 2,65,0,-40000" << "";
        QTest::newRow("goto Y only, X accepted empty: X stays") << "butGoto" << 1e4 << "|-3" << "1,65,0,30000 2,65,0,-30000" << "";
        QTest::newRow("goto both cancelled") << "butGoto" << 1e4 << "!1|!2" << "" << "";
        QTest::newRow("goto minus alone counts as 0") << "butGoto" << 1e4 << "-|-" << "1,65,0,0 2,65,0,0" << "";
        QTest::newRow("Z micrometres to steps") << "butGotoZ" << 1e4 << "-2.55" << "3,65,0,-25" << "";
        QTest::newRow("Z empty") << "butGotoZ" << 1e4 << "" << "" << "";
        QTest::newRow("speed both") << "butSpeed" << 1e4 << "2.5|1500.7" << "1,83,13,25000 2,83,13,25000 3,83,13,1500" << "";
        QTest::newRow("speed at the configured resolution") << "butSpeed" << 2e4 << "2.5|!" << "1,83,13,50000 2,83,13,50000" << "";
        QTest::newRow("speed cut toward zero") << "butSpeed" << 3.0 << "1.4|10.9" << "1,83,13,4 2,83,13,4 3,83,13,10" << "";
        QTest::newRow("speed nothing") << "butSpeed" << 1e4 << "!5|" << "" << "";
        QTest::newRow("speed XY refused, Z sent") << "butSpeed" << 1e4 << "-2|800" << "3,83,13,800"
                                                  << "XY SPEED -2 REFUSED: MUST BE ABOVE 0";
        QTest::newRow("speeds beyond the controller's range") << "butSpeed" << 1e4 << "999999|99999999999" << ""
            << "XY SPEED 999999 REFUSED: OUT OF RANGE|Z SPEED 99999999999 REFUSED: OUT OF RANGE";
        QTest::newRow("speeds zero, no number") << "butSpeed" << 1e4 << "0|-" << ""
            << "XY SPEED 0 REFUSED: MUST BE ABOVE 0|Z SPEED - REFUSED: NOT A NUMBER";
        QTest::newRow("speed below one step per second") << "butSpeed" << 1e4 << "0.00009|!" << ""
            << "XY SPEED 0.00009 REFUSED: BELOW 1 STEP/SEC";
        // A wrong or cancelled password leaves the panel running and says nothing.
        QTest::newRow("exit, wrong digit") << "butExit" << 1e4 << "482.7094" << "" << "";
        QTest::newRow("exit, negative") << "butExit" << 1e4 << "482.7093-" << "" << "";
        QTest::newRow("exit cancelled") << "butExit" << 1e4 << "!482.7093" << "" << "";
    }

    void keypadCommands()
    {
        QFETCH(QString, button);
        QFETCH(double, resolution);
        QFETCH(QString, entries);
        QVERIFY(connectPanel());
        window->show();
        kel->setXYRes(resolution);
        // Entries of an earlier use of the same command must not carry over.
        {
            ModalDriver earlier;
            for (int i = 0; i < entries.count(QLatin1Char('|')) + 1; ++i)
                earlier.keypad(QStringLiteral("9"));
            w(button)->click();
            drop();
        }
        window->clrDisplay();

        ModalDriver driver;
        for (const QString &e : entries.split(QLatin1Char('|')))
            driver.keypad(e.mid(e.startsWith(QLatin1Char('!'))), !e.startsWith(QLatin1Char('!')));
        w(button)->click();
        QCOMPARE(driver.remaining(), 0);
        QCOMPARE(driver.errors(), QStringList());
        QTEST(queued().join(QLatin1Char(' ')), "queued");
        QTEST(messages().split(QLatin1Char('\n')).join(QLatin1Char('|')), "shown");
        QVERIFY(window->isVisible());
    }

    // The web page opens in the browser; where none opens it, a dialog shows the address
    // without the link's port, and its code, until OK.
    void webPage_data()
    {
        QTest::addColumn<bool>("browser");
        QTest::newRow("a browser opens the page") << true;
        QTest::newRow("no browser: the address is shown") << false;
    }
    void webPage()
    {
        QFETCH(bool, browser);
        kel->setIpAddr(QStringLiteral("10.1.2.3:2323"));
        QStringList opened;
        WebPageDialog::setOpener([&](const QUrl &page) { return opened << page.toString(), browser; });
        QString shown;
        QTimer::singleShot(0, this, [&] {
            if (auto *dialog = qobject_cast<WebPageDialog *>(QApplication::activeModalWidget())) {
                if (!findWidget<QLabel>(*dialog, QStringLiteral("labelCode"))->pixmap().isNull())
                    shown = findWidget<QLabel>(*dialog, QStringLiteral("labelAddress"))->text();
                dialog->accept();
            }
        });
        w(QStringLiteral("butConfigPtx4"))->click();
        QCOMPARE(opened, QStringList{"http://10.1.2.3"});
        QCOMPARE(shown, browser ? QString() : opened.value(0));
    }

    void startAt_data()
    {
        QTest::addColumn<QString>("checksum");  // of the run logged as cut after entry 2
        QTest::addColumn<QString>("keys");      // typed after the entry offered
        QTest::addColumn<int>("first");         // entry the run starts at, 0 for none
        QTest::addColumn<QString>("shown");
        const QString same = Ptx::recipeChecksum(Lines);
        QTest::newRow("entry offered") << same << "" << 3 << "";
        QTest::newRow("changed recipe: 1 offered") << "0" << "" << 1 << "";
        QTest::newRow("typed entry") << same << "<4" << 4 << "";
        QTest::newRow("past the last entry") << same << "<5" << 0 << "START AT 5 REFUSED: THE RECIPE HAS 4 ENTRIES";
    }

    // START AT offers the entry after the last one an interrupted run completed, and the
    // run starts there with that entry marked on the picture before anything moves.
    void startAt()
    {
        QFETCH(QString, checksum);
        QFETCH(int, first);
        QVERIFY(connectPanel());
        const QString log = QLatin1String(Ptx::RunLogName);
        QFile::remove(log);
        QVERIFY(Ptx::appendRunLog(log, Ptx::runLogLine({{}, {}, "slide.rcp", 2, 4, Ptx::RunEnding::LinkLost, 1, 2, checksum})));
        kel->setRecipe(Lines);
        kel->setFileName(QStringLiteral("slide.rcp"));
        w<QTabWidget>(QStringLiteral("tabWidget"))->setCurrentWidget(w<QWidget>(QStringLiteral("tabRun")));
        window->clrDisplay();
        ModalDriver driver;
        QString prompt;
        driver.on<NumInputBox>([&](NumInputBox &box) {
            prompt = box.findChild<QLabel *>(QStringLiteral("prompt"))->text();
            QFETCH(QString, keys);
            typeKeys(box, keys);
            box.accept();
        });
        w(QStringLiteral("butStartAt"))->click();
        QCOMPARE(prompt, QStringLiteral("Start at entry"));
        QCOMPARE(kel->isRecipeRunning() ? kel->runProgress().firstEntry : 0, first);
        // A run from entry 1 marks nothing until its first entry.
        QCOMPARE(window->findChild<RunPreview *>()->picture().currentEntry(), first > 1 ? first - 1 : -1);
        QTEST(messages().split(QLatin1Char('\n')).filter(QStringLiteral("START AT")).join(QLatin1Char('|')), "shown");
        kel->stopRecipe();
    }

    // The configuration dialog from the Config button: the values as they reach the
    // interface and "config.xml", refused values, Cancel.
    void configure_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("stored");
        QTest::newRow("OK without edits rounds to six digits") << "" << "" << true << "stage/censpeed" << "0.123457";
        QTest::newRow("address keeps its port") << "" << "" << true << "archive/ipaddr" << "10.1.2.3:2323";
        QTest::newRow("typed speed") << "stageSpeed" << "7.5" << true << "stage/speed" << "7.5";
        QTest::newRow("zero speed refused") << "stageSpeed" << "0" << true << "stage/speed" << "5";
        QTest::newRow("speed that is no number refused") << "stageCenSpeed" << "." << true << "stage/censpeed" << "0.123457";
        QTest::newRow("stage speed below one step per second refused") << "stageSpeed" << "0.00009" << true << "stage/speed" << "5";
        QTest::newRow("focus speed below one step per second refused") << "focusSpeed" << "0.9" << true << "focus/speed" << "25000";
        QTest::newRow("typed default recipe gains its extension") << "recipeFileName" << "D E M O" << true << "recipe/filename" << "demo.rcp";
        QTest::newRow("default recipe chosen as offered keeps its capitals") << "recipeFileName" << "" << true << "recipe/filename" << "Slide.rcp";
        QTest::newRow("travel limits kept") << "" << "" << true << "focus/zmin" << "5";
        QTest::newRow("typed travel limit") << "limitXMax" << "120" << true << "stage/xmax" << "120";
        QTest::newRow("emptied travel limit is none") << "limitZMin" << "" << true << "focus/zmin" << "";
        QTest::newRow("travel limit that is no number refused") << "limitYMin" << "." << true << "stage/ymin" << "";
        QTest::newRow("cancel after an edit") << "stageSpeed" << "9" << false << "stage/speed" << "5";
    }
    void configure()
    {
        QFETCH(QString, button);
        QFETCH(QString, keys);
        QFETCH(bool, ok);
        kel->setIpAddr(QStringLiteral("10.1.2.3:2323"));
        kel->setXYCenSpeed(0.1234567);
        kel->setDefRecipeName(QStringLiteral("Slide.rcp"));
        Ptx::TravelLimits limits;
        limits.z.min = 5;
        kel->setTravelLimits(limits);
        kel->writeConfigData();
        const QByteArray before = configFile();

        ModalDriver driver;
        if (!button.isEmpty()) {
            // The tap opens a dialog of its own, so it waits for the driver's answer to end.
            driver.on<dlgConfig>([&](dlgConfig &d) {
                QTimer::singleShot(0, findWidget(d, button), &QPushButton::click);
            });
            if (button == QLatin1String("recipeFileName")) {
                driver.on<dlgRcpFile>([&](dlgRcpFile &f) {
                    if (!keys.isEmpty())
                        f.setCurFileName(QString());
                    for (const QString &k : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                        findWidget(f, QStringLiteral("but") + k)->click();
                    f.accept();
                });
            } else {
                driver.keypad(ClearKeys + keys);
            }
        }
        bool noteShown = false;
        driver.on<dlgConfig>([&](dlgConfig &d) {
            noteShown = !findWidget<QLabel>(d, QStringLiteral("labelNote"))->text().isEmpty();
            ok ? d.accept() : d.reject();
        });
        w(QStringLiteral("butConfigure"))->click();
        QCOMPARE(driver.errors(), QStringList());
        QFETCH(QString, element);
        QTEST(configValue(element), "stored");
        QCOMPARE(noteShown, QString(QTest::currentDataTag()).contains(QLatin1String("refused")));
        QCOMPARE(kel->getXYCenSpeed(), ok ? 0.123457 : 0.1234567);
        if (!ok)
            QCOMPARE(configFile(), before);
    }
};

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
