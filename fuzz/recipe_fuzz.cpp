// Fuzz target "recipe": any bytes as a recipe file are read and compiled for a run without
// harm: the run list stays within its capacity and holds no non-finite number, and the
// compile's work on paths stays within the lists' room plus one point per line, so that no
// recipe the panel accepts can keep it compiling for long.
#include "controller/kelinterface.h"
#include "fuzzworkspace.h"
#include "recipe/pathgeometry.h"
#include "recipe/recipefile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int MaxEntries = 3999;
constexpr int MaxProblemLines = 21;

bool finite(const recipePointStruct &e)
{
    return std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z) && std::isfinite(e.speedxy)
        && std::isfinite(e.speedz) && std::isfinite(e.delay);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkspace workspace("recipe");
    KelInterface &kel = workspace.kel();

    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList lines = Ptx::recipeFileLines(text);
    kel.setRecipe(lines);
    const qint64 madeBefore = Ptx::pathPointsMade();
    kel.ScanRecipe();
    const qint64 pathWorkBudget = Ptx::PointListSize + Ptx::RptListSize + lines.size();
    if (Ptx::pathPointsMade() - madeBefore > pathWorkBudget)
        std::abort();

    const int count = kel.compiledPointCount();
    if (count < 0 || count > MaxEntries || kel.compiledPatternCount() > MaxEntries
        || kel.compiledMacroCount() > MaxEntries || kel.compileProblems().size() > MaxProblemLines)
        std::abort();
    for (int i = 0; i < count; ++i) {
        if (!finite(kel.compiledPoint(i)))
            std::abort();
    }
    return 0;
}
