// The link without a connection: packet formats, reply decoding, addresses, the receive state
// machine fed byte by byte, the command ring and its time-outs, halt, polling and start-up speeds.
#include "controller/address.h"
#include "controller/packet.h"
#include "linkprobe.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandPacket_data();
    void commandPacket();
    void textPacket();
    void replyValue_data();
    void replyValue();
    void address_data();
    void address();
    void packetsInOneRead_data();
    void packetsInOneRead();
    void splitAtEveryByte();
    void resynchronises_data();
    void resynchronises();
    void statusReplies_data();
    void statusReplies();
    void shutterReply();
    void textReplyAtTail();
    void replyMatchesOnlyAnAwaitedEntry();
    void loginPrompts_data();
    void loginPrompts();
    void longGreetingIsCut();

    void ringRefusals();
    void wrapsAt4999();
    void timeout_data();
    void timeout();
    void longTimeoutIsSticky();
    void haltPreemptsQueue();
    void lateReplyForWithdrawnEntry();
    void indexNamingNoEntry_data();
    void indexNamingNoEntry();
    void tickInsideTick();
    void pollOrder_data();
    void pollOrder();
    void pollRetriesRefusedRead();
    void impossibleStartupSpeed_data();
    void impossibleStartupSpeed();

private:
    QTemporaryDir dir;
};

void TestLink::initTestCase()
{
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
}

static QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}

static QByteArray reply(uint dev, uint index, long value, uint cmd = Ptx::CmdRead)
{
    return Ptx::encodeCommandPacket(dev, cmd + Ptx::ReplyOffset, index, 4, value);
}

void TestLink::commandPacket_data()
{
    QTest::addColumn<QList<uint>>("fields");   // dev, cmd, index, data length
    QTest::addColumn<qlonglong>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("move X four bytes") << QList<uint>{1, 65, 0, 4} << 12345ll
        << bytes({0x23, 1, 65, 0, 0, 0, 4, 0, 0x39, 0x30, 0, 0, 0x0D});
    QTest::newRow("negative distance") << QList<uint>{2, 65, 6, 4} << -2ll
        << bytes({0x23, 2, 65, 0, 6, 0, 4, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x0D});
    QTest::newRow("shutter index above a byte") << QList<uint>{17, 84, 258, 4} << 6553600ll
        << bytes({0x23, 17, 84, 0, 2, 1, 4, 0, 0, 0, 100, 0, 0x0D});
    QTest::newRow("no data") << QList<uint>{0, 66, 0, 0} << 99ll
        << bytes({0x23, 0, 66, 0, 0, 0, 0, 0, 0x0D});
    QTest::newRow("two data bytes") << QList<uint>{3, 83, 13, 2} << 0x123456ll
        << bytes({0x23, 3, 83, 0, 13, 0, 2, 0, 0x56, 0x34, 0x0D});
    QTest::newRow("length above four carries no data") << QList<uint>{1, 84, 5, 7} << 1ll
        << bytes({0x23, 1, 84, 0, 5, 0, 7, 0, 0x0D});
}

void TestLink::commandPacket()
{
    QFETCH(QList<uint>, fields);
    QFETCH(qlonglong, data);
    QFETCH(QByteArray, expected);
    QCOMPARE(Ptx::encodeCommandPacket(fields[0], fields[1], fields[2], fields[3], long(data)), expected);
}

void TestLink::textPacket()
{
    QCOMPARE(Ptx::encodeTextPacket(32, QStringLiteral("calib\r")),
             bytes({0x23, 32, 9, 0, 0, 0, 6, 0, 'c', 'a', 'l', 'i', 'b', 0x0D, 0x0D}));
}

void TestLink::replyValue_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("expected");
    QTest::newRow("four bytes are signed") << bytes({0xFE, 0xFF, 0xFF, 0xFF}) << -2;
    QTest::newRow("three bytes are not") << bytes({0xFE, 0xFF, 0xFF}) << 16777214;
    QTest::newRow("two bytes little-endian") << bytes({0x34, 0x12}) << 0x1234;
    QTest::newRow("five bytes give zero") << bytes({1, 2, 3, 4, 5}) << 0;
}

void TestLink::replyValue()
{
    QFETCH(QByteArray, data);
    QFETCH(int, expected);
    QCOMPARE(Ptx::decodeReplyValue(reinterpret_cast<const unsigned char *>(data.constData()),
                                   static_cast<unsigned int>(data.size())),
             expected);
}

void TestLink::address_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");     // "host port", empty when refused
    QTest::newRow("plain address uses port 23") << "192.168.1.20" << "192.168.1.20 23";
    QTest::newRow("name and port") << "ptx:10023" << "ptx 10023";
    QTest::newRow("port zero") << "127.0.0.1:0" << "";
    QTest::newRow("port too big") << "127.0.0.1:65536" << "";
    QTest::newRow("port not a number") << "127.0.0.1:telnet" << "";
    QTest::newRow("no host") << ":23" << "";
}

void TestLink::address()
{
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QString host;
    quint16 port = 0;
    const bool ok = Ptx::splitAddress(address, &host, &port);
    QCOMPARE(ok ? QStringLiteral("%1 %2").arg(host).arg(port) : QString(), expected);
}

void TestLink::packetsInOneRead_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QList<long>>("positions");
    const QByteArray x = reply(1, 5, 111);
    const QByteArray y = reply(2, 5, -222);
    const QByteArray z = reply(3, 5, 333);
    QTest::newRow("three packets") << x + y + z << QList<long>{111, -222, 333};
    QTest::newRow("noise before and between packets") << "ab" + x + "\r\n" + y + "zz" + z
                                                      << QList<long>{111, -222, 333};
    QTest::newRow("zero-length reply between")
        << x + Ptx::encodeCommandPacket(3, Ptx::CmdRead + Ptx::ReplyOffset, 5, 0, 0) + y
        << QList<long>{111, -222, 0};
}

void TestLink::packetsInOneRead()
{
    QFETCH(QByteArray, read);
    QFETCH(QList<long>, positions);
    LinkProbe probe;
    probe.enterPacketMode();
    probe.zpos = 77;
    probe.receiveBytes(read);
    QCOMPARE((QList<long>{probe.xpos, probe.ypos, probe.zpos}), positions);
}

void TestLink::splitAtEveryByte()
{
    LinkProbe probe;
    probe.enterPacketMode();
    for (char c : "xx" + reply(1, 5, 4242) + reply(2, 5, -7))
        probe.receiveBytes(QByteArray(1, c));
    QCOMPARE(probe.xpos, 4242l);
    QCOMPARE(probe.ypos, -7l);
}

void TestLink::resynchronises_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<int>("dropped");
    const QByteArray good = reply(1, 5, 555);
    // Declared length 992 needs 1001 bytes: more than the buffer holds.
    QTest::newRow("declared length too long")
        << bytes({0x23, 2, 0xD4, 0, 5, 0, 0xE0, 0x03}) + good << 1;
    QTest::newRow("longest length that fits")
        << bytes({0x23, 2, 0xD4, 0, 5, 0, 0xDF, 0x03}) + QByteArray(991, 'a') + "\r" + good << 0;
    QTest::newRow("wrong terminator") << reply(2, 5, 9).replace(12, 1, "X") + good << 1;
    // Each "#" inside a dropped packet starts a hunt of its own: here two headers declare
    // impossible lengths before the good packet is found.
    QTest::newRow("packet inside a dropped one")
        << bytes({0x23, 2, 0xD4}) + good.left(5) + bytes({0xFF, 0xFF}) + good << 2;
    QTest::newRow("good packet hidden in bad data")
        << bytes({0x23, 9, 0xD4, 0, 5, 0, 13, 0}) + good + "x" << 1;
}

void TestLink::resynchronises()
{
    QFETCH(QByteArray, read);
    QFETCH(int, dropped);
    DiagCapture diag;
    LinkProbe probe;
    probe.enterPacketMode();
    probe.receiveBytes(read);
    QCOMPARE(probe.xpos, 555l);
    QCOMPARE(countLines(diag, QStringLiteral("Packet dropped")), dropped);
}

void TestLink::statusReplies_data()
{
    QTest::addColumn<QList<uint>>("packet");    // dev, index, cmd
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("busySignals");
    QTest::newRow("X position") << QList<uint>{1, 5, 84} << true << 0;
    QTest::newRow("wheel 1 size") << QList<uint>{17, 200, 84} << true << 0;
    QTest::newRow("busy mask") << QList<uint>{32, 63, 84} << false << 1;
    QTest::newRow("reply to a write") << QList<uint>{1, 13, 83} << false << 0;
    QTest::newRow("unknown device") << QList<uint>{9, 5, 84} << false << 0;
}

void TestLink::statusReplies()
{
    QFETCH(QList<uint>, packet);
    QFETCH(bool, present);
    QFETCH(int, busySignals);
    LinkProbe probe;
    probe.enterPacketMode();
    QSignalSpy busy(&probe, &KelInterface::busyChanged);
    QSignalSpy modules(&probe, &KelInterface::modulesPresentChanged);
    probe.receiveBytes(reply(packet[0], packet[1], 6, packet[2]));
    QCOMPARE(probe.getModPresent(packet[0]), present);
    QCOMPARE(busy.count(), busySignals);
    QCOMPARE(probe.mbusy, busySignals ? 6u : 0u);
    // The presence signal follows every write of the bit, also one that changes nothing.
    probe.receiveBytes(reply(packet[0], packet[1], 6, packet[2]));
    QCOMPARE(modules.count(), present ? 2 : 0);
}

void TestLink::shutterReply()
{
    LinkProbe probe;
    probe.enterPacketMode();
    QSignalSpy spy(&probe, &KelInterface::fwShutChanged);
    probe.receiveBytes(reply(17, 258, (101 << 16) + 1));
    QCOMPARE(spy.count(), 1);
    const QList<QVariant> states = spy.at(0);
    QCOMPARE((QList<long>{states[0].value<long>(), states[1].value<long>(), states[2].value<long>()}),
             (QList<long>{0, 1, 0}));
}

void TestLink::textReplyAtTail()
{
    LinkProbe probe;
    probe.enterPacketMode();
    const int slot = probe.addWrapperCommand(32, QStringLiteral("calib\r"), true);
    probe.processCommand();
    // Status replies do not get through while the text command waits.
    probe.receiveBytes(reply(1, 5, 99));
    QCOMPARE(probe.xpos, 0l);
    QVERIFY(!probe.commandBuffer[slot].done);
    QByteArray text = Ptx::encodeTextPacket(32, QStringLiteral("OK"));
    text[2] = char(Ptx::CmdTextReply);
    probe.receiveBytes(text);
    QVERIFY(probe.commandBuffer[slot].done);
    QVERIFY(!probe.commandBuffer[slot].error);
    QCOMPARE(probe.commandBuffer[slot].wcmd, QStringLiteral("OK\r"));
}

void TestLink::replyMatchesOnlyAnAwaitedEntry()
{
    LinkProbe probe;
    probe.enterPacketMode();
    long result = 0;
    const int slot = probe.addCommand(1, 84, 5, 0, true, &result);
    // Not yet sent: a stray reply only updates the status.
    probe.receiveBytes(reply(1, 5, 10));
    QVERIFY(!probe.commandBuffer[slot].done);
    QCOMPARE(probe.xpos, 10l);
    probe.processCommand();
    // Wrong index, then the right one.
    probe.receiveBytes(reply(1, 200, 11));
    QVERIFY(!probe.commandBuffer[slot].done);
    probe.receiveBytes(reply(1, 5, 12));
    QVERIFY(probe.commandBuffer[slot].done);
    QCOMPARE(result, 12l);
}

void TestLink::loginPrompts_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<uint>("state");
    QTest::newRow("prompt split") << QList<QByteArray>{"PTX Log", "in:", "Pass", "word:", "hi\n"}
                                  << 3u;
    QTest::newRow("all in one read") << QList<QByteArray>{"Login: Password: ready\r\n"} << 3u;
    QTest::newRow("wrong case") << QList<QByteArray>{"login:"} << 0u;
    QTest::newRow("no line end yet") << QList<QByteArray>{"Login:", "Password:", "ready"} << 2u;
}

void TestLink::loginPrompts()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(uint, state);
    LinkProbe probe;
    for (const QByteArray &read : reads)
        probe.receiveBytes(read);
    QCOMPARE(probe.connectionState, state);
    QCOMPARE(probe.timer->isActive(), state == 3u);
    probe.timer->stop();
}

void TestLink::longGreetingIsCut()
{
    DiagCapture diag;
    LinkProbe probe;
    probe.receiveBytes(QByteArray(2500, 'w') + "Login:");
    QCOMPARE(probe.connectionState, 1u);
    QVERIFY(diag.contains(QStringLiteral("Log-in text over")));
    // A prompt cut in two by the limit is still seen.
    LinkProbe straddle;
    straddle.receiveBytes(QByteArray(995, 'w') + "Login:");
    QCOMPARE(straddle.connectionState, 1u);
}

void TestLink::ringRefusals()
{
    LinkProbe probe;
    // A slot still in use refuses with -3; a full ring (4999 entries queued) with -2.
    probe.commandBuffer[1].done = false;
    QCOMPARE(probe.addCommand(1, 65, 0, 0, false), -3);
    probe.commandBuffer[1].done = true;
    for (int i = 0; i < Ptx::CmdBufSize - 1; ++i)
        QCOMPARE(probe.addCommand(1, 65, 0, i, false), i);
    QCOMPARE(probe.addCommand(1, 65, 0, 0, false), -2);
    QCOMPARE(probe.addWrapperCommand(32, QStringLiteral("calib\r"), false), -2);
}

void TestLink::wrapsAt4999()
{
    LinkProbe probe;
    probe.cmdBufHead = probe.cmdBufTail = 4998;
    QCOMPARE(probe.addCommand(1, 65, 0, 1, false), 4998);
    QCOMPARE(probe.addCommand(1, 65, 0, 2, false), 4999);
    QCOMPARE(probe.addCommand(1, 65, 0, 3, false), 0);
    QCOMPARE(probe.cmdBufHead, 1u);
    probe.processCommand();
    probe.processCommand();
    QCOMPARE(probe.cmdBufTail, 0u);
    probe.processCommand();
    QCOMPARE(probe.cmdBufTail, 1u);
    QVERIFY(probe.commandBuffer[0].done);
}

void TestLink::timeout_data()
{
    QTest::addColumn<uint>("index");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<bool>("replyInLastTick");
    QTest::newRow("read position: 10 ticks") << 5u << 10 << false;
    QTest::newRow("read speed: 100 ticks") << 13u << 100 << false;
    // A reply after the last step before the time-out is in time: the step it triggers at
    // once must not count it as missing.
    QTest::newRow("reply in the last of 10 ticks") << 5u << 10 << true;
    QTest::newRow("reply in the last of 100 ticks") << 13u << 100 << true;
}

void TestLink::timeout()
{
    QFETCH(uint, index);
    QFETCH(int, ticks);
    QFETCH(bool, replyInLastTick);
    DiagCapture diag;
    LinkProbe probe;
    probe.enterPacketMode();
    const int slot = probe.addCommand(2, 84, index, 7, true);
    for (int i = 0; i < ticks; ++i) // the first step sends
        probe.processCommand();
    QVERIFY(!probe.commandBuffer[slot].done);
    if (replyInLastTick)
        probe.receiveBytes(probe.replyToTail(77));
    else
        probe.processCommand();
    QVERIFY(probe.commandBuffer[slot].done);
    QCOMPARE(probe.commandBuffer[slot].error, !replyInLastTick);
    QCOMPARE(probe.commandBuffer[slot].retVal, replyInLastTick ? 77l : 0l);
    QCOMPARE(probe.cmdBufTail, 1u);
    QCOMPARE(probe.cmdBufState, 0u);
    QCOMPARE(probe.longWaitForResp, replyInLastTick && index == 13u);
    QCOMPARE(diag.lines(), replyInLastTick ? QStringList()
                                           : QStringList{QStringLiteral("COMM ERROR 2,84,%1,7").arg(index)});
}

// Counts the steps until the entry at slot times out.
static int ticksToTimeout(LinkProbe &probe, int slot)
{
    int ticks = 0;
    while (!probe.commandBuffer[slot].done && ticks < 1000) {
        probe.processCommand();
        ++ticks;
    }
    return ticks - 1; // the first step sends
}

void TestLink::longTimeoutIsSticky()
{
    DiagCapture diag;
    LinkProbe probe;
    probe.enterPacketMode();
    probe.addCommand(2, 84, 13, 0, true);
    probe.processCommand();
    probe.receiveBytes(probe.replyToTail(0));
    // A successful reply leaves the long time-out in force for the next command...
    QCOMPARE(ticksToTimeout(probe, probe.addCommand(1, 84, 5, 0, true)), 100);
    // ...and the time-out ends it.
    QCOMPARE(ticksToTimeout(probe, probe.addCommand(1, 84, 5, 0, true)), 10);
}

void TestLink::haltPreemptsQueue()
{
    LinkProbe probe;
    QList<int> withdrawn{probe.addCommand(32, 84, 63, 0, true)};
    probe.processCommand();
    for (int i = 0; i < 3; ++i)
        withdrawn << probe.addCommand(1, 65, 0, i, false);
    probe.haltAll();
    for (int slot : withdrawn)
        QVERIFY(probe.commandBuffer[slot].done && probe.commandBuffer[slot].error);
    QCOMPARE(probe.queued(), QStringList{QStringLiteral("0,66,0")});
    probe.processCommand();
    QVERIFY(probe.waitForDone());
}

void TestLink::lateReplyForWithdrawnEntry()
{
    LinkProbe probe;
    probe.enterPacketMode();
    long result = -1;
    const int slot = probe.addCommand(1, 84, 5, 0, true, &result);
    probe.processCommand();
    const QByteArray late = probe.replyToTail(321);
    probe.haltAll();
    probe.receiveBytes(late);
    QCOMPARE(result, -1l);
    QCOMPARE(probe.commandBuffer[slot].retVal, 0l);
    QCOMPARE(probe.xpos, 321l);
}

void TestLink::indexNamingNoEntry_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("ring full") << -2;
    QTest::newRow("slot in use") << -3;
    QTest::newRow("not queued") << int(Ptx::NotQueued);
    QTest::newRow("past the end") << Ptx::CmdBufSize;
}

void TestLink::indexNamingNoEntry()
{
    QFETCH(int, index);
    LinkProbe probe;
    // A state machine waiting on an index that names no entry moves on.
    probe.interfaceState = KelInterface::INT_NORMAL;
    probe.interfaceSubState = 2;
    probe.commandBuffer[0].done = false;
    QVERIFY(probe.cmdDone(index));
    probe.stateNormal();
    QCOMPARE(probe.interfaceSubState, 2u);
}

void TestLink::tickInsideTick()
{
    LinkProbe probe;
    probe.addCommand(1, 65, 0, 1, false);
    probe.addCommand(1, 65, 0, 2, false);
    // A nested event loop inside the tick delivers another timeout: it must do nothing.
    int nested = 0;
    connect(&probe, &KelInterface::addDispLine, &probe, [&probe, &nested]() {
        ++nested;
        probe.onTimer();
    });
    probe.onTimer(); // start-up announces itself during this tick
    QCOMPARE(nested, 1);
    QCOMPARE(probe.cmdBufTail, 1u);
}

void TestLink::pollOrder_data()
{
    QTest::addColumn<QList<uint>>("modules");
    QTest::addColumn<QStringList>("order");
    const QString busy = QStringLiteral("32,84,63");
    const QString x = QStringLiteral("1,84,5"), y = QStringLiteral("2,84,5"),
                  z = QStringLiteral("3,84,5");
    const QStringList wheels{QStringLiteral("17,84,5"), QStringLiteral("27,84,5"),
                             QStringLiteral("17,84,258"), QStringLiteral("17,84,258"),
                             QStringLiteral("17,84,258")};
    QTest::newRow("everything") << QList<uint>{1, 2, 3, 17, 27}
                                << (QStringList{busy} + wheels + QStringList{x, y, z});
    QTest::newRow("Y and Z") << QList<uint>{2, 3} << QStringList{busy, y, z};
    QTest::newRow("X only") << QList<uint>{1} << QStringList{busy, x};
    QTest::newRow("wheel 2 without 17") << QList<uint>{27, 2} << QStringList{busy, y};
    QTest::newRow("wheels only") << QList<uint>{17} << (QStringList{busy} + wheels);
    QTest::newRow("nothing") << QList<uint>{} << QStringList{busy};
}

void TestLink::pollOrder()
{
    QFETCH(QList<uint>, modules);
    QFETCH(QStringList, order);
    LinkProbe probe;
    probe.enterPacketMode();
    for (uint m : modules)
        probe.modulespresent |= 1u << m;
    probe.interfaceState = KelInterface::INT_NORMAL;
    probe.nextInterfaceState = KelInterface::INT_NORMAL;
    QStringList sent;
    QList<long> shutterData;
    // Every read is answered as soon as it is out; the first two cycles are checked.
    for (int tick = 0; tick < 100; ++tick) {
        probe.onTimer();
        if (probe.cmdBufState == 2) {
            sent << probe.queued().first();
            if (probe.commandBuffer[probe.cmdBufTail].index == 258)
                shutterData << probe.commandBuffer[probe.cmdBufTail].data;
            probe.receiveBytes(probe.replyToTail(0));
        }
    }
    QCOMPARE(sent.mid(0, 2 * order.size()), order + order);
    if (modules.contains(17u))
        QCOMPARE(shutterData.mid(0, 3), (QList<long>{100l << 16, 101l << 16, 102l << 16}));
}

void TestLink::pollRetriesRefusedRead()
{
    LinkProbe probe;
    probe.modulespresent = 1u << 1;
    probe.interfaceState = KelInterface::INT_NORMAL;
    probe.interfaceSubState = 1;
    // A ring that refuses the busy-mask read leaves the cycle where it is, to retry.
    probe.commandBuffer[0].done = false;
    probe.cmdBufHead = Ptx::CmdBufSize - 1;
    probe.stateNormal();
    QCOMPARE(probe.interfaceSubState, 1u);
    probe.commandBuffer[0].done = true;
    probe.cmdBufHead = 0;
    probe.stateNormal();
    QCOMPARE(probe.interfaceSubState, 2u);
    QCOMPARE(probe.queued(), QStringList{QStringLiteral("32,84,63")});
}

void TestLink::impossibleStartupSpeed_data()
{
    QTest::addColumn<double>("speedXY");
    QTest::addColumn<double>("speedZ");
    QTest::addColumn<QStringList>("queued");
    QTest::addColumn<int>("diagnostics");
    const QString x = QStringLiteral("1,83,13"), y = QStringLiteral("2,83,13"),
                  z = QStringLiteral("3,83,13");
    QTest::newRow("both fine") << 5.0 << 25000.0 << QStringList{x, y, z} << 0;
    QTest::newRow("stage not finite") << qQNaN() << 25000.0 << QStringList{z} << 1;
    QTest::newRow("focus infinite") << 5.0 << qInf() << QStringList{x, y} << 1;
    QTest::newRow("neither fits") << -1e12 << 3e9 << QStringList{} << 2;
}

void TestLink::impossibleStartupSpeed()
{
    QFETCH(double, speedXY);
    QFETCH(double, speedZ);
    QFETCH(QStringList, queued);
    QFETCH(int, diagnostics);
    DiagCapture diag;
    LinkProbe probe;
    probe.speedXY = speedXY;
    probe.speedZ = speedZ;
    probe.interfaceSubState = 8;
    probe.processState();
    QCOMPARE(probe.queued(), queued);
    QCOMPARE(diag.lines().size(), diagnostics);
    // The start-up does not hang on speeds that were never queued.
    for (int i = 0; i < 3; ++i)
        probe.processCommand();
    probe.processState();
    QVERIFY(probe.isConnected());
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
