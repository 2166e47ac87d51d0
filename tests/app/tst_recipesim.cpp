// Recipes on the main screen against the simulated controller: the file dialogs, EDIT, a
// whole run with load points, alignment, focus, wheel and exposure, compiling and the run
// controls, HALT in a move, a continuous run, the example recipes and the default recipe
// starting by itself.
#include "dialogs/dlgrcpfile.h"
#include "dialogs/kelscriptedit.h"
#include "livepanel.h"
#include "modaldriver.h"
#include "recipe/recipefile.h"
#include "support/diagcapture.h"
#include "support/testfiles.h"

#include <QCheckBox>
#include <QFile>
#include <QLCDNumber>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace Ptx;

class TestRecipeSim : public QObject
{
    Q_OBJECT

    std::optional<DiagCapture> quiet;
    std::optional<QTemporaryDir> dir;
    std::unique_ptr<LivePanel> p;
    QStringList moves;   // absolute moves ("X12", "Y11" in mm, "Z250" in steps), shutter writes, from connecting on

    void open()
    {
        p = std::make_unique<LivePanel>();
        moves.clear();
        connect(&p->sim, &PtxSim::Simulator::packetReceived, this, [this](const PtxSim::Packet &k) {
            if (k.cmd == CmdMove && k.index == IdxAbsolute && k.dev >= DevX && k.dev <= DevZ)
                moves << QLatin1Char("?XYZ"[k.dev]) + QString::number(k.dev == DevZ ? k.value() : k.value() / double(StepsPerMM));
            else if (k.cmd == CmdWrite && k.index == IdxShutter)
                moves << QStringLiteral("SH%1").arg(k.value());
        });
    }
    bool shown(const char *line) const { return p->messages().contains(QLatin1String(line)); }
    QString label(const char *name) const { return findWidget<QLabel>(*p->window, QLatin1String(name))->text(); }
    // Connects and starts the recipe with START as soon as it is on, while the system check
    // may still be moving the stage to its load point: the run waits for the check.
    bool start(const QString &recipe)
    {
        if (!p->connectPanel() || !waitUntil([&] { return p->b("butStart")->isEnabled(); }))
            return false;
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
    bool showsAt(qint32 x, qint32 y) const
    {
        auto at = [this](const char *lcd) { return findWidget<QLCDNumber>(*p->window, QLatin1String(lcd))->value() * StepsPerMM; };
        return waitUntil([&] { return at("lcdNumberX") == x && at("lcdNumberY") == y; });
    }
    // At the prompt, puts the stage where the operator would have jogged it, waits for the
    // display to show it and answers with RESUME.
    bool resumeAt(const char *prompt, qint32 x, qint32 y)
    {
        if (!waitUntil([&] { return shown(prompt); }))
            return false;
        p->sim.setAxisPosition(DevX, x);
        p->sim.setAxisPosition(DevY, y);
        return showsAt(x, y) && resume(prompt);
    }
    bool ended() const { return p->b("butStart")->isEnabled() && !p->b("butStop")->isEnabled(); }
    void showRunPage() const
    {
        findWidget<QTabWidget>(*p->window, QStringLiteral("tabWidget"))->setCurrentWidget(findWidget<QWidget>(*p->window, QStringLiteral("tabRun")));
    }

private slots:
    void initTestCase() { quiet.emplace(); }
    void init()
    {
        dir.emplace();
        QVERIFY(QDir::setCurrent(dir->path()));
        open();
    }
    void cleanup() { p.reset(); }

    // The editor works on a copy: Cancel leaves the recipe, OK takes the edited lines; both
    // leave absolute coordinates, and its own HALT key halts. Then SAVE and LOAD. The Run
    // page shows the recipe taken by OK and by LOAD without a tap on Compile.
    void editSaveAndLoadThroughTheDialogs()
    {
        p = std::make_unique<LivePanel>(everyModule(), Stepped);   // no run: the tick stands still
        QVERIFY(p->connectPanel());
        KelInterface *kel = p->kel;
        showRunPage();
        kel->setRecipe({QStringLiteral("DEFREP 1,1"), QStringLiteral("POINT 1,2")});
        ModalDriver driver;
        for (auto answer : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
            driver.on<KelScriptEdit>([kel, answer](KelScriptEdit &e) {
                QCOMPARE(e.getRecipe(), kel->getRecipe());
                findWidget(e, QStringLiteral("butNext"))->click();   // taught in the block's frame
                QVERIFY(kel->isRel());
                findWidget(e, QStringLiteral("butEndRep"))->click();
                findWidget(e, QStringLiteral("butHalt"))->click();
                findWidget<QDialogButtonBox>(e, QStringLiteral("buttonBox"))->button(answer)->click();
            });
            p->b("butEdit")->click();
            QVERIFY(label("runPageStatus").startsWith(answer == QDialogButtonBox::Ok ? "2 ENTRIES  " : "0 ENTRIES  "));
            QVERIFY(kel->isAbs());
            QCOMPARE(kel->pendingCommands(), QStringList{QStringLiteral("0,66,0,0")});
        }
        const QStringList lines{"DEFREP 1,1", "ENDREP", "POINT 1,2"};
        QCOMPARE(kel->getRecipe(), lines);

        driver.on<dlgRcpFile>([](dlgRcpFile &f) { f.setCurFileName(QStringLiteral("run 2")), f.accept(); });
        driver.on<dlgRcpFile>([](dlgRcpFile &f) { findWidget(f, QStringLiteral("butPrev"))->click(), f.accept(); });
        p->b("butSave")->click();
        QFile saved(QStringLiteral("run 2.rcp"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("DEFREP 1,1\nENDREP\nPOINT 1,2\n"));
        kel->setRecipe({});
        p->b("butCompile")->click();
        kel->setFileName(QStringLiteral("other.rcp"));
        p->b("butLoad")->click();
        QCOMPARE(driver.errors(), QStringList());
        QCOMPARE(kel->getRecipe(), lines);
        QVERIFY(label("runPageStatus").startsWith(QLatin1String("2 ENTRIES  ")));
        QCOMPARE(label("curRcpName"), QStringLiteral("run 2.rcp"));
    }

    // SAVE offers the loaded file's name as it is on disk and writes that very file.
    void saveWritesTheLoadedFile()
    {
        p = std::make_unique<LivePanel>(everyModule(), Stepped);
        QVERIFY(p->connectPanel());
        writeFile(QStringLiteral("Slide.rcp"), "POINT 1,1\n");
        ModalDriver driver;
        driver.on<dlgRcpFile>([](dlgRcpFile &f) { findWidget(f, QStringLiteral("butPrev"))->click(), f.accept(); });
        driver.on<dlgRcpFile>([](dlgRcpFile &f) { f.accept(); });
        p->b("butLoad")->click();
        p->kel->setRecipe({QStringLiteral("POINT 2,2")});
        p->b("butSave")->click();
        QCOMPARE(QDir().entryList({QStringLiteral("*.rcp")}), QStringList{QStringLiteral("Slide.rcp")});
        QFile saved(QStringLiteral("Slide.rcp"));
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll() == "POINT 2,2\n");
    }

    void wholeRunVisitsAlignedPoints()
    {
        writeFile(QStringLiteral("config.xml"), loadPointsFile(true, true, 2, 3, 50));
        open();   // again, to read the settings
        QVERIFY(start(QStringLiteral("DELAY 50\nALIGN 10,10,10,20\nPOINT 1,0\nF1MOVE 3\nZPOINT 25\n"
                                     "EXPTIM 1,50\nSHEXP 1\nPOINT 2,0.5")));
        QVERIFY(resume("Load Sample and press RESUME"));
        // The progress line follows the run, and Compile waits for its end.
        QVERIFY(label("runProgress").startsWith(QLatin1String("6 ENTRIES  ")) && !p->b("butCompile")->isEnabled());
        // The operator finds the marks 2 mm right of where they were taught: the specimen's
        // X axis points along the stage's Y axis, from (12, 10).
        QVERIFY(resumeAt("Move to 1st ALIGN Point Press RESUME", 120000, 100000));
        QVERIFY(resumeAt("Move to 2nd ALIGN Point Press RESUME", 120000, 200000));
        QVERIFY(waitUntil([&] { return shown("RECIPE DONE!") && ended(); }));
        // The check's focus move, then the run's; exposure time 50 ms for shutter 1, then
        // shutter 1 told to expose.
        QCOMPARE(moves.join(QLatin1Char(' ')),
                 QStringLiteral("Z500 Z500 X2 Y3 X10 Y10 X10 Y20 X12 Y11 Z250 SH6553650 SH6553602 X11.5 Y12 Z500 X2 Y3"));
        QCOMPARE(p->sim.wheelPosition(1), 3);
        QVERIFY(label("runProgress").isEmpty() && p->b("butCompile")->isEnabled());
    }

    void pauseNextPrevStop()
    {
        // The collinear arc ends the compile; Compile shows it without running, START runs
        // what came before it and tells the operator before anything moves.
        p->kel->setRecipe({QStringLiteral("POINT 1,1"), QStringLiteral("ARC 0,0,2,2,1,1,0.5")});
        showRunPage();
        p->b("butCompile")->click();
        QCOMPARE(label("runPageStatus"), QStringLiteral("1 ENTRY  ABOUT 2 s"));
        QVERIFY(findWidget<QListWidget>(*p->window, QStringLiteral("compileProblems"))->item(0)->text().startsWith(QLatin1String("RECIPE LINE 2: ")));
        QVERIFY(start(QStringLiteral("DELAY 100000\nPOINT 1,0\nPOINT 2,0\nPOINT 3,0\nARC 0,0,2,2,1,1,0.5")));
        QVERIFY(resume("Load Sample and press RESUME"));
        const qsizetype problem = p->messages().indexOf(QStringLiteral("RECIPE LINE 5:"));
        QVERIFY(problem >= 0 && problem < p->messages().indexOf(QStringLiteral("Load Sample")));
        KelInterface *kel = p->window->kelInterface();
        auto dwellingAt = [&](qint32 x) { return p->sim.axisTarget(DevX) == x && kel->isRecipeDelay() && p->b("butNextStep")->isEnabled(); };
        QVERIFY(waitUntil([&] { return dwellingAt(10000); }));
        p->b("butPause")->click();
        p->b("butNextStep")->click();
        QVERIFY(waitUntil([&] { return dwellingAt(20000); }));
        p->b("butPrevStep")->click();
        QVERIFY(waitUntil([&] { return dwellingAt(10000); }));
        // A recipe edited during the run leaves the run's list alone until the run ends.
        ModalDriver driver;
        driver.on<KelScriptEdit>([](KelScriptEdit &e) { e.setRecipe({QStringLiteral("POINT 5,5")}), e.accept(); });
        p->b("butEdit")->click();
        QCOMPARE(kel->compiledPointCount(), 3);
        p->b("butStop")->click();
        QVERIFY(ended() && !kel->isRecipeRunning());
        QVERIFY(waitUntil([&] { return kel->compiledPointCount() == 1; }));
        QCOMPARE(moves.join(QLatin1Char(' ')), QStringLiteral("X1 Y0 X2 Y0 X1 Y0"));
    }

    // PAUSE in a wheel move or an exposure holds before the next entry; RESUME goes on.
    void pauseDuringAFilterEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("resumed");
        QTest::newRow("wheel move held") << "F1MOVE 5" << false;
        QTest::newRow("exposure held") << "SHEXP 1" << false;
        QTest::newRow("exposure resumed goes on") << "SHEXP 1" << true;
    }
    void pauseDuringAFilterEntry()
    {
        QFETCH(QString, entry);
        QFETCH(bool, resumed);
        QVERIFY(start(entry + QStringLiteral("\nPOINT 1,0")) && waitUntil([&] { return shown("Load Sample"); }));
        p->sim.setManualClock(true);   // the wheel turns and the shutter exposes until let go
        QVERIFY(resume("Load Sample and press RESUME"));
        QVERIFY(waitUntil([&] { return p->sim.wheelMoving(1) || p->sim.shutterState(1) == 2; }));
        for (int press = 0; press <= int(resumed); ++press)
            p->b("butPause")->click();
        p->sim.advance(60000);
        QVERIFY(waitUntil([&] { return moves.contains(QStringLiteral("X1")) || p->window->kelInterface()->isRecipeDelay(); }));
        QCOMPARE(p->b("butPause")->text(), resumed ? QStringLiteral("Pause") : QStringLiteral("Resume"));
        QCOMPARE(moves.contains(QStringLiteral("X1")), resumed);
    }

    // EDIT at an aligned run's dwells (GOTO by the line's ALIGN), left by Cancel or OK, keeps
    // the taught frame; OK changes only the text. START then replaces the run and logs it.
    void editDuringAnAlignedRun()
    {
        QVERIFY(start(QStringLiteral("DELAY 0\nALIGN 10,10,10,20\nPOINT 1,0\nPOINT 2,0.5\nPOINT 3,0")));
        QVERIFY(resume("Load Sample and press RESUME"));
        QVERIFY(resumeAt("Move to 1st ALIGN Point Press RESUME", 120000, 100000));
        QVERIFY(resumeAt("Move to 2nd ALIGN Point Press RESUME", 120000, 200000));
        KelInterface *kel = p->window->kelInterface();
        ModalDriver driver;
        for (auto answer : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
            QVERIFY(waitUntil([&] { return p->b("butEdit")->isEnabled(); }));
            driver.on<KelScriptEdit>([answer](KelScriptEdit &e) {
                for (const char *button : {"butNext", "butNext", "butGoto", "butEndRep"})
                    findWidget(e, QLatin1String(button))->click();
                findWidget<QDialogButtonBox>(e, QStringLiteral("buttonBox"))->button(answer)->click();
            });
            p->b("butEdit")->click();
            QVERIFY(kel->isSkew());
            p->b("butNextStep")->click();
        }
        QVERIFY(waitUntil([&] { return moves.last() == QLatin1String("Y13") && p->b("butStart")->isEnabled(); }));
        QCOMPARE(moves.mid(moves.indexOf(QStringLiteral("X12"))).join(QLatin1Char(' ')), QStringLiteral("X12 Y11 X10 Y11 X11.5 Y12 X10 Y11 X12 Y13"));
        QVERIFY(kel->getRecipe().count(QStringLiteral("ENDREP")) == 1 && driver.errors().isEmpty());
        p->b("butStart")->click(), p->b("butStop")->click();
        QFile log(QStringLiteral("runs.log"));
        QVERIFY(log.open(QIODevice::ReadOnly) && QString::fromUtf8(log.readAll()).contains(QRegularExpression(QStringLiteral("\t2 of 3\tRESTART\t[^\n]*\n[^\n]*\tSTOP\t[^\n]*\n$"))));
    }

    // Compile on the Run page leaves the stored alignment point and the jog step.
    void compileOnlyCompiles()
    {
        QVERIFY(p->connectPanel());
        p->sim.setAxisPosition(DevX, 30000);
        p->sim.setAxisPosition(DevY, 40000);
        QVERIFY(showsAt(30000, 40000));
        p->b("butStoreAlnPt1")->click();
        p->window->kelInterface()->setRecipe({"ALIGN 0,0,100,0", "INCR 0.25,0.25", "POINT 1,1"});
        p->b("butCompile")->click();
        p->b("butGoAlnPt1")->click();
        QVERIFY(waitUntil([&] { return moves.mid(moves.size() - 2) == QStringList({"X3", "Y4"}); }));
        p->b("butRight")->click();
        QVERIFY(waitUntil([&] { return p->sim.axisTarget(DevX) != 30000; }) && p->sim.axisTarget(DevX) == 40000);
    }

    // A continuous run starts over after its last entry, until HALT stops it in a move.
    void haltStopsAContinuousRun()
    {
        findWidget<QCheckBox>(*p->window, QStringLiteral("contRunMacro"))->click();
        QVERIFY(start(QStringLiteral("POINT 1,0\nPOINT 90,0")));
        QVERIFY(resume("Load Sample and press RESUME"));
        QVERIFY(waitUntil([&] { return moves.size() >= 7 && p->sim.axisMoving(DevX); }));
        p->b("butHalt")->click();
        QVERIFY(ended());
        QCOMPARE(moves.mid(0, 7).join(QLatin1Char(' ')), QStringLiteral("X1 Y0 X90 Y0 X1 Y0 X90"));
        QVERIFY(waitUntil([&] { return !p->sim.axisMoving(DevX); }));
        const qint32 stopped = p->sim.axisPosition(DevX);
        QVERIFY(stopped < 900000);
        // Several status cycles later the stage is still where it stopped.
        const int polls = p->sim.count(DevController, CmdRead, IdxBusyMask);
        QVERIFY(waitUntil([&] { return p->sim.count(DevController, CmdRead, IdxBusyMask) > polls + 3; }));
        QCOMPARE(p->sim.axisPosition(DevX), stopped);
    }

    // Every example recipe runs to its end; the aligned one finds its marks where it
    // expects them.
    void examplesRun_data()
    {
        QTest::addColumn<QString>("path");
        for (const QFileInfo &file : QDir(QStringLiteral(PTX_EXAMPLES_DIR)).entryInfoList({QStringLiteral("*.rcp")}))
            QTest::newRow(qPrintable(file.fileName())) << file.filePath();
    }
    void examplesRun()
    {
        QFETCH(QString, path);
        QStringList lines;
        QVERIFY(readRecipeFile(path, &lines));
        QVERIFY(start(lines.join(QLatin1Char('\n'))));
        QVERIFY(resume("Load Sample and press RESUME"));
        if (p->window->kelInterface()->compiledAlign()) {
            QVERIFY(resumeAt("Move to 1st ALIGN Point Press RESUME", 0, 0));
            QVERIFY(resumeAt("Move to 2nd ALIGN Point Press RESUME", 20 * StepsPerMM, 0));
        }
        QVERIFY(waitUntil([&] { return shown("RECIPE DONE!") && ended(); }, StartUpMs));
    }

    void defaultRecipeStartsItself_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("exited");
        QTest::newRow("default recipe starts") << true << false << true;
        QTest::newRow("unreadable default recipe does not") << false << false << true;
        QTest::newRow("not on a later connection after a failed one") << true << true << true;
        QTest::newRow("not after an end without Exit") << true << false << false;
    }
    void defaultRecipeStartsItself()
    {
        QFETCH(bool, present);
        QFETCH(bool, refused);
        QFETCH(bool, exited);
        writeFile(QStringLiteral("config.xml"),
              "<archive><recipe><filename>auto.rcp</filename><autostart>true</autostart></recipe></archive>");
        if (present)
            writeFile(QStringLiteral("auto.rcp"), "POINT 1,0\n");
        ModalDriver driver;
        if (exited)
            driver.keypad(QStringLiteral("482.7093")), p->b("butExit")->click();
        open();   // again, to read the settings
        p->sim.setRefuseLogin(refused);
        QCOMPARE(label("curRcpName"), present ? QStringLiteral("auto.rcp") : QStringLiteral("newfile.rcp"));
        // The Run page shows the default recipe before the controller is reached.
        QCOMPARE(p->window->kelInterface()->compiledPointCount(), present ? 1 : 0);
        if (!present) {
            QCoreApplication::processEvents();
            QVERIFY(!p->sim.hasClient());
        } else if (!exited) {
            QVERIFY(waitUntil([&] { return shown("NO AUTOSTART: THE PANEL DID NOT END BY EXIT LAST TIME"); }, StartUpMs));
            QVERIFY(p->text("pushButton", "DISCONNECT") && !p->window->kelInterface()->isRecipeRunning());
        } else if (refused) {
            QVERIFY(waitUntil([&] { return shown("CONNECT FAILED") || shown("CONNECTION LOST"); }, StartUpMs));
            p->sim.setRefuseLogin(false);
            QVERIFY(p->connectPanel() && waitUntil([&] { return shown("Intialization Finished!!!"); }));
            QVERIFY(p->b("butStart")->isEnabled() && !p->window->kelInterface()->isRecipeRunning());
        } else {
            QVERIFY(waitUntil([&] { return shown("Load Sample and press RESUME"); }, StartUpMs));
            QVERIFY(p->messages().indexOf(QStringLiteral("Intialization Finished!!!")) < p->messages().indexOf(QStringLiteral("Load Sample")));
        }
    }
};

QTEST_MAIN(TestRecipeSim)
#include "tst_recipesim.moc"
