#include "simulator/simulator.h"

#include "simulator/clientlink.h"
#include "simulator/commandhandler.h"
#include "simulator/hardware.h"
#include "simulator/hardwareclock.h"
#include "simulator/packetlog.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace PtxSim {

Simulator::Simulator(const Options &options, QObject *parent)
    : QObject(parent), opts(options),
      clock(std::make_unique<HardwareClock>(options.timeScale)),
      hardware(std::make_unique<Hardware>(opts, *clock)),
      log(std::make_unique<PacketLog>()),
      handler(std::make_unique<CommandHandler>(*hardware))
{
    qRegisterMetaType<PtxSim::Packet>();
    opts.modules = hardware->modules();
}

Simulator::~Simulator()
{
    // The link reads the options and the server owns waiting sockets: both go before the
    // members they use.
    if (link) {
        disconnect(link, nullptr, this, nullptr);
        delete link;
        link = nullptr;
    }
    delete server;
}

bool Simulator::listen(const QHostAddress &addr, quint16 port)
{
    close();
    server = new QTcpServer(this);
    // One client at a time: later ones wait in the queue until the current one has gone.
    server->setMaxPendingConnections(1);
    connect(server, &QTcpServer::newConnection, this, &Simulator::takeNextClient);
    if (!server->listen(addr, port)) {
        lastError = server->errorString();
        delete server;
        server = nullptr;
        return false;
    }
    return true;
}

void Simulator::close()
{
    releaseClient(false);
    delete server;
    server = nullptr;
}

bool Simulator::isListening() const
{
    return server && server->isListening();
}

quint16 Simulator::serverPort() const
{
    return server ? server->serverPort() : 0;
}

QString Simulator::clientAddress() const
{
    QHostAddress host = server ? server->serverAddress() : QHostAddress(QHostAddress::LocalHost);
    if (host == QHostAddress::Any || host == QHostAddress::AnyIPv4 || host == QHostAddress::AnyIPv6)
        host = QHostAddress(QHostAddress::LocalHost);
    return QStringLiteral("%1:%2").arg(host.toString()).arg(serverPort());
}

QString Simulator::errorString() const
{
    return lastError;
}

bool Simulator::hasClient() const
{
    return link != nullptr;
}

bool Simulator::isLoggedIn() const
{
    return link && link->isLoggedIn();
}

void Simulator::dropClient()
{
    releaseClient(true);
}

const Options &Simulator::options() const
{
    return opts;
}

void Simulator::takeNextClient()
{
    while (!link && server && server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        link = new ClientLink(socket, &opts, this);
        connect(link, &ClientLink::packetArrived, this, &Simulator::onPacket);
        connect(link, &ClientLink::gone, this, [this] { releaseClient(true); });
        connect(link, &ClientLink::loggedIn, this, [this] {
            verboseLine(QStringLiteral("client logged in"));
            emit loggedIn();
        });
        connect(link, &ClientLink::loginRefused, this, [this] {
            verboseLine(QStringLiteral("log-in refused"));
            emit loginRefused();
            releaseClient(true);
        });
        verboseLine(QStringLiteral("client connected from %1:%2")
                        .arg(socket->peerAddress().toString()).arg(socket->peerPort()));
        if (link)
            link->start();
    }
}

void Simulator::releaseClient(bool announce)
{
    if (!link)
        return;
    ClientLink *old = link;
    disconnect(old, nullptr, this, nullptr);
    const LinkCounts last = currentCounts();
    endedCounts.malformed += last.malformed;
    endedCounts.floodBytes += last.floodBytes;
    endedCounts.halfFrames += last.halfFrames;
    link = nullptr;
    old->hangUp();
    old->deleteLater();
    if (announce) {
        verboseLine(QStringLiteral("client gone"));
        takeNextClient();
    }
}

void Simulator::onPacket(const Packet &packet)
{
    log->record(packet);
    verboseLine(QStringLiteral("rx ") + packet.describe());
    emit packetReceived(packet);
    if (!link)
        return;
    const int closeAfter = opts.faults.closeAfterPackets;
    if (closeAfter > 0 && link->packetsReceived() >= closeAfter) {
        verboseLine(QStringLiteral("closing after %1 packets").arg(closeAfter));
        releaseClient(true);
        return;
    }
    const std::optional<Packet> reply = handler->handle(packet);
    if (!reply) {
        verboseLine(QStringLiteral("   no answer: module %1 is not fitted").arg(packet.dev));
        return;
    }
    if (link->sendReply(*reply)) {
        log->recordReply();
        verboseLine(QStringLiteral("tx ") + reply->describe());
    } else {
        verboseLine(QStringLiteral("   reply dropped"));
    }
}

void Simulator::verboseLine(const QString &line) const
{
    if (opts.verbose)
        qInfo().noquote() << line;
}

// Faults.

Faults Simulator::faults() const { return opts.faults; }
void Simulator::setFaults(const Faults &f) { opts.faults = f; }
void Simulator::setDropFraction(double fraction) { opts.faults.dropFraction = fraction; }
void Simulator::setCoalesce(bool on) { opts.faults.coalesce = on; }
void Simulator::setCloseAfter(int packets) { opts.faults.closeAfterPackets = packets; }
void Simulator::setRefuseLogin(bool on) { opts.faults.refuseLogin = on; }

// Hardware time.

void Simulator::setTimeScale(double factor)
{
    clock->setScale(factor);
    opts.timeScale = clock->scale();
}

double Simulator::timeScale() const { return clock->scale(); }
void Simulator::setManualClock(bool on) { clock->setManual(on); }
void Simulator::advance(qint64 ms) { clock->advance(ms); }
qint64 Simulator::hardwareTimeMs() const { return clock->nowMs(); }

// Counters.

int Simulator::count(int dev, int cmd, int index) const { return log->count(dev, cmd, index); }
int Simulator::total() const { return log->total(); }
QList<Packet> Simulator::received() const { return log->packets(); }
int Simulator::repliesSent() const { return log->repliesSent(); }

Simulator::LinkCounts Simulator::currentCounts() const
{
    if (!link)
        return LinkCounts();
    return LinkCounts{link->malformedCount(), link->floodBytes(), link->halfFrames()};
}

int Simulator::malformed() const
{
    return int(endedCounts.malformed + currentCounts().malformed);
}

qint64 Simulator::floodBytesSent() const
{
    return endedCounts.floodBytes + currentCounts().floodBytes;
}

int Simulator::halfFramesSent() const
{
    return int(endedCounts.halfFrames + currentCounts().halfFrames);
}

void Simulator::resetCounters()
{
    log->reset();
    const LinkCounts now = currentCounts();
    endedCounts = LinkCounts{-now.malformed, -now.floodBytes, -now.halfFrames};
}

} // namespace PtxSim
