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

// Any file up to the reader's 64 KiB cap is read far within this, however it is nested
// (run the fuzzer with -max_len=65536); untimed when the seed corpus runs as a test.
[[maybe_unused]] constexpr std::clock_t ReadBudget = CLOCKS_PER_SEC / 4;

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
    [[maybe_unused]] const std::clock_t start = std::clock();
    kel.readConfigData();
#ifdef PTX_FUZZING
    if (std::clock() - start > ReadBudget)
        std::abort();
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
