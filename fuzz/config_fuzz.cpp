// Fuzz target "config": any bytes as "config.xml" are read without harm and in little time,
// leave usable resolutions, and what the panel then writes reads back and settles after one
// rewrite.
#include "controller/kelinterface.h"
#include "fuzzworkspace.h"

#include <QFile>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

#ifdef PTX_FUZZING
// Any file up to the reader's 64 KiB cap is read far within this, however it is nested; the
// panel reads the file before its first screen. Run the fuzzer with -max_len=65536 so that
// inputs reach the cap. The seed corpus also runs as an ordinary test, untimed.
constexpr double ReadBudgetMs = 250.0;

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}
#endif

const QString ConfigName = QStringLiteral("config.xml");
const QString BadName = QStringLiteral("config.xml.bad");

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &name, const uint8_t *data, size_t size)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
}

bool usable(double resolution)
{
    return resolution != 0.0 && std::isfinite(resolution);
}

void checkResolutions(KelInterface &kel)
{
    if (!usable(kel.getXYRes()) || !usable(kel.getFocusRes()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkspace workspace("config");
    KelInterface &kel = workspace.kel();

    writeFile(ConfigName, data, size);
#ifdef PTX_FUZZING
    const double start = threadCpuMs();
    kel.readConfigData();
    if (threadCpuMs() - start > ReadBudgetMs)
        std::abort();
#else
    kel.readConfigData();
#endif
    checkResolutions(kel);

    // The panel must be able to read back every file it writes.
    kel.writeConfigData();
    QFile::remove(BadName);
    kel.readConfigData();
    if (QFile::exists(BadName))
        std::abort();
    checkResolutions(kel);

    // After one rewrite the file no longer changes.
    kel.writeConfigData();
    const QByteArray second = readFile(ConfigName);
    kel.readConfigData();
    kel.writeConfigData();
    if (readFile(ConfigName) != second)
        std::abort();
    return 0;
}
