// Fuzz target "config": any bytes as "config.xml" are read without harm, leave usable
// resolutions, and what the panel then writes reads back and settles after one rewrite.
#include "controller/kelinterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

const QString ConfigName = QStringLiteral("config.xml");
const QString BadName = QStringLiteral("config.xml.bad");

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

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
    char name[7] = "config";
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

    writeFile(ConfigName, data, size);
    kel.readConfigData();
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
