// The link on its own: addresses, the receiver fed exact bytes by a stand-in controller, the
// command ring with its time-outs and halt, and impossible start-up speeds.
#include "controller/address.h"
#include "controller/packet.h"
#include "rawpeer.h"

#include <QSignalSpy>
#include <QtTest>

static QByteArray reply(uint dev, uint index, long value, uint dlen = 4)
{
    return Ptx::encodeCommandPacket(dev, Ptx::CmdRead + Ptx::ReplyOffset, index, dlen, value);
}

// A panel link whose work tick the test steps; without a connection nothing leaves, but
// the ring moves on as it would.
struct Panel {
    Panel()
    {
        kel.setTickPeriod(0);
        QObject::connect(&kel, &KelInterface::zPosChanged, [this](double microns) { z = microns; });
    }

    bool tickUntil(const std::function<bool()> &condition, int maxTicks)
    {
        return Stepping::stepUntil(condition, maxTicks, [this] { kel.tick(); });
    }

    // X, Y and Z in steps, as the panel last showed them.
    QList<long> positions()
    {
        const QPointF xy = kel.stagePositionXY() * kel.getXYRes();
        return {qRound(xy.x()), qRound(xy.y()), qRound(z / kel.getFocusRes())};
    }

    KelInterface kel{QStringLiteral("127.0.0.1:1")};
    double z = 0;
    QSignalSpy lines{&kel, &KelInterface::addDispLine};
};

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void address_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");     // "host port", empty when refused
        QTest::newRow("plain address uses port 23") << "192.168.1.20" << "192.168.1.20 23";
        QTest::newRow("highest port") << "ptx:65535" << "ptx 65535";
        QTest::newRow("IPv6 literal has no port") << "fe80::1" << "fe80::1 23";
        QTest::newRow("port zero") << "127.0.0.1:0" << "";
        QTest::newRow("port too big") << "127.0.0.1:65536" << "";
        QTest::newRow("port not a number") << "127.0.0.1:telnet" << "";
        QTest::newRow("no host") << ":23" << "";
    }

    void address()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        QString host;
        quint16 port = 0;
        const bool ok = Ptx::splitAddress(address, &host, &port);
        QCOMPARE(ok ? QStringLiteral("%1 %2").arg(host).arg(port) : QString(), expected);
    }

    void receiver_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<int>("chunk");               // bytes per write; 0: all in one
        QTest::addColumn<QList<long>>("positions");   // X, Y, Z afterwards; 77 where untouched
        QTest::addColumn<int>("dropped");             // frames given up; -1: any number
        const auto hex = [](const char *text) { return QByteArray::fromHex(text); };
        const QByteArray x = reply(1, 5, 111), y = reply(2, 5, -222), z = reply(3, 5, 333);
        const QList<long> onlyX{111, 77, 77};
        QTest::newRow("every byte its own read") << x + y + z << 1 << QList<long>{111, -222, 333} << 0;
        QTest::newRow("noise before and between") << "ab" + x + "\r\n" + y + "zz" + z << 0
                                                  << QList<long>{111, -222, 333} << 0;
        QTest::newRow("no data reads 0") << reply(3, 5, 9, 0) << 0 << QList<long>{77, 77, 0} << 0;
        QTest::newRow("three data bytes are not signed") << reply(2, 5, -2, 3) << 0
                                                         << QList<long>{77, 16777214, 77} << 0;
        QTest::newRow("five data bytes read 0") << hex("23 02 d4 00 05 00 05 00 01 02 03 04 05 0d") << 0
                                                << QList<long>{77, 0, 77} << 0;
        QTest::newRow("unknown device") << reply(9, 5, 1) + x << 0 << onlyX << 0;
        // Declared length 992 needs 1001 bytes: more than the buffer holds.
        QTest::newRow("declared length too long") << hex("23 02 d4 00 05 00 e0 03") + x << 0 << onlyX << 1;
        QTest::newRow("longest length that fits") << hex("23 02 d4 00 05 00 df 03") + QByteArray(991, 'a') + "\r" + x
                                                  << 0 << QList<long>{111, 0, 77} << 0;
        QTest::newRow("wrong terminator") << reply(2, 5, 9).replace(12, 1, "X") + x << 0 << onlyX << 1;
        // Each "#" inside a dropped packet starts a hunt of its own: here two headers declare
        // impossible lengths before the good packet is found.
        QTest::newRow("packet inside a dropped one") << hex("23 02 d4") + x.left(5) + hex("ff ff") + x << 0
                                                     << onlyX << 2;
        QTest::newRow("good packet hidden in bad data") << hex("23 09 d4 00 05 00 0d 00") + x + "x" << 0
                                                        << onlyX << 1;
        // Every "#" of a burst is given up at once; the reply right after it is held by a
        // false frame until the bytes that follow show that frame bad.
        const QByteArray burst = QByteArray(20000, '#') + x + QByteArray(300, 'z');
        QTest::newRow("burst of # in reads of a socket's size") << burst << 0 << onlyX << 20000;
        QTest::newRow("burst of # in odd reads") << burst << 7 << onlyX << 20000;
        QByteArray noise(200000, '\0');
        QRandomGenerator(17).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("noise in reads of a socket's size") << noise + x + QByteArray(1000, 'z') << Ptx::ReadChunk
                                                           << onlyX << -1;
    }

    void receiver()
    {
        QFETCH(QByteArray, read);
        QFETCH(int, chunk);
        QFETCH(QList<long>, positions);
        QFETCH(int, dropped);
        DiagCapture diag;
        RawPeer peer;
        Panel p;
        QVERIFY(peer.accept(p.kel));
        peer.send(reply(1, 5, 77) + reply(2, 5, 77) + reply(3, 5, 77));
        const int pieces = peer.send(read, chunk);
        peer.close();
        QVERIFY(Stepping::waitUntil([&] { return p.lines.contains({QStringLiteral("CONNECTION LOST!")}); }));
        QCOMPARE(p.positions(), positions);
        // At most one line per read tells how many frames it gave up; the panel reads at
        // most a chunk at a time.
        const QStringList lines = diag.lines().filter(QStringLiteral("dropped"));
        QVERIFY(lines.size() <= pieces + read.size() / Ptx::ReadChunk + 1);
        int total = 0;
        for (const QString &line : lines)
            total += line.section(QLatin1Char(' '), 2, 2).toInt();
        if (dropped >= 0)
            QCOMPARE(total, dropped);
    }

    void replyMatching()
    {
        DiagCapture diag;
        RawPeer peer;
        Panel p;
        QVERIFY(peer.accept(p.kel));
        long result = 0;
        const int read = p.kel.addCommand(1, 84, 5, 0, true, &result);
        const int text = p.kel.addWrapperCommand(32, QStringLiteral("calib\r"), true);
        // Not yet sent: a stray reply only updates the status.
        peer.send(reply(1, 5, 10));
        QVERIFY(Stepping::waitUntil([&] { return p.positions().first() == 10; }));
        QVERIFY(!p.kel.isCommandDone(read));
        p.kel.tick();
        // A reply with another index is not the one awaited.
        peer.send(reply(1, 200, 11) + reply(1, 5, 12));
        QVERIFY(Stepping::waitUntil([&] { return p.kel.isCommandDone(read); }));
        QCOMPARE(result, 12l);
        // While a text command waits, status replies do not get through.
        p.kel.tick();
        QVERIFY(p.kel.awaitingReply());
        QByteArray answer = Ptx::encodeTextPacket(32, QStringLiteral("OK"));
        answer[2] = char(Ptx::CmdTextReply);
        peer.send(reply(1, 5, 99) + answer);
        QVERIFY(Stepping::waitUntil([&] { return p.kel.isCommandDone(text); }));
        QCOMPARE(p.positions().first(), 12l);
        QVERIFY(!p.kel.awaitingReply());
        QVERIFY(!diag.contains(QStringLiteral("COMM ERROR")));
    }

    void login_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<uint>("state");
        QTest::addColumn<QByteArray>("answers");     // what the panel wrote back
        QTest::addColumn<bool>("failed");
        const QByteArray both("panel\nptx\n");
        QTest::newRow("prompt split") << QList<QByteArray>{"PTX Log", "in:", "Pass", "word:", "hi\n"} << 3u << both
                                      << false;
        QTest::newRow("wrong case") << QList<QByteArray>{"login:"} << 0u << QByteArray() << false;
        QTest::newRow("no line end yet") << QList<QByteArray>{"Login:", "Password:", "ready"} << 2u << both << false;
        // Each step of the log-in takes at most a buffer of text before its prompt.
        QTest::newRow("prompt ending at the limit") << QList<QByteArray>{QByteArray(994, 'w') + "Login:"} << 1u
                                                    << QByteArray("panel\n") << false;
        QTest::newRow("prompt one byte past the limit") << QList<QByteArray>{QByteArray(995, 'w') + "Login:"} << 0u
                                                        << QByteArray() << true;
        QTest::newRow("text flood before the prompt") << QList<QByteArray>{QByteArray(2500, 'w') + "Login:"} << 0u
                                                      << QByteArray() << true;
        QTest::newRow("greeting line flood")
            << QList<QByteArray>{"Login:", "Password:", QByteArray(600, 'g'), QByteArray(600, 'g') + "\n"} << 0u << both
            << true;
    }

    void login()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(uint, state);
        QFETCH(QByteArray, answers);
        QFETCH(bool, failed);
        DiagCapture diag;
        RawPeer peer;
        Panel p;
        QVERIFY(peer.accept(p.kel, false));
        for (const QByteArray &read : reads)
            peer.send(read);
        // Failing is immediate: no tick runs.
        QVERIFY(Stepping::waitUntil([&] {
            return peer.received() == answers && p.kel.receiveState() == state
                   && (!p.lines.isEmpty() && p.lines.last().at(0) == QStringLiteral("CONNECT FAILED!!!!")) == failed;
        }));
        QCOMPARE(diag.contains(QStringLiteral("without a prompt")), failed);
    }

    void ringAndPollRetry()
    {
        DiagCapture diag;
        RawPeer peer;
        Panel p;
        QVERIFY(peer.accept(p.kel));
        // No module answers the start-up; then X reports a position, which makes it fitted.
        QVERIFY(p.tickUntil([&] { return p.kel.currentInterfaceState() == KelInterface::InterfaceState::INT_NORMAL; }, 1000));
        peer.send(reply(1, 5, 0));
        const QStringList readX{QStringLiteral("1,84,5,0")};
        QVERIFY(p.tickUntil([&] { return p.kel.awaitingReply() && p.kel.pendingCommands() == readX; }, 50));
        // X's read is answered; before the poll queues its next read, a read whose reply
        // never comes and moves fill the ring, which then refuses with -2.
        peer.send(reply(1, 5, 0));
        QVERIFY(Stepping::waitUntil([&] { return !p.kel.awaitingReply(); }));
        QList<int> taken{p.kel.addCommand(3, 84, 5, 0, true)};
        for (int slot; (slot = p.kel.addCommand(1, 65, 0, taken.size(), false)) >= 0;)
            taken << slot;
        QCOMPARE(p.kel.addWrapperCommand(32, QStringLiteral("calib\r"), false), -2);
        // Polling whose read the ring refused tries again from where it stands: the busy
        // mask read due after X takes the first slot that frees, right behind the queue.
        QVERIFY(p.tickUntil([&] { return p.kel.isCommandDone(taken.last()); }, 2 * Ptx::CmdBufSize));
        QCOMPARE(p.kel.pendingCommands(), QStringList{QStringLiteral("32,84,63,0")});
    }

    void timeout_data()
    {
        QTest::addColumn<uint>("index");
        QTest::addColumn<bool>("afterSpeedRead");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("replyInLastTick");
        QTest::newRow("read position: 10 ticks") << 5u << false << 10 << false;
        QTest::newRow("read speed: 100 ticks") << 13u << false << 100 << false;
        // A reply after the last step before the time-out is in time: the step it triggers at
        // once must not count it as missing.
        QTest::newRow("reply in the last of 10 ticks") << 5u << false << 10 << true;
        QTest::newRow("reply in the last of 100 ticks") << 13u << false << 100 << true;
        // An answered speed read leaves the long time-out in force until a time-out ends it.
        QTest::newRow("read position after a speed read: 100 ticks") << 5u << true << 100 << false;
    }

    void timeout()
    {
        QFETCH(uint, index);
        QFETCH(bool, afterSpeedRead);
        QFETCH(int, ticks);
        QFETCH(bool, replyInLastTick);
        DiagCapture diag;
        RawPeer peer;
        Panel p;
        QVERIFY(peer.accept(p.kel));
        if (afterSpeedRead) {
            p.kel.addCommand(2, 84, 13, 0, true);
            p.kel.tick();
            peer.send(reply(2, 13, 0));
            QVERIFY(Stepping::waitUntil([&] { return !p.kel.awaitingReply(); }));
        }
        long result = 0;
        const int slot = p.kel.addCommand(2, 84, index, 7, true, &result);
        for (int i = 0; i < ticks; ++i) // the first tick sends
            p.kel.tick();
        QVERIFY(!p.kel.isCommandDone(slot));
        if (replyInLastTick)
            peer.send(reply(2, index, 77));
        else
            p.kel.tick();
        QVERIFY(Stepping::waitUntil([&] { return p.kel.isCommandDone(slot); }));
        QCOMPARE(result, replyInLastTick ? 77l : 0l);
        QCOMPARE(diag.lines().filter(QStringLiteral("COMM")), replyInLastTick ? QStringList()
                                               : QStringList{QStringLiteral("COMM ERROR 2,84,%1,7").arg(index)});
        // A position read then times out after 10 ticks, unless an answered speed read left
        // the long time-out in force.
        const int next = p.kel.addCommand(2, 84, 5, 7, true);
        for (int i = 0; i <= 10; ++i)
            p.kel.tick();
        QCOMPARE(p.kel.isCommandDone(next), !(replyInLastTick && index == 13u));
    }

    void haltWithdrawsQueue()
    {
        RawPeer peer;
        Panel p;
        QVERIFY(peer.accept(p.kel));
        long result = -1;
        QList<int> withdrawn{p.kel.addCommand(1, 84, 5, 0, true, &result)};
        p.kel.tick();
        for (int i = 0; i < 3; ++i)
            withdrawn << p.kel.addCommand(1, 65, 0, i, false);
        p.kel.haltAll();
        for (int slot : withdrawn)
            QVERIFY(p.kel.isCommandDone(slot));
        QCOMPARE(p.kel.pendingCommands(), QStringList{QStringLiteral("0,66,0,0")});
        QVERIFY(p.kel.waitForDone() && !p.kel.awaitingReply());
        // The reply to the withdrawn read, arriving late, only updates the status.
        peer.send(reply(1, 5, 321));
        QVERIFY(Stepping::waitUntil([&] { return p.positions().first() == 321; }));
        QCOMPARE(result, -1l);
    }

    void tickInsideTick()
    {
        Panel p;
        p.kel.addCommand(1, 65, 0, 1, false);
        p.kel.addCommand(1, 65, 0, 2, false);
        // The start-up announces itself during the tick; a nested event loop there delivers
        // another tick, which must do nothing: only one command goes out.
        connect(&p.kel, &KelInterface::addDispLine, &p.kel, [&p] { p.kel.tick(); });
        p.kel.tick();
        QCOMPARE(p.kel.pendingCommands(), QStringList{QStringLiteral("1,65,0,2")});
    }

    void impossibleStartupSpeed()
    {
        DiagCapture diag;
        Panel p;
        p.kel.setXYSpeed(qQNaN());
        p.kel.setFocusSpeed(3e9);
        QVERIFY(p.tickUntil([&] { return p.lines.contains({QStringLiteral("Setting Def SPeeds")}); }, 1000));
        QVERIFY(p.kel.pendingCommands().isEmpty());
        QCOMPARE(diag.lines().filter(QStringLiteral("cannot be sent")).size(), 2);
        // The start-up does not hang on speeds that were never queued.
        p.kel.tick();
        QVERIFY(p.kel.isConnected());
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
