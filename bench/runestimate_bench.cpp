// runestimate_bench: how well the panel foretells the time a run has left. Each recipe runs
// on the simulated controller with the real 25 ms tick; when a tenth of its entries are
// done the estimate is noted, and compared with the time the run then really took. The
// model's own figure (without the correction from the run's pace) is shown beside it.
#include "controller/kelinterface.h"
#include "recipe/runnerentrykind.h"
#include "simulator/simulator.h"
#include "tools/eventwait.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdio>

namespace {

constexpr int StartUpTimeoutMs = 60000;
constexpr int RunTimeoutMs = 180000;
constexpr double PerCent = 100.0;
constexpr int TenthDivisor = 10;
constexpr int KindCount = 6;
const char *const KindNames[KindCount] = {"xy", "z", "wheel", "pause", "shutter", "exposure"};

struct Recipe {
    const char *name;
    QStringList lines;
};

QStringList pointsOnly()
{
    QStringList lines{QStringLiteral("SPEEDXY 5"), QStringLiteral("DELAY 300")};
    for (int i = 0; i < 24; ++i)
        lines << QStringLiteral("POINT %1,%2").arg((i % 6) * 2).arg((i / 6) * 1.5);
    return lines;
}

QStringList rasterWithDwells()
{
    return {QStringLiteral("SPEEDXY 4"), QStringLiteral("DELAY 250"),
            QStringLiteral("RASTER 0,0,1,1,5,4")};
}

QStringList wheelsAndShutters()
{
    QStringList lines{QStringLiteral("DELAY 100"), QStringLiteral("EXPTIM 1,300")};
    for (int i = 1; i <= 8; ++i)
        lines << QStringLiteral("POINT %1,0").arg(i) << QStringLiteral("F1MOVE %1").arg(i % 10 + 1)
              << QStringLiteral("F2MOVE %1").arg((i * 3) % 10 + 1) << QStringLiteral("SHEXP 1");
    return lines;
}

QStringList alignedPattern()
{
    return {QStringLiteral("ALIGN 0,0,10,0"), QStringLiteral("DELAY 200"), QStringLiteral("DEFREP 0,0"), QStringLiteral("DELAY 200"),
            QStringLiteral("POINT 0.5,0"), QStringLiteral("POINT 0.5,0.5"), QStringLiteral("POINT 0,0.5"),
            QStringLiteral("ENDREP"), QStringLiteral("POINT 3,0"), QStringLiteral("POINT 3,3"),
            QStringLiteral("POINT 0,3"), QStringLiteral("POINT 6,0"), QStringLiteral("POINT 6,3")};
}

// Wall time each entry took beyond the model's time for it, summed by kind.
struct KindCost {
    double extraMs = 0.0;
    int count = 0;
};

struct Result {
    KindCost kinds[KindCount];
    int entries = 0;
    double estimateMs = 0.0;
    double modelMs = 0.0;
    double trueMs = 0.0;
};

// Runs the recipe to its end, answering every prompt at once.
bool run(KelInterface &kel, const QStringList &lines, Result *result)
{
    kel.setRecipe(lines);
    kel.ScanRecipe();
    kel.initRecipe();
    kel.startRecipe();
    result->entries = kel.compiledPointCount();
    const int tenth = (result->entries + TenthDivisor - 1) / TenthDivisor;
    QElapsedTimer clock;
    QElapsedTimer entryClock;
    qint64 tenthAt = -1;
    int entry = 0;
    double entryModelMs = 0.0;
    const bool ended = Ptx::waitFor([&] {
        if (kel.isRecipePaused())
            kel.recipeContinue();
        const Ptx::RunProgress progress = kel.runProgress();
        if (progress.entry > entry) {
            if (entry > 0) {
                const recipePointStruct done = kel.compiledPoint(entry - 1);
                const Ptx::ShutterWord word = Ptx::decodeShutterWord(done.shopt);
                const bool exposes = Ptx::entryKind(done) == Ptx::EntryKind::Shutters && word.exposureShutter == 0
                                     && std::count(std::begin(word.code), std::end(word.code), int(Ptx::ShutterExpose)) > 0;
                KindCost &cost = result->kinds[exposes ? KindCount - 1 : int(Ptx::entryKind(done))];
                cost.extraMs += double(entryClock.elapsed()) - (entryModelMs - progress.modelLeftMs);
                ++cost.count;
            }
            entry = progress.entry;
            entryModelMs = progress.modelLeftMs;
            entryClock.start();
        }
        if (tenthAt < 0 && progress.entry > tenth) {
            clock.start();
            tenthAt = 0;
            result->estimateMs = progress.leftMs;
            result->modelMs = progress.modelLeftMs;
        }
        return !kel.isRecipeRunning();
    }, RunTimeoutMs);
    result->trueMs = double(clock.elapsed());
    return ended && tenthAt == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(Ptx::dropDiagnostics);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    PtxSim::Simulator sim;
    if (!sim.listen()) {
        std::fprintf(stderr, "simulator did not start\n");
        return 1;
    }
    KelInterface kel(sim.clientAddress());
    bool ready = false;
    QObject::connect(&kel, &KelInterface::addDispLine, [&](const QString &line) {
        if (line.startsWith(QLatin1String("Intialization Finished")))
            ready = true;
    });
    if (!kel.openConnection() || !Ptx::waitFor([&] { return ready; }, StartUpTimeoutMs)) {
        std::fprintf(stderr, "no connection to the simulator\n");
        return 1;
    }

    const Recipe recipes[] = {{"points only", pointsOnly()},
                              {"raster with dwells", rasterWithDwells()},
                              {"wheels and shutters", wheelsAndShutters()},
                              {"aligned pattern", alignedPattern()}};
    std::printf("%-22s %7s %10s %10s %10s %8s %8s\n", "recipe", "entries", "true s", "estimate s",
                "model s", "error %", "model %");
    KindCost kinds[KindCount];
    int failures = 0;
    // A recipe name as the argument runs that recipe alone.
    const QString only = app.arguments().value(1);
    for (const Recipe &recipe : recipes) {
        if (!only.isEmpty() && only != QLatin1String(recipe.name))
            continue;
        Result r;
        if (!run(kel, recipe.lines, &r)) {
            std::printf("%-22s did not finish\n", recipe.name);
            ++failures;
            continue;
        }
        std::printf("%-22s %7d %10.2f %10.2f %10.2f %8.1f %8.1f\n", recipe.name, r.entries,
                    r.trueMs / 1000.0, r.estimateMs / 1000.0, r.modelMs / 1000.0,
                    (r.estimateMs - r.trueMs) / r.trueMs * PerCent, (r.modelMs - r.trueMs) / r.trueMs * PerCent);
        for (int k = 0; k < KindCount; ++k) {
            kinds[k].extraMs += r.kinds[k].extraMs;
            kinds[k].count += r.kinds[k].count;
        }
    }
    // What the per-entry costs of the model miss, for tuning them.
    std::printf("\nentry kind  entries  time beyond the model per entry (ms, mean)\n");
    for (int k = 0; k < KindCount; ++k) {
        if (kinds[k].count > 0)
            std::printf("%-10s %8d %10.1f\n", KindNames[k], kinds[k].count, kinds[k].extraMs / kinds[k].count);
    }
    kel.closeConnection();
    return failures == 0 ? 0 : 1;
}
