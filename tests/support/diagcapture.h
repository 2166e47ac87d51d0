// DiagCapture: collects the diagnostic lines written while it lives, for tests to inspect.
#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class DiagCapture
{
public:
    DiagCapture() { previous = qInstallMessageHandler(&DiagCapture::handle); current() = this; }
    ~DiagCapture()
    {
        current() = nullptr;
        qInstallMessageHandler(previous);
    }
    DiagCapture(const DiagCapture &) = delete;
    DiagCapture &operator=(const DiagCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&mutex);
        return collected;
    }
    bool contains(const QString &part) const { return !lines().filter(part).isEmpty(); }

private:
    static DiagCapture *&current()
    {
        static DiagCapture *capture = nullptr;
        return capture;
    }
    static void handle(QtMsgType, const QMessageLogContext &, const QString &msg)
    {
        if (DiagCapture *c = current()) {
            QMutexLocker lock(&c->mutex);
            c->collected << msg;
        }
    }

    QtMessageHandler previous = nullptr;
    mutable QMutex mutex;
    QStringList collected;
};
