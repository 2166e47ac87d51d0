// The simulated PTX4100 controller: a TCP server with log-in, packets, hardware model and faults.
#pragma once

#include "simulator/packet.h"
#include "simulator/simoptions.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <memory>

class QTcpServer;

namespace PtxSim {

class ClientLink;
class CommandHandler;
class Hardware;
class HardwareClock;
class PacketLog;

// Serves one panel at a time as the controller would. In the getters and setters wheels are
// numbered 1 and 2, shutters 1 to 3, and axes by their module (1 X, 2 Y, 3 Z).
class Simulator : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(const Options &options = Options(), QObject *parent = nullptr);
    ~Simulator() override;

    // Server. One client at a time: a second one waits until the first has gone.
    bool listen(const QHostAddress &addr = QHostAddress::LocalHost, quint16 port = 0);
    void close();
    bool isListening() const;
    quint16 serverPort() const;
    QString clientAddress() const;          // "127.0.0.1:<port>", as the panel accepts it
    QString errorString() const;
    bool hasClient() const;
    bool isLoggedIn() const;                // the current client has passed the log-in
    void dropClient();                      // hang up on the current client
    const Options &options() const;

    // Faults, live.
    Faults faults() const;
    void setFaults(const Faults &faults);
    void setDropFraction(double fraction);
    void setCoalesce(bool on);
    void setCloseAfter(int packets);
    void setRefuseLogin(bool on);

    // Hardware time.
    void setTimeScale(double factor);
    double timeScale() const;
    void setManualClock(bool on);           // hardware time moves only through advance()
    void advance(qint64 ms);
    qint64 hardwareTimeMs() const;

    // What was received.
    int count(int dev, int cmd, int index) const;
    int total() const;
    QList<Packet> received() const;
    int repliesSent() const;                // replies written (dropped ones excluded)
    int malformed() const;                  // frames thrown away (bad length or terminator)
    qint64 floodBytesSent() const;          // junk written by the flood switches
    int halfFramesSent() const;             // replies cut in half by the half-frames switch
    void resetCounters();

    // Modules.
    QList<int> modules() const;
    void setModules(const QList<int> &modules);
    bool modulePresent(int dev) const;
    quint32 busyMask() const;

    // Axes (dev 1, 2, 3), in steps and steps per second.
    qint32 axisPosition(int dev) const;
    void setAxisPosition(int dev, qint32 steps);   // also stops the axis
    qint32 axisTarget(int dev) const;
    bool axisMoving(int dev) const;
    qint32 axisSpeed(int dev) const;
    void setAxisSpeed(int dev, qint32 stepsPerSecond);
    qint32 centringSpeed(int dev) const;
    qint32 travelMin(int dev) const;
    qint32 travelMax(int dev) const;
    void setTravel(int dev, qint32 min, qint32 max);

    // Filter wheels (1, 2).
    int wheelPosition(int wheel) const;
    void setWheelPosition(int wheel, int position); // also stops the wheel
    bool wheelMoving(int wheel) const;
    int wheelSize(int wheel) const;

    // Shutters (1, 2, 3): state 0 closed, 1 open, 2 exposing.
    int shutterState(int shutter) const;
    void setShutterState(int shutter, int state);
    int exposureTime(int shutter) const;

signals:
    void loggedIn();
    void loginRefused();
    void packetReceived(const PtxSim::Packet &packet);

private:
    void takeNextClient();
    void releaseClient(bool announce);
    void onPacket(const Packet &packet);
    void verboseLine(const QString &line) const;

    Options opts;
    std::unique_ptr<HardwareClock> clock;
    std::unique_ptr<Hardware> hardware;
    std::unique_ptr<PacketLog> log;
    std::unique_ptr<CommandHandler> handler;
    QTcpServer *server = nullptr;
    ClientLink *link = nullptr;
    QString lastError;
    // What the link counts, summed over the connections that have ended (less what
    // resetCounters() took away), or for the current connection alone.
    struct LinkCounts {
        qint64 malformed = 0;
        qint64 floodBytes = 0;
        qint64 halfFrames = 0;
    };
    LinkCounts currentCounts() const;
    LinkCounts endedCounts;
};

} // namespace PtxSim
