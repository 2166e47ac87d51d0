// panel-screenshots: connects the main screen to an in-process simulated controller and
// writes pictures of its pages, the keypad, the about box, the web page address, the recipe
// file and settings dialogs and the recipe editor as PNG files.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/dlgconfig.h"
#include "dialogs/dlgrcpfile.h"
#include "dialogs/kelscriptedit.h"
#include "dialogs/numinputbox.h"
#include "dialogs/webpagedialog.h"
#include "simulator/simulator.h"
#include "tools/eventwait.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <iterator>

namespace {

// The start-up's settling wait is counted in ticks, so a short tick keeps the run brief.
constexpr int ShortTickMs = 5;
constexpr int StartUpTimeoutMs = 30000;
constexpr int PollTimeoutMs = 5000;
// Polled position reports to see after the system check, so that the displays are current.
constexpr int PositionReports = 3;

const char *const SystemCheckDone = "Intialization Finished!!!";

// A stage standing off its origin, focus raised, wheel 1 on its third filter, shutter 1 open.
constexpr qint32 StageXSteps = 123456;     // 12.3456 mm at 10000 steps per mm
constexpr qint32 StageYSteps = -35000;     // -3.5 mm
constexpr qint32 FocusSteps = 2500;        // 250 um at 0.1 um per step
constexpr int Wheel1Position = 3;
constexpr int Wheel2Position = 1;
constexpr int OpenShutter = 1;
constexpr int ShutterOpen = 1;
// The editor's picture shows this line of its recipe being taught.
constexpr int EditorRow = 3;

// The recipe on the Run page and in the editor; a second file for the file dialog's list.
const char *const RecipeLines[] = {"DELAY 1000", "SPEEDXY 10", "POINT 12.3456,-3.5",
                                   "ARC 0,0,10,0,5,5,0.5", "ZPOINT 250", "F1MOVE 3",
                                   "SHEXP 1", "{END}"};
const char *const RecipeFiles[] = {"arc.rcp", "grid.rcp"};

bool writeConfig(const QString &address)
{
    QFile file(QStringLiteral("config.xml"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream(&file) << "<archive>\n    <ipaddr>" << address << "</ipaddr>\n</archive>\n";
    return true;
}

QStringList recipeLines()
{
    QStringList lines;
    for (const char *line : RecipeLines)
        lines << QString::fromLatin1(line);
    return lines;
}

bool writeRecipes()
{
    for (const char *name : RecipeFiles) {
        QFile file(QString::fromLatin1(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
            return false;
        QTextStream(&file) << recipeLines().join(QLatin1Char('\n')) << '\n';
    }
    return true;
}

bool save(QWidget *widget, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!widget->grab().save(path, "PNG")) {
        std::fprintf(stderr, "panel-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

int fail(const char *what)
{
    std::fprintf(stderr, "panel-screenshots: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    Ptx::useOffscreenPlatform();
    QApplication app(argc, argv);
    qInstallMessageHandler(Ptx::dropDiagnostics);

    const QDir outDir(QDir::current().absoluteFilePath(
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots")));
    if (!QDir().mkpath(outDir.path()))
        return fail("cannot create the output folder");

    PtxSim::Simulator simulator;
    simulator.setAxisPosition(Ptx::DevX, StageXSteps);
    simulator.setAxisPosition(Ptx::DevY, StageYSteps);
    simulator.setAxisPosition(Ptx::DevZ, FocusSteps);
    simulator.setWheelPosition(1, Wheel1Position);
    simulator.setWheelPosition(2, Wheel2Position);
    simulator.setShutterState(OpenShutter, ShutterOpen);
    if (!simulator.listen())
        return fail("the simulator cannot listen");

    // The panel reads and writes "config.xml" in its working folder: give it a fresh one.
    const QString startFolder = QDir::currentPath();
    QTemporaryDir work;
    if (!work.isValid() || !QDir::setCurrent(work.path()) || !writeConfig(simulator.clientAddress())
        || !writeRecipes())
        return fail("cannot prepare a working folder");

    int result = 0;
    {
        MainWindow window;
        window.show();
        KelInterface *kel = window.kelInterface();
        kel->setTickPeriod(ShortTickMs);

        bool checked = false;
        int positions = 0;
        QObject::connect(kel, &KelInterface::addDispLine, &window, [&checked](const QString &line) {
            if (line == QLatin1String(SystemCheckDone))
                checked = true;
        });
        QObject::connect(kel, &KelInterface::xPosChanged, &window, [&positions, &checked] {
            if (checked)
                ++positions;
        });

        window.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        if (!Ptx::waitFor([&checked] { return checked; }, StartUpTimeoutMs))
            result = fail("the panel did not finish its system check");
        else if (!Ptx::waitFor([&positions] { return positions >= PositionReports; }, PollTimeoutMs))
            result = fail("the panel does not poll the positions");

        if (result == 0) {
            // The Run page shows the recipe compiled without running.
            kel->setRecipe(recipeLines());
            window.findChild<QPushButton *>(QStringLiteral("butCompile"))->click();
            auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
            const char *const pages[] = {"main-stage.png", "main-filterwheel.png",
                                         "main-configuration.png", "main-run.png"};
            const int shownPage = tabs->currentIndex();
            for (int page = 0; page < tabs->count() && page < int(std::size(pages)); ++page) {
                tabs->setCurrentIndex(page);
                if (!save(&window, outDir, QString::fromLatin1(pages[page])))
                    result = 1;
            }
            tabs->setCurrentIndex(shownPage);

            NumInputBox keypad(&window);
            keypad.SetPrompt(QStringLiteral("Enter X"));
            keypad.setValue(QStringLiteral("-12.5"));
            keypad.show();
            if (!save(&keypad, outDir, QStringLiteral("keypad.png")))
                result = 1;
            keypad.hide();

            AboutDialog about(&window);
            about.setVersion();
            about.show();
            if (!save(&about, outDir, QStringLiteral("about.png")))
                result = 1;
            about.hide();

            WebPageDialog webPage(QUrl(QStringLiteral("http://192.168.1.100")), &window);
            webPage.show();
            if (!save(&webPage, outDir, QStringLiteral("web-page.png")))
                result = 1;
            webPage.hide();

            dlgRcpFile files(false, &window);
            files.InitDlg();
            files.setWindowTitle(QStringLiteral("LOAD RECIPE"));
            files.setCurFileName(QString::fromLatin1(RecipeFiles[0]));
            files.show();
            if (!save(&files, outDir, QStringLiteral("recipe-file.png")))
                result = 1;
            files.hide();

            dlgConfig settings(kel->getIpAddr(), &window);
            settings.init(kel->getXYRes(), kel->getXYSpeed(), kel->getXYCenSpeed(),
                          kel->getXYDefIncr(), kel->getXYdoCenter(), kel->getXYLdPtEnable(),
                          kel->getFocusRes(), kel->getFocusSpeed(), kel->getFocusDefIncr(),
                          kel->getZLdPtEnable(), kel->getDefRecipeName(),
                          kel->getRecipeAutoStart());
            settings.show();
            if (!save(&settings, outDir, QStringLiteral("settings.png")))
                result = 1;
            settings.hide();

            // The editor teaching the ARC line of a short recipe, on both command tabs.
            auto *editor = window.findChild<KelScriptEdit *>();
            editor->setRecipe(recipeLines());
            editor->show();
            auto *lines = editor->findChild<QListWidget *>(QStringLiteral("listWidget"));
            lines->setCurrentRow(EditorRow);
            editor->findChild<QPushButton *>(QStringLiteral("butEdit"))->click();
            auto *commands = editor->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
            const char *const editorPages[] = {"editor-stage.png", "editor-filterwheel.png"};
            for (int page = 0; page < commands->count(); ++page) {
                commands->setCurrentIndex(page);
                if (!save(editor, outDir, QString::fromLatin1(editorPages[page])))
                    result = 1;
            }
            editor->hide();
        }
    }
    QDir::setCurrent(startFolder);
    return result;
}
