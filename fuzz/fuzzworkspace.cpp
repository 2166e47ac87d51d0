// Set-up shared by the fuzz targets that drive a KelInterface.
#include "fuzzworkspace.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdlib>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

FuzzWorkspace::FuzzWorkspace(const char *programName)
    : name(programName)
{
    qInstallMessageHandler(quiet);
    argv[0] = name.data();
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        std::abort();
    interface = new KelInterface(QStringLiteral("127.0.0.1"));
}
