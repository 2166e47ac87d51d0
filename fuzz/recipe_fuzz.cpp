// Fuzz target "recipe": any bytes as a recipe file are read and compiled for a run without
// harm: the run list stays within its capacity and holds no non-finite number.
#include "controller/kelinterface.h"
#include "recipe/recipefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int MaxEntries = 3999;
constexpr int MaxProblemLines = 21;

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

bool finite(const recipePointStruct &e)
{
    return std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z) && std::isfinite(e.speedxy)
        && std::isfinite(e.speedz) && std::isfinite(e.delay);
}

// One working folder and one interface object for the whole run.
struct Workspace
{
    Workspace()
    {
        qInstallMessageHandler(quiet);
        if (!QCoreApplication::instance())
            app = new QCoreApplication(argc, argv);
        if (!dir.isValid() || !QDir::setCurrent(dir.path()))
            std::abort();
        kel = new KelInterface(QStringLiteral("127.0.0.1"));
    }
    int argc = 1;
    char name[7] = "recipe";
    char *argv[2] = {name, nullptr};
    QCoreApplication *app = nullptr;
    QTemporaryDir dir;
    KelInterface *kel = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Workspace ws;
    KelInterface &kel = *ws.kel;

    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    kel.setRecipe(Ptx::recipeFileLines(text));
    kel.ScanRecipe();

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
