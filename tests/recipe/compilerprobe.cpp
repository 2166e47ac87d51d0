#include "compilerprobe.h"

#include <QDir>

namespace {
QStringList collected;

void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    collected.append(message);
}
} // namespace

DiagnosticCollector::DiagnosticCollector()
    : previous(qInstallMessageHandler(collect))
{
    collected.clear();
}

DiagnosticCollector::~DiagnosticCollector()
{
    qInstallMessageHandler(previous);
}

QStringList DiagnosticCollector::lines() const
{
    return collected;
}

void DiagnosticCollector::clear()
{
    collected.clear();
}

CompilerFixture::CompilerFixture()
    : previousDir(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
    kel = std::make_unique<CompilerProbe>();
}

CompilerFixture::~CompilerFixture()
{
    kel.reset();
    QDir::setCurrent(previousDir);
}
