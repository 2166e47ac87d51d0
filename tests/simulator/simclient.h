// A bare loopback client and a simulator with a manual clock. Packets leave through the panel's
// encoder and replies are taken apart by hand, so the simulator is checked against the wire
// format rather than against its own framing code.
#pragma once

#include "controller/packet.h"
#include "controller/protocol.h"
#include "simulator/simulator.h"

#include <QByteArray>
#include <QList>
#include <QTcpSocket>
#include <QTest>

#include <memory>

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

inline QByteArray packetBytes(int dev, int cmd, int index, qint32 data)
{
    return Ptx::encodeCommandPacket(dev, cmd, index, 4, data);
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

    bool waitText(const QByteArray &text) { return QTest::qWaitFor([&] { return rx.contains(text); }, WaitMs); }

    bool waitClosed()
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; },
                               WaitMs);
    }

    // Answers the user prompt, then the password prompt with `afterUser` (the password line
    // and whatever follows it in the same write).
    bool answerPrompts(const QByteArray &user, const QByteArray &afterUser)
    {
        if (!waitText("Login:"))
            return false;
        rx.clear();
        socket.write(user + '\n');
        if (!waitText("Password:"))
            return false;
        rx.clear();
        socket.write(afterUser);
        return true;
    }

    // Logs in and waits for the line feed that ends the greeting.
    bool login()
    {
        if (!answerPrompts(Ptx::LoginUser, QByteArray(Ptx::LoginPassword) + '\n') || !waitText("\n"))
            return false;
        rx.clear();
        readSizes.clear();
        return true;
    }

    void send(int dev, int cmd, int index, qint32 data) { socket.write(packetBytes(dev, cmd, index, data)); }
    // A text command as the panel sends it: the text ends in a carriage return of its own.
    void sendText(int dev, const QByteArray &text)
    {
        socket.write(Ptx::encodeTextPacket(dev, QString::fromLatin1(text + '\r')));
    }

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

    bool waitReply(Reply *reply) { return QTest::qWaitFor([&] { return takeReply(reply); }, WaitMs); }

    // The device of the next reply, or -1 when none comes.
    int nextDev()
    {
        Reply reply;
        return waitReply(&reply) ? reply.dev : -1;
    }

    // Sends a command and waits for its reply.
    Reply request(int dev, int cmd, int index, qint32 data = 0)
    {
        send(dev, cmd, index, data);
        Reply reply;
        waitReply(&reply);
        return reply;
    }

    qint32 read(int dev, int index, qint32 data = 0) { return request(dev, Ptx::CmdRead, index, data).value(); }

    QTcpSocket socket;
    QByteArray rx;
    QList<int> readSizes;
    QByteArray skipped;         // bytes before the "#" of the last reply taken
    bool terminatorOk = false;  // the last reply taken ended in a carriage return
};

// True when nothing arrives within `ms` (the simulator never answers, for example).
inline bool staysQuiet(RawClient &client, int ms = 150)
{
    QTest::qWait(ms);
    return client.rx.isEmpty();
}

// A simulator on an ephemeral loopback port with one logged-in raw client and a manual clock.
struct Rig {
    explicit Rig(const PtxSim::Options &options = PtxSim::Options())
        : sim(std::make_unique<PtxSim::Simulator>(options))
    {
        sim->setManualClock(true);
        ok = sim->listen() && client.connectTo(sim->serverPort()) && client.login();
    }

    // A rig whose simulator has only these modules fitted.
    static PtxSim::Options withModules(const QList<int> &modules)
    {
        PtxSim::Options options;
        options.modules = modules;
        return options;
    }

    std::unique_ptr<PtxSim::Simulator> sim;
    RawClient client;
    bool ok = false;
};

} // namespace SimTest
