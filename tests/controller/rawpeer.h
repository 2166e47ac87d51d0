// A stand-in controller on loopback that sends the panel exactly the bytes a test gives it.
#pragma once

#include "simrig.h"

#include <QTcpServer>
#include <QTcpSocket>

// Takes one panel connection, logs it in, and writes given bytes to it.
class RawPeer
{
public:
    RawPeer() { server.listen(QHostAddress::LocalHost); }

    // Connects the panel and takes its connection; unless told to leave the log-in to the
    // test, takes the panel through it into packet mode.
    bool accept(KelInterface &kel, bool logIn = true)
    {
        if (!kel.openConnection(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()))
            || !Stepping::waitUntil([this] { return server.hasPendingConnections(); }))
            return false;
        socket = server.nextPendingConnection();
        send(logIn ? "Login:Password:ready\n" : "");
        return !logIn || Stepping::waitUntil([&] { return kel.receiveState() == KelInterface::ReceiveState::RxHunt; });
    }

    // Writes the bytes in pieces of `chunk` bytes (all at once for 0), each flushed and
    // given to the event loop before the next. Returns the number of pieces.
    int send(const QByteArray &bytes, int chunk = 0)
    {
        const qsizetype step = chunk > 0 ? chunk : qMax<qsizetype>(bytes.size(), 1);
        int pieces = 0;
        for (qsizetype at = 0; at < bytes.size(); at += step, ++pieces) {
            socket->write(bytes.mid(at, step));
            socket->flush();
            Stepping::waitUntil([this] { return socket->bytesToWrite() == 0; });
            Stepping::pump();
        }
        return pieces;
    }

    // What the panel has written so far.
    QByteArray received()
    {
        written += socket->readAll();
        return written;
    }

    // Hangs up once everything sent has gone out: the panel reads it all before it notices.
    void close() { socket->disconnectFromHost(); }

private:
    QByteArray written;
    QTcpServer server;
    QTcpSocket *socket = nullptr;
};
