// Writes replies to the client through the fault switches: drop, delay, garbage, coalesce,
// split into single bytes.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

class QTcpSocket;

namespace PtxSim {

struct Faults;

class ReplyWriter : public QObject
{
    Q_OBJECT

public:
    // The switches are read at every reply, so they can change while the client is connected.
    ReplyWriter(QTcpSocket *socket, const Faults *faults, QObject *parent = nullptr);

    // Returns false when the drop switch swallowed the reply.
    bool send(const QByteArray &reply);
    void writeNow(const QByteArray &bytes);     // log-in text: no faults
    void discard();                             // forgets every reply not yet written

    static constexpr int SplitGapMs = 1;           // pause between single-byte writes

private:
    bool dropThisOne();
    QByteArray garbage(int count);
    void releaseDue();
    void release(const QByteArray &reply);
    void releaseHeld();
    void emitBytes(const QByteArray &bytes);
    void writeNextByte();

    // A delayed reply and the wall-clock time at which it may leave.
    struct Delayed {
        qint64 dueMs;
        QByteArray bytes;
    };

    QTcpSocket *socket;
    const Faults *faults;
    QElapsedTimer wall;
    double dropCredit = 0.0;
    int garbageSeed = 0;
    std::deque<Delayed> delayed;
    QTimer delayTimer;
    QByteArray held;
    QTimer coalesceTimer;
    QByteArray splitQueue;
    QTimer splitTimer;
};

} // namespace PtxSim
