// Compile time of large recipes: one that fills the run list and one of 100 000 lines.
// The diagnostics are still written, to a message handler that drops them.
#include "controller/kelinterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int RunListEntries = 3999;
constexpr int LongRecipeLines = 100000;
constexpr int Repetitions = 20;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// Every line an XY point: exactly fills the run list.
QStringList fullRunList()
{
    QStringList lines;
    lines.reserve(RunListEntries);
    for (int i = 0; i < RunListEntries; ++i)
        lines << QStringLiteral("POINT %1,%2").arg(i % 100 * 0.25).arg(i / 100 * 0.25);
    return lines;
}

// A mix of every kind of line, repeated: most entries are dropped once the list is full,
// but every line is still read, converted and echoed.
QStringList longRecipe()
{
    const QStringList pattern{
        QStringLiteral("POINT 12.5,-3.75"), QStringLiteral("POINTZ 150"), QStringLiteral("DELAY 250"),
        QStringLiteral("SPEEDXY 10.0"), QStringLiteral("SHOPEN 1"), QStringLiteral("EXPTIM 2,150"),
        QStringLiteral("FMOVE 3,0"), QStringLiteral("SCTRL 1,2,3"), QStringLiteral("LINE 0,0,1,0,0.5"),
        QStringLiteral("{END}"),
    };
    QStringList lines;
    lines.reserve(LongRecipeLines);
    for (int i = 0; i < LongRecipeLines; ++i)
        lines << pattern.at(i % pattern.size());
    return lines;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall-clock and CPU time of several compiles, in milliseconds: the median and the fastest.
// The CPU time is what the compile itself costs when other work shares the machine.
void measure(KelInterface *kel, const char *name, const QStringList &recipe)
{
    kel->setRecipe(recipe);
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < Repetitions; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        kel->ScanRecipe();
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::printf("%-22s lines=%-6lld entries=%-4d wall median=%.2f fastest=%.2f ms, cpu median=%.2f fastest=%.2f ms\n",
                name, static_cast<long long>(recipe.size()), kel->compiledPointCount(), median(wall),
                *std::min_element(wall.begin(), wall.end()), median(cpu), *std::min_element(cpu.begin(), cpu.end()));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qInstallMessageHandler(dropMessage);
    {
        auto kel = std::make_unique<KelInterface>(QStringLiteral("127.0.0.1"));
        measure(kel.get(), "run list full", fullRunList());
        measure(kel.get(), "100000 lines", longRecipe());
    }
    QDir::setCurrent(previousDir);
    return 0;
}
