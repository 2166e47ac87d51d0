// A bare loopback client and a simulator with a manual clock. Packets leave through the panel's
// encoder and replies are cut out of the byte stream here and read with the panel's decoder,
// so the simulator is checked against the wire format rather than against its own framing.
#pragma once

#include "controller/packet.h"
#include "controller/protocol.h"
#include "simulator/simulator.h"

#include <QTcpSocket>
#include <QTest>

namespace SimTest {

constexpr int WaitMs = 3000;

// One reply as it came off the wire.
struct Reply {
    Ptx::PacketHeader header;
    QByteArray data;
    bool terminated = false;    // ended in a carriage return

    qint32 value() const { return Ptx::decodeReplyValue(reinterpret_cast<const uchar *>(data.constData()), uint(data.size())); }
};

// A simulator on an ephemeral loopback port with one logged-in raw client.
class Rig
{
public:
    Rig()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { rx += socket.readAll(); });
        sim.setManualClock(true);
        if (!sim.listen())
            return;
        socket.connectToHost(QStringLiteral("127.0.0.1"), sim.serverPort());
        ok = answer("Login:", Ptx::LoginUser) && answer("Password:", Ptx::LoginPassword) && waitText("\n");
        rx.clear();
    }

    // Waits for a log-in prompt and answers it with a line.
    bool answer(const QByteArray &prompt, const QByteArray &line)
    {
        if (!waitText(prompt))
            return false;
        rx.clear();
        return socket.write(line + '\n') > 0;
    }

    bool waitText(const QByteArray &text) { return QTest::qWaitFor([&] { return rx.contains(text); }, WaitMs); }

    void send(int dev, int cmd, int index, qint32 data) { socket.write(Ptx::encodeCommandPacket(dev, cmd, index, 4, data)); }

    // Waits for the next complete reply; bytes before its "#" are skipped.
    Reply next()
    {
        Reply reply;
        const bool complete = QTest::qWaitFor([&] {
            const int start = int(rx.indexOf('#'));
            if (start < 0 || rx.size() < start + Ptx::HeaderSize)
                return false;
            reply.header = Ptx::decodeHeader(reinterpret_cast<const uchar *>(rx.constData() + start));
            const int end = start + Ptx::HeaderSize + int(reply.header.length);
            if (rx.size() <= end)
                return false;
            reply.data = rx.mid(start + Ptx::HeaderSize, int(reply.header.length));
            reply.terminated = rx.at(end) == '\r';
            rx.remove(0, end + 1);
            return true;
        }, WaitMs);
        return complete ? reply : Reply();
    }

    Reply request(int dev, int cmd, int index, qint32 data = 0)
    {
        send(dev, cmd, index, data);
        return next();
    }

    qint32 read(int dev, int index, qint32 data = 0) { return request(dev, Ptx::CmdRead, index, data).value(); }

    PtxSim::Simulator sim;
    QTcpSocket socket;
    QByteArray rx;
    bool ok = false;
};

} // namespace SimTest
