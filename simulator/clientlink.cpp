#include "simulator/clientlink.h"

#include "simulator/replywriter.h"
#include "simulator/simoptions.h"

#include <QTcpSocket>

namespace PtxSim {

ClientLink::ClientLink(QTcpSocket *tcpSocket, const Options *options, QObject *parent)
    : QObject(parent), socket(tcpSocket), login(options),
      writer(new ReplyWriter(tcpSocket, &options->faults, this))
{
    socket->setParent(this);
    // Single-byte writes must leave one by one, not gathered by the TCP stack.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this, &ClientLink::readBytes);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!closing)
            emit gone();
    });
}

ClientLink::~ClientLink()
{
    // The socket goes first, so that its last signals find this object still whole.
    socket->disconnect(this);
    delete socket;
}

void ClientLink::start()
{
    writer->writeLoginFlood();
    writer->writeNow(login.start());
    if (socket->bytesAvailable() > 0)
        readBytes();
}

bool ClientLink::sendReply(const Packet &reply)
{
    if (closing)
        return false;
    return writer->send(encodePacket(reply));
}

void ClientLink::hangUp()
{
    if (closing)
        return;
    closing = true;
    writer->discard();
    socket->disconnectFromHost();
}

qint64 ClientLink::floodBytes() const
{
    return writer->floodBytes();
}

int ClientLink::halfFrames() const
{
    return writer->halfFrames();
}

bool ClientLink::isLoggedIn() const
{
    return login.step() == LoginSession::Step::Done;
}

void ClientLink::readBytes()
{
    const QByteArray bytes = socket->readAll();
    if (closing)
        return;
    if (isLoggedIn()) {
        takePackets(bytes);
        return;
    }
    QByteArray rest;
    const QByteArray answer = login.feed(bytes, &rest);
    writer->writeNow(answer);
    switch (login.step()) {
    case LoginSession::Step::Done:
        emit loggedIn();
        takePackets(rest);
        break;
    case LoginSession::Step::Refused:
        emit loginRefused();
        break;
    default:
        break;
    }
}

void ClientLink::takePackets(const QByteArray &bytes)
{
    framer.feed(bytes);
    Packet packet;
    while (!closing && framer.next(&packet)) {
        ++packetCount;
        emit packetArrived(packet);
    }
}

} // namespace PtxSim
