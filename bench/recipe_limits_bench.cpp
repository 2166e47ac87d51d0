// recipe_limits_bench: the largest recipes the panel takes. First the panel's peak memory
// while it lists a folder of the largest recipe files (and one far over the limits), loads
// each, compiles it on the Run page and opens it in the editor; then the compile time of the
// worst recipes that fit within the file limits, with the diagnostics written out as the
// panel writes them. Run from a Release build: recipe_limits_bench [--once].
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "dialogs/dlgrcpfile.h"
#include "recipe/recipefile.h"
#include "tools/eventwait.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr double KiBPerMiB = 1024.0;
constexpr int Repetitions = 3;
constexpr int FarOverLimitMiB = 16;
constexpr int EditorOpenMs = 200;
FILE *diagSink = nullptr;

// As the panel's default handler does, but into /dev/null.
void writeDiagnostic(QtMsgType, const QMessageLogContext &, const QString &message)
{
    std::fputs(qPrintable(message), diagSink);
    std::fputc('\n', diagSink);
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double peakMiB()
{
    return Ptx::processStatusKiB("VmHWM:") / KiBPerMiB;
}

// Lines made by line(i) until the file reaches the line or the byte limit.
QByteArray fill(const QByteArray &head, const std::function<QByteArray(int)> &line)
{
    QByteArray text = head;
    for (qsizetype n = text.count('\n'); n < Ptx::MaxRecipeFileLines; ++n) {
        const QByteArray next = line(int(n)) + '\n';
        if (text.size() + next.size() > Ptx::MaxRecipeFileBytes)
            break;
        text += next;
    }
    return text;
}

struct Sample {
    const char *name;
    QByteArray text;
};

std::vector<Sample> worstRecipes()
{
    const QByteArray tinyCircle("CIRCLE 0,1,1,0,-1,0,0.0000001");
    QByteArray farPattern("DEFREP 0,0\n");
    for (int i = 0; i < Ptx::RptListSize; ++i)
        farPattern += "POINT 1e308," + QByteArray::number(i) + '\n';
    farPattern += "ENDREP\n";
    const QByteArray every[] = {"POINT 12.5,-3.75", "POINTZ 150", "DELAY 250", "SPEEDXY 10.0", "SHOPEN 1",
                                "EXPTIM 2,150", "FMOVE 3,0", "SCTRL 1,2,3", "LINE 0,0,1,0,0.5", "{END}"};
    return {
        {"paths inside a macro", fill("DEFMAC\n", [&](int) { return tinyCircle; })},
        {"paths into the pattern", fill("DEFREP 0,0\n", [&](int) { return tinyCircle; })},
        {"paths after a full list", fill("", [&](int n) { return n < 4000 ? QByteArray("POINT 1,1") : tinyCircle; })},
        {"pattern beyond numbers", fill(farPattern, [](int n) { return "POINT " + QByteArray::number(n) + ",0"; })},
        {"every kind of line", fill("", [&](int n) { return every[n % 10]; })},
        {"longest lines", fill("", [](int) {
             const qsizetype digits = Ptx::MaxRecipeFileBytes / Ptx::MaxRecipeFileLines - 10;
             return "POINT 1." + QByteArray(digits, '5') + ",2";
         })},
    };
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The recipe files, and one far over the limits, written a MiB at a time; the texts are
// gone again before the panel starts, so that they do not count in its memory.
QStringList writeFiles()
{
    QStringList names;
    const std::vector<Sample> samples = worstRecipes();
    for (size_t i = 0; i < samples.size(); ++i) {
        names << QStringLiteral("worst%1.rcp").arg(i);
        writeFile(names.last(), samples[i].text);
    }
    names << QStringLiteral("over-limit.rcp");
    QFile huge(names.last());
    if (huge.open(QIODevice::WriteOnly)) {
        const QByteArray mib(1024 * 1024, 'x');
        for (int i = 0; i < FarOverLimitMiB; ++i)
            huge.write(i == 0 ? "\n" + mib.chopped(1) : mib);
    }
    return names;
}

// Lists, loads, compiles, draws and edits each file as an operator would, then prints the
// peak resident memory.
void measureMemory(const QStringList &names)
{
    MainWindow window;
    window.showFullScreen();
    Ptx::waitFor([] { return false; }, EditorOpenMs);
    std::printf("panel shown: peak %.1f MiB\n", peakMiB());

    {
        dlgRcpFile dialog(false, &window);
        dialog.InitDlg();
        std::printf("file dialog listing them: peak %.1f MiB\n", peakMiB());
    }
    KelInterface *kel = window.kelInterface();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    for (const QString &name : names) {
        kel->setRecipe({});
        kel->setFileName(name);
        kel->loadRcp();
        if (tabs)
            tabs->setCurrentIndex(tabs->count() - 1);
        window.findChild<QPushButton *>(QStringLiteral("butCompile"))->click();
        window.grab();
        QTimer::singleShot(EditorOpenMs, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        QMetaObject::invokeMethod(&window, "on_butEdit_clicked");
        std::printf("%-16s %8lld bytes, %6lld lines loaded: peak %.1f MiB\n", qPrintable(name),
                    static_cast<long long>(QFileInfo(name).size()), static_cast<long long>(kel->getRecipe().size()),
                    peakMiB());
    }
    std::printf("peak resident memory (VmHWM) over all files: %.1f MiB (goal: under 80 MiB)\n", peakMiB());
    window.close();
}

void measureCompile(const std::vector<Sample> &samples, int repetitions)
{
    KelInterface kel(QStringLiteral("127.0.0.1"));
    double worst = 0.0;
    for (const Sample &sample : samples) {
        kel.setRecipe(Ptx::recipeFileLines(sample.text));
        std::vector<double> cpu;
        for (int i = 0; i < repetitions; ++i) {
            const double start = threadCpuMs();
            kel.ScanRecipe();
            cpu.push_back(threadCpuMs() - start);
        }
        std::sort(cpu.begin(), cpu.end());
        worst = std::max(worst, cpu[cpu.size() / 2]);
        std::printf("%-26s %7lld bytes %6lld lines: compile cpu median %.1f ms, fastest %.1f ms\n", sample.name,
                    static_cast<long long>(sample.text.size()), static_cast<long long>(sample.text.count('\n')),
                    cpu[cpu.size() / 2], cpu.front());
    }
    std::printf("worst compile within the file limits: %.1f ms (goal: under 1000 ms)\n", worst);
}

} // namespace

int main(int argc, char *argv[])
{
    Ptx::useOffscreenPlatform();
    // Each figure as soon as it is known: a slow build may be stopped partway.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    diagSink = std::fopen("/dev/null", "w");
    qInstallMessageHandler(writeDiagnostic);
    QApplication app(argc, argv);
    const bool once = app.arguments().contains(QStringLiteral("--once"));
    const QString startFolder = QDir::currentPath();
    QTemporaryDir work;
    if (!work.isValid() || !QDir::setCurrent(work.path()))
        return 1;
    measureMemory(writeFiles());
    measureCompile(worstRecipes(), once ? 1 : Repetitions);
    QDir::setCurrent(startFolder);
    return 0;
}
