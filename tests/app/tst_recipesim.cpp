// Recipes run from the main screen's buttons against the simulated controller: the file
// dialogs, a whole run with load points, alignment, wheel and exposure, the run controls,
// HALT in a move, a continuous run, the default recipe starting by itself, and a broken
// path line reported before the run.
#include "dialogs/dlgrcpfile.h"
#include "livepanel.h"
#include "modaldriver.h"
#include "support/diagcapture.h"

#include <QCheckBox>
#include <QFile>
#include <QLCDNumber>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace Ptx;

class TestRecipeSim : public QObject
{
    Q_OBJECT

private:
    std::optional<DiagCapture> quiet;
    std::optional<QTemporaryDir> dir;
    std::unique_ptr<LivePanel> p;
    QStringList moves;   // "X12" and "Y11" for every absolute stage move, in mm

    static void write(const QString &name, const QByteArray &text)
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    void open()
    {
        p = std::make_unique<LivePanel>();
        connect(&p->sim, &PtxSim::Simulator::packetReceived, this, [this](const PtxSim::Packet &k) {
            if (k.cmd == CmdMove && k.index == IdxAbsolute && (k.dev == DevX || k.dev == DevY))
                moves << (k.dev == DevX ? QStringLiteral("X") : QStringLiteral("Y")) + QString::number(k.value() / double(StepsPerMM));
        });
    }
    bool shown(const char *line) const { return p->messages().contains(QLatin1String(line)); }
    // Connects, lets the system check finish, and starts the recipe with START.
    bool start(const QString &recipe)
    {
        if (!p->connectPanel() || !waitUntil([&] { return shown("Intialization Finished!!!"); }))
            return false;
        moves.clear();
        p->window->kelInterface()->setRecipe(recipe.split(QLatin1Char('\n')));
        p->b("butStart")->click();
        return true;
    }
    // Waits for the prompt and answers it with RESUME.
    bool resume(const char *prompt)
    {
        if (!waitUntil([&] { return shown(prompt) && p->text("butPause", "Resume"); }))
            return false;
        p->b("butPause")->click();
        return true;
    }
    // Puts the stage where the operator would have jogged it and waits for the display.
    bool jogTo(qint32 x, qint32 y)
    {
        p->sim.setAxisPosition(DevX, x);
        p->sim.setAxisPosition(DevY, y);
        auto *lx = p->window->findChild<QLCDNumber *>(QStringLiteral("lcdNumberX"));
        auto *ly = p->window->findChild<QLCDNumber *>(QStringLiteral("lcdNumberY"));
        return waitUntil([&] { return lx->value() * StepsPerMM == x && ly->value() * StepsPerMM == y; });
    }
    bool ended() const { return p->b("butStart")->isEnabled() && !p->b("butStop")->isEnabled(); }

private slots:
    void initTestCase() { quiet.emplace(); }
    void init()
    {
        dir.emplace();
        QVERIFY(QDir::setCurrent(dir->path()));
    }
    void cleanup() { p.reset(); }

    void saveThenLoadThroughTheDialogs()
    {
        open();
        QVERIFY(p->connectPanel());
        KelInterface *kel = p->window->kelInterface();
        const QStringList lines{QStringLiteral("POINT 1,2"), QStringLiteral("DELAY 50")};
        kel->setRecipe(lines);
        ModalDriver driver;
        QString title;
        driver.on<dlgRcpFile>([&](dlgRcpFile &f) {
            title = f.windowTitle();
            f.setCurFileName(QString());
            for (const char *k : {"butR", "butU", "butN", "butSPACE", "butCHNG", "butW"})
                findWidget(f, QLatin1String(k))->click();
            f.accept();
        });
        driver.on<dlgRcpFile>([](dlgRcpFile &f) {
            findWidget(f, QStringLiteral("butPrev"))->click();
            f.accept();
        });
        p->b("butSave")->click();
        QCOMPARE(title, QStringLiteral("SAVE RECIPE"));
        QFile saved(QStringLiteral("run 2.rcp"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("POINT 1,2\nDELAY 50\n"));

        kel->setRecipe({});
        kel->setFileName(QStringLiteral("other.rcp"));
        p->b("butLoad")->click();
        QCOMPARE(driver.errors(), QStringList());
        QCOMPARE(kel->getRecipe(), lines);
        QCOMPARE(p->window->findChild<QLabel *>(QStringLiteral("curRcpName"))->text(), QStringLiteral("run 2.rcp"));
    }

    void wholeRunVisitsAlignedPoints()
    {
        write(QStringLiteral("config.xml"),
              "<archive><stage><loadptX>2</loadptX><loadptY>3</loadptY><loadptZ>50</loadptZ>"
              "<loadptxyenable>true</loadptxyenable><loadptzenable>true</loadptzenable></stage></archive>");
        open();
        QVERIFY(start(QStringLiteral("DELAY 50\nALIGN 10,10,10,20\nPOINT 1,0\nF1MOVE 3\nSHEXP 1\nPOINT 2,0.5")));
        QVERIFY(resume("Load Sample and press RESUME"));
        // The operator finds the marks 2 mm right of where they were taught: the specimen's
        // X axis points along the stage's Y axis, from (12, 10).
        QVERIFY(waitUntil([&] { return shown("Move to 1st ALIGN Point Press RESUME"); }));
        QVERIFY(jogTo(120000, 100000));
        QVERIFY(resume("Move to 1st ALIGN Point Press RESUME"));
        QVERIFY(waitUntil([&] { return shown("Move to 2nd ALIGN Point Press RESUME"); }));
        QVERIFY(jogTo(120000, 200000));
        QVERIFY(resume("Move to 2nd ALIGN Point Press RESUME"));
        QVERIFY(waitUntil([&] { return shown("RECIPE DONE!") && ended(); }));
        QCOMPARE(moves.join(QLatin1Char(' ')), QStringLiteral("X2 Y3 X10 Y10 X10 Y20 X12 Y11 X11.5 Y12 X2 Y3"));
        QCOMPARE(p->sim.wheelPosition(1), 3);
        QVERIFY(shown("MOVE SH1=2 SH2=3 SH3=3"));
        QCOMPARE(p->sim.shutterState(1), 0);
    }

    void pauseNextPrevStop()
    {
        open();
        // The collinear arc ends the compile; what came before it runs, and the operator is
        // told before anything moves.
        QVERIFY(start(QStringLiteral("DELAY 100000\nPOINT 1,0\nPOINT 2,0\nPOINT 3,0\nARC 0,0,2,2,1,1,0.5")));
        QVERIFY(resume("Load Sample and press RESUME"));
        const QString text = p->messages();
        const qsizetype problem = text.indexOf(QStringLiteral("RECIPE LINE 5:"));
        QVERIFY(problem >= 0 && problem < text.indexOf(QStringLiteral("Load Sample")));
        KelInterface *kel = p->window->kelInterface();
        auto dwellingAt = [&](qint32 x) { return p->sim.axisTarget(DevX) == x && kel->isRecipeDelay() && p->b("butNextStep")->isEnabled(); };
        QVERIFY(waitUntil([&] { return dwellingAt(10000); }));
        p->b("butPause")->click();
        QVERIFY(p->text("butPause", "Resume"));
        p->b("butNextStep")->click();
        QVERIFY(waitUntil([&] { return dwellingAt(20000); }));
        p->b("butPrevStep")->click();
        QVERIFY(waitUntil([&] { return dwellingAt(10000); }));
        p->b("butStop")->click();
        QVERIFY(ended());
        QVERIFY(!kel->isRecipeRunning());
        QCOMPARE(moves.join(QLatin1Char(' ')), QStringLiteral("X1 Y0 X2 Y0 X1 Y0"));
    }

    void haltStopsAMove()
    {
        open();
        QVERIFY(start(QStringLiteral("POINT 90,0")));
        QVERIFY(resume("Load Sample and press RESUME"));
        QVERIFY(waitUntil([&] { return p->sim.axisMoving(DevX); }));
        p->b("butHalt")->click();
        QVERIFY(ended());
        QVERIFY(waitUntil([&] { return !p->sim.axisMoving(DevX); }));
        const qint32 stopped = p->sim.axisPosition(DevX);
        QVERIFY(stopped < 900000);
        // Several status cycles later the stage is still where it stopped.
        const int polls = p->sim.count(DevController, CmdRead, IdxBusyMask);
        QVERIFY(waitUntil([&] { return p->sim.count(DevController, CmdRead, IdxBusyMask) > polls + 3; }));
        QCOMPARE(p->sim.axisPosition(DevX), stopped);
    }

    void continuousRunUntilStop()
    {
        open();
        findWidget<QCheckBox>(*p->window, QStringLiteral("contRunMacro"))->click();
        QVERIFY(start(QStringLiteral("DELAY 25\nPOINT 1,0\nPOINT 2,0")));
        QVERIFY(resume("Load Sample and press RESUME"));
        QVERIFY(waitUntil([&] { return moves.size() >= 8; }));
        QVERIFY(!shown("RECIPE DONE!"));
        p->b("butStop")->click();
        QVERIFY(ended());
        QCOMPARE(moves.mid(0, 8).join(QLatin1Char(' ')), QStringLiteral("X1 Y0 X2 Y0 X1 Y0 X2 Y0"));
    }

    void defaultRecipeStartsItself_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("refused");
        QTest::newRow("default recipe starts") << true << false;
        QTest::newRow("unreadable default recipe does not") << false << false;
        QTest::newRow("not on a later connection after a failed one") << true << true;
    }
    void defaultRecipeStartsItself()
    {
        QFETCH(bool, present);
        QFETCH(bool, refused);
        write(QStringLiteral("config.xml"),
              "<archive><recipe><filename>auto.rcp</filename><autostart>true</autostart></recipe></archive>");
        if (present)
            write(QStringLiteral("auto.rcp"), "POINT 1,0\n");
        open();
        p->sim.setRefuseLogin(refused);
        bool loginRefused = false;
        connect(&p->sim, &PtxSim::Simulator::loginRefused, this, [&] { loginRefused = true; });
        const QString name = p->window->findChild<QLabel *>(QStringLiteral("curRcpName"))->text();
        QCOMPARE(name, present ? QStringLiteral("auto.rcp") : QStringLiteral("newfile.rcp"));
        if (!present) {
            QCoreApplication::processEvents();
            QVERIFY(!p->sim.hasClient());
            return;
        }
        if (refused) {
            QVERIFY(waitUntil([&] { return loginRefused && (shown("CONNECT FAILED") || shown("CONNECTION LOST")); }, StartUpMs));
            p->sim.setRefuseLogin(false);
            QVERIFY(p->connectPanel() && waitUntil([&] { return shown("Intialization Finished!!!"); }));
            QVERIFY(p->b("butStart")->isEnabled());
            QVERIFY(!p->window->kelInterface()->isRecipeRunning());
            return;
        }
        QVERIFY(waitUntil([&] { return shown("Load Sample and press RESUME"); }, StartUpMs));
        const QString text = p->messages();
        QVERIFY(text.indexOf(QStringLiteral("Intialization Finished!!!")) < text.indexOf(QStringLiteral("Load Sample")));
    }
};

QTEST_MAIN(TestRecipeSim)
#include "tst_recipesim.moc"
