// LocalBroker: mosquitto started on 127.0.0.1 with a configuration written for it.
#include "tools/localbroker.h"

#include "tools/eventwait.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

namespace Ptx {

namespace {
constexpr int StartMs = 10000;
constexpr int ProbeMs = 100;
constexpr int StartAttempts = 3;
} // namespace

LocalBroker::~LocalBroker()
{
    process.kill();
    process.waitForFinished();
}

// A free port may be taken by a client's connection before mosquitto binds it; then it
// stops at once, and another port is tried.
bool LocalBroker::start(const QStringList &settings)
{
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        if (startOnFreePort(settings))
            return true;
        process.kill();
        process.waitForFinished();
        qWarning("mosquitto did not listen on port %d (exit %d): %s", int(port), process.exitCode(),
                 process.readAllStandardError().constData());
    }
    return false;
}

bool LocalBroker::startOnFreePort(const QStringList &settings)
{
    QTcpServer free;
    free.listen(QHostAddress::LocalHost);
    port = free.serverPort();
    free.close();
    const QString conf = path(QStringLiteral("mosquitto.conf"));
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Started by root, mosquitto would read its files as the user "mosquitto", who cannot
    // enter this private folder.
    file.write(QStringLiteral("user root\nlistener %1 127.0.0.1\n%2\n").arg(port).arg(settings.join('\n')).toUtf8());
    file.close();
    process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf});
    return waitFor([this] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(ProbeMs) || process.state() == QProcess::NotRunning;
    }, StartMs) && process.state() == QProcess::Running;
}

QString LocalBroker::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

} // namespace Ptx
