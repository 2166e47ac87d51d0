// One client connection: log-in, then packets in and replies out through the fault switches.
#pragma once

#include "simulator/framing.h"
#include "simulator/loginsession.h"

#include <QObject>

class QTcpSocket;

namespace PtxSim {

struct Options;
class ReplyWriter;

class ClientLink : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of the socket. Options are read live (credentials, faults).
    ClientLink(QTcpSocket *socket, const Options *options, QObject *parent = nullptr);
    ~ClientLink() override;

    void start();                   // sends the log-in prompt
    bool sendReply(const Packet &reply);    // false when the drop switch swallowed it
    void hangUp();                  // closes the connection; no signal follows
    bool isLoggedIn() const;
    int packetsReceived() const { return packetCount; }
    int malformedCount() const { return framer.malformedCount(); }
    qint64 floodBytes() const;
    int halfFrames() const;

signals:
    void loggedIn();
    void loginRefused();
    void packetArrived(const PtxSim::Packet &packet);
    void gone();

private:
    void readBytes();
    void takePackets(const QByteArray &bytes);

    QTcpSocket *socket;
    LoginSession login;
    PacketFramer framer;
    ReplyWriter *writer;
    int packetCount = 0;
    bool closing = false;
};

} // namespace PtxSim
