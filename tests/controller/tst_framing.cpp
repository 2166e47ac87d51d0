// Packet formats, reply decoding, addresses and the receive state machine fed byte by byte.
#include "controller/address.h"
#include "controller/packet.h"
#include "linkprobe.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestFraming : public QObject
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
    void shutterReply();
    void statusReplies_data();
    void statusReplies();
    void textReplyAtTail();
    void replyMatchesOnlyAnAwaitedEntry();

    void loginPrompts_data();
    void loginPrompts();
    void longGreetingIsCut();

private:
    QTemporaryDir dir;
};

void TestFraming::initTestCase()
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

void TestFraming::commandPacket_data()
{
    QTest::addColumn<uint>("dev");
    QTest::addColumn<uint>("cmd");
    QTest::addColumn<uint>("index");
    QTest::addColumn<uint>("dlen");
    QTest::addColumn<qlonglong>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("move X four bytes") << 1u << 65u << 0u << 4u << 12345ll
        << bytes({0x23, 1, 65, 0, 0, 0, 4, 0, 0x39, 0x30, 0, 0, 0x0D});
    QTest::newRow("negative distance") << 2u << 65u << 6u << 4u << -2ll
        << bytes({0x23, 2, 65, 0, 6, 0, 4, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x0D});
    QTest::newRow("shutter index above a byte") << 17u << 84u << 258u << 4u << 6553600ll
        << bytes({0x23, 17, 84, 0, 2, 1, 4, 0, 0, 0, 100, 0, 0x0D});
    QTest::newRow("no data") << 0u << 66u << 0u << 0u << 99ll
        << bytes({0x23, 0, 66, 0, 0, 0, 0, 0, 0x0D});
    QTest::newRow("two data bytes") << 3u << 83u << 13u << 2u << 0x123456ll
        << bytes({0x23, 3, 83, 0, 13, 0, 2, 0, 0x56, 0x34, 0x0D});
    QTest::newRow("length above four carries no data") << 1u << 84u << 5u << 7u << 1ll
        << bytes({0x23, 1, 84, 0, 5, 0, 7, 0, 0x0D});
    QTest::newRow("device keeps its low byte") << 0x121u << 84u << 5u << 4u << 0ll
        << bytes({0x23, 0x21, 84, 0, 5, 0, 4, 0, 0, 0, 0, 0, 0x0D});
}

void TestFraming::commandPacket()
{
    QFETCH(uint, dev);
    QFETCH(uint, cmd);
    QFETCH(uint, index);
    QFETCH(uint, dlen);
    QFETCH(qlonglong, data);
    QFETCH(QByteArray, expected);
    QCOMPARE(Ptx::encodeCommandPacket(dev, cmd, index, dlen, static_cast<long>(data)), expected);
}

void TestFraming::textPacket()
{
    const QByteArray packet = Ptx::encodeTextPacket(32, QStringLiteral("calib\r"));
    QCOMPARE(packet, bytes({0x23, 32, 9, 0, 0, 0, 6, 0, 'c', 'a', 'l', 'i', 'b', 0x0D, 0x0D}));
}

void TestFraming::replyValue_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("expected");
    QTest::newRow("four bytes are signed") << bytes({0xFE, 0xFF, 0xFF, 0xFF}) << -2;
    QTest::newRow("three bytes are not") << bytes({0xFE, 0xFF, 0xFF}) << 16777214;
    QTest::newRow("one byte") << bytes({0x80}) << 128;
    QTest::newRow("two bytes little-endian") << bytes({0x34, 0x12}) << 0x1234;
    QTest::newRow("no data") << QByteArray() << 0;
    QTest::newRow("five bytes give zero") << bytes({1, 2, 3, 4, 5}) << 0;
}

void TestFraming::replyValue()
{
    QFETCH(QByteArray, data);
    QFETCH(int, expected);
    QCOMPARE(Ptx::decodeReplyValue(reinterpret_cast<const unsigned char *>(data.constData()),
                                   static_cast<unsigned int>(data.size())),
             expected);
}

void TestFraming::address_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("plain address uses port 23") << "192.168.1.20" << true << "192.168.1.20" << 23;
    QTest::newRow("host and port") << "127.0.0.1:2323" << true << "127.0.0.1" << 2323;
    QTest::newRow("name and port") << "ptx:10023" << true << "ptx" << 10023;
    QTest::newRow("port zero") << "127.0.0.1:0" << false << "" << 0;
    QTest::newRow("port too big") << "127.0.0.1:65536" << false << "" << 0;
    QTest::newRow("port not a number") << "127.0.0.1:telnet" << false << "" << 0;
    QTest::newRow("no host") << ":23" << false << "" << 0;
    QTest::newRow("empty") << "" << false << "" << 0;
}

void TestFraming::address()
{
    QFETCH(QString, address);
    QFETCH(bool, ok);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString gotHost;
    quint16 gotPort = 0;
    QCOMPARE(Ptx::splitAddress(address, &gotHost, &gotPort), ok);
    if (ok) {
        QCOMPARE(gotHost, host);
        QCOMPARE(int(gotPort), port);
    }
}

static QByteArray reply(uint dev, uint index, long value, uint cmd = Ptx::CmdRead)
{
    return Ptx::encodeCommandPacket(dev, cmd + Ptx::ReplyOffset, index, 4, value);
}

void TestFraming::packetsInOneRead_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<long>("x");
    QTest::addColumn<long>("y");
    QTest::addColumn<long>("z");
    const QByteArray x = reply(1, 5, 111);
    const QByteArray y = reply(2, 5, -222);
    const QByteArray z = reply(3, 5, 333);
    QTest::newRow("three packets") << x + y + z << 111l << -222l << 333l;
    QTest::newRow("noise between packets") << "ab" + x + "\r\n" + y + "zz" + z << 111l << -222l << 333l;
    QTest::newRow("zero-length reply between")
        << x + Ptx::encodeCommandPacket(3, Ptx::CmdRead + Ptx::ReplyOffset, 5, 0, 0) + y
        << 111l << -222l << 0l;
}

void TestFraming::packetsInOneRead()
{
    QFETCH(QByteArray, read);
    QFETCH(long, x);
    QFETCH(long, y);
    QFETCH(long, z);
    LinkProbe probe;
    probe.enterPacketMode();
    probe.zpos = 77;
    probe.receiveBytes(read);
    QCOMPARE(probe.xpos, x);
    QCOMPARE(probe.ypos, y);
    QCOMPARE(probe.zpos, z);
    QCOMPARE(probe.connectionState, 3u);
}

void TestFraming::splitAtEveryByte()
{
    LinkProbe probe;
    probe.enterPacketMode();
    const QByteArray stream = "xx" + reply(1, 5, 4242) + reply(2, 5, -7);
    for (char c : stream)
        probe.receiveBytes(QByteArray(1, c));
    QCOMPARE(probe.xpos, 4242l);
    QCOMPARE(probe.ypos, -7l);
}

void TestFraming::resynchronises_data()
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

void TestFraming::resynchronises()
{
    QFETCH(QByteArray, read);
    QFETCH(int, dropped);
    DiagCapture diag;
    LinkProbe probe;
    probe.enterPacketMode();
    probe.receiveBytes(read);
    QCOMPARE(probe.xpos, 555l);
    QCOMPARE(DiagCapture::count(QStringLiteral("Packet dropped")), dropped);
    QCOMPARE(probe.connectionState, 3u);
}

void TestFraming::shutterReply()
{
    LinkProbe probe;
    probe.enterPacketMode();
    QSignalSpy spy(&probe, &KelInterface::fwShutChanged);
    probe.receiveBytes(reply(17, 258, (101 << 16) + 1));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<long>(), 0l);
    QCOMPARE(spy.at(0).at(1).value<long>(), 1l);
    QCOMPARE(spy.at(0).at(2).value<long>(), 0l);
    QVERIFY(probe.getModPresent(17));
}

void TestFraming::statusReplies_data()
{
    QTest::addColumn<uint>("dev");
    QTest::addColumn<uint>("index");
    QTest::addColumn<uint>("cmd");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("busySignals");
    QTest::newRow("X position") << 1u << 5u << 84u << true << 0;
    QTest::newRow("wheel 2 position") << 27u << 5u << 84u << true << 0;
    QTest::newRow("wheel 1 size") << 17u << 200u << 84u << true << 0;
    QTest::newRow("busy mask") << 32u << 63u << 84u << false << 1;
    QTest::newRow("reply to a write") << 1u << 13u << 83u << false << 0;
    QTest::newRow("unknown device") << 9u << 5u << 84u << false << 0;
}

void TestFraming::statusReplies()
{
    QFETCH(uint, dev);
    QFETCH(uint, index);
    QFETCH(uint, cmd);
    QFETCH(bool, present);
    QFETCH(int, busySignals);
    LinkProbe probe;
    probe.enterPacketMode();
    QSignalSpy busy(&probe, &KelInterface::busyChanged);
    QSignalSpy modules(&probe, &KelInterface::modulesPresentChanged);
    probe.receiveBytes(reply(dev, index, 6, cmd));
    QCOMPARE(probe.getModPresent(dev), present);
    QCOMPARE(busy.count(), busySignals);
    // The presence signal follows every write of the bit, also one that changes nothing.
    probe.receiveBytes(reply(dev, index, 6, cmd));
    QCOMPARE(modules.count(), present ? 2 : 0);
    if (busySignals)
        QCOMPARE(probe.mbusy, 6u);
}

void TestFraming::textReplyAtTail()
{
    LinkProbe probe;
    probe.enterPacketMode();
    const int slot = probe.addWrapperCommand(32, QStringLiteral("calib\r"), true);
    probe.processCommand();
    QCOMPARE(probe.cmdBufState, 2u);
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
    QCOMPARE(probe.cmdBufTail, 1u);
}

void TestFraming::replyMatchesOnlyAnAwaitedEntry()
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
    QCOMPARE(probe.commandBuffer[slot].retVal, 12l);
    QCOMPARE(result, 12l);
}

void TestFraming::loginPrompts_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<uint>("state");
    QTest::newRow("whole prompts") << QList<QByteArray>{"Login:", "Password:", "Welcome\r\n"} << 3u;
    QTest::newRow("prompt split") << QList<QByteArray>{"PTX Log", "in:", "Pass", "word:", "hi\n"}
                                  << 3u;
    QTest::newRow("all in one read") << QList<QByteArray>{"Login: Password: ready\r\n"} << 3u;
    QTest::newRow("wrong case") << QList<QByteArray>{"login:"} << 0u;
    QTest::newRow("no line end yet") << QList<QByteArray>{"Login:", "Password:", "ready"} << 2u;
}

void TestFraming::loginPrompts()
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

void TestFraming::longGreetingIsCut()
{
    DiagCapture diag;
    LinkProbe probe;
    probe.receiveBytes(QByteArray(2500, 'w') + "Login:");
    QCOMPARE(probe.connectionState, 1u);
    QVERIFY(DiagCapture::count(QStringLiteral("Log-in text over")) >= 1);
    // A prompt cut in two by the limit is still seen.
    LinkProbe straddle;
    straddle.receiveBytes(QByteArray(995, 'w') + "Login:");
    QCOMPARE(straddle.connectionState, 1u);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
