// LocalBroker: a mosquitto broker of its own on a free loopback port, for the telemetry tests
// and benchmarks.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace Ptx {

class LocalBroker
{
public:
    ~LocalBroker();

    // Starts mosquitto with these lines besides the listener; false when it does not listen.
    bool start(const QStringList &settings = {QStringLiteral("allow_anonymous true")});
    QString address() const;
    // A file in the broker's own folder (its configuration, passwords, certificates).
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QProcess process;
    quint16 port = 0;

private:
    bool startOnFreePort(const QStringList &settings);
};

} // namespace Ptx
