// Broker: a mosquitto broker of the test's own on a free loopback port, and its clients.
#pragma once

#include "controller/simrig.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

class Broker
{
public:
    ~Broker() { process.kill(); process.waitForFinished(); }

    // Starts mosquitto with these lines besides the listener; false when it does not listen.
    bool start(const QStringList &settings = {QStringLiteral("allow_anonymous true")})
    {
        QTcpServer free;
        free.listen(QHostAddress::LocalHost);
        port = free.serverPort();
        free.close();
        const QString conf = path(QStringLiteral("mosquitto.conf"));
        QFile file(conf);
        file.open(QIODevice::WriteOnly);
        // Started by root, mosquitto would read its files as the user "mosquitto", who cannot
        // enter the test's private folder.
        file.write(QStringLiteral("user root\nlistener %1 127.0.0.1\n%2\n").arg(port).arg(settings.join('\n')).toUtf8());
        file.close();
        process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf});
        return SimRig::waitFor([this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100);
        });
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }

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
        return run(QStringLiteral("mosquitto_sub"), subscription(topic) << QStringLiteral("-C")
                                                         << QStringLiteral("1") << QStringLiteral("-W")
                                                         << QStringLiteral("1"));
    }

    QStringList subscription(const QString &topic) const
    {
        return {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                QString::number(port), QStringLiteral("-v"), QStringLiteral("-t"), topic};
    }

    QTemporaryDir dir;
    QProcess process;
    quint16 port = 0;
};
