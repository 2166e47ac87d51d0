// Broker: the test's own mosquitto broker, and its command line clients.
#pragma once

#include "tools/localbroker.h"

class Broker : public Ptx::LocalBroker
{
public:
    // Runs a command line tool to its end and returns what it printed.
    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess tool;
        tool.start(program, arguments);
        tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    // The message the broker keeps for the topic, or "" when none comes within a second.
    QString retained(const QString &topic) const
    {
        return run(QStringLiteral("mosquitto_sub"), subscription(topic) << "-C" << "1" << "-W" << "1");
    }

    QStringList subscription(const QString &topic) const
    {
        return {"-h", "127.0.0.1", "-p", QString::number(port), "-v", "-t", topic};
    }
};
