// Writes replies to the client through the fault switches: drop, half frames, floods,
// garbage, delay, coalesce, split into single bytes.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

class QTcpSocket;

namespace PtxSim {

struct Faults;

// Noise bytes of every value, "#" and carriage returns among them, from a fixed sequence that
// `state` carries on from one call to the next.
QByteArray noiseBytes(int count, quint32 *state);

class ReplyWriter : public QObject
{
    Q_OBJECT

public:
    // The switches are read at every reply, so they can change while the client is connected.
    ReplyWriter(QTcpSocket *socket, const Faults *faults, QObject *parent = nullptr);

    // Returns false when the drop switch swallowed the reply.
    bool send(const QByteArray &reply);
    void writeNow(const QByteArray &bytes);     // log-in text: no faults
    void writeLoginFlood();                     // the log-in flood switch's text, if set
    void discard();                             // forgets every reply not yet written
    qint64 floodBytes() const { return floodCount; }    // junk written by the flood switches
    int halfFrames() const { return halfFrameCount; }   // replies cut in half

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
    quint32 noiseState = 1;
    qint64 floodCount = 0;
    int halfFrameCount = 0;
    std::deque<Delayed> delayed;
    QTimer delayTimer;
    QByteArray held;
    QTimer coalesceTimer;
    QByteArray splitQueue;
    QTimer splitTimer;
};

} // namespace PtxSim
