// A bare loopback client for the simulator tests: log-in and packets written by hand, so the
// simulator is checked against the wire format rather than against its own framing code.
#pragma once

#include "controller/protocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QTcpSocket>
#include <QTest>

namespace SimTest {

constexpr int WaitMs = 3000;

// One reply as it came off the wire.
struct Reply {
    int dev = -1;
    int cmd = -1;
    int index = -1;
    QByteArray data;

    qint32 value() const
    {
        quint32 v = 0;
        for (int i = 0; i < data.size() && i < 4; ++i)
            v |= quint32(quint8(data.at(i))) << (8 * i);
        return qint32(v);
    }
};

inline QByteArray le16(int v)
{
    QByteArray b;
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
    return b;
}

inline QByteArray packetBytes(int dev, int cmd, int index, qint32 data)
{
    QByteArray b("#");
    b.append(char(dev));
    b += le16(cmd) + le16(index) + le16(4);
    for (int i = 0; i < 4; ++i)
        b.append(char((quint32(data) >> (8 * i)) & 0xFF));
    b.append('\r');
    return b;
}

// A text command as the panel sends it: the text ends in a carriage return of its own.
inline QByteArray textBytes(int dev, const QByteArray &text)
{
    const QByteArray body = text + '\r';
    return "#" + QByteArray(1, char(dev)) + le16(9) + le16(0) + le16(int(body.size())) + body + '\r';
}

class RawClient
{
public:
    RawClient()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            const QByteArray bytes = socket.readAll();
            readSizes.append(int(bytes.size()));
            rx += bytes;
        });
    }

    bool connectTo(quint16 port)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; },
                               WaitMs);
    }

    bool waitText(const QByteArray &text, int ms = WaitMs)
    {
        return QTest::qWaitFor([&] { return rx.contains(text); }, ms);
    }

    // Answers both prompts and waits for the line feed that ends the greeting.
    bool login(const QByteArray &user = Ptx::LoginUser, const QByteArray &password = Ptx::LoginPassword)
    {
        if (!waitText("Login:"))
            return false;
        rx.clear();
        socket.write(user + '\n');
        if (!waitText("Password:"))
            return false;
        rx.clear();
        socket.write(password + '\n');
        if (!waitText("\n"))
            return false;
        greeting = rx;
        rx.clear();
        readSizes.clear();
        return true;
    }

    void send(int dev, int cmd, int index, qint32 data) { socket.write(packetBytes(dev, cmd, index, data)); }
    void sendText(int dev, const QByteArray &text) { socket.write(textBytes(dev, text)); }
    void sendRaw(const QByteArray &bytes) { socket.write(bytes); }

    // Takes the first complete reply out of the received bytes; bytes before "#" are skipped.
    bool takeReply(Reply *reply)
    {
        const int start = int(rx.indexOf('#'));
        if (start < 0 || rx.size() < start + 8)
            return false;
        const int len = quint8(rx.at(start + 6)) | (quint8(rx.at(start + 7)) << 8);
        if (rx.size() < start + 9 + len)
            return false;
        reply->dev = quint8(rx.at(start + 1));
        reply->cmd = quint8(rx.at(start + 2)) | (quint8(rx.at(start + 3)) << 8);
        reply->index = quint8(rx.at(start + 4)) | (quint8(rx.at(start + 5)) << 8);
        reply->data = rx.mid(start + 8, len);
        terminatorOk = rx.at(start + 8 + len) == '\r';
        skipped = rx.left(start);
        rx.remove(0, start + 9 + len);
        return true;
    }

    bool waitReply(Reply *reply, int ms = WaitMs)
    {
        return QTest::qWaitFor([&] { return takeReply(reply); }, ms);
    }

    // Sends a command and waits for its reply.
    Reply request(int dev, int cmd, int index, qint32 data = 0)
    {
        send(dev, cmd, index, data);
        Reply reply;
        waitReply(&reply);
        return reply;
    }

    qint32 read(int dev, int index, qint32 data = 0) { return request(dev, 84, index, data).value(); }

    QTcpSocket socket;
    QByteArray rx;
    QList<int> readSizes;
    QByteArray greeting;
    QByteArray skipped;         // bytes before the "#" of the last reply taken
    bool terminatorOk = false;  // the last reply taken ended in a carriage return
};

} // namespace SimTest
