// Replies and effects of the controller's commands, absent modules and the counters.
#include "simfixture.h"

#include <QSignalSpy>
#include <QtTest>

using namespace SimTest;

namespace {
constexpr int Refused = -1;
constexpr int ReplyCmd(int cmd) { return cmd + int(Ptx::ReplyOffset); }
qint32 shutterWord(int k, int low) { return (int(Ptx::ShutterBase) + k) * 65536 + low; }
}

class TestSimCommands : public QObject
{
    Q_OBJECT

private slots:
    void replyValue_data();
    void replyValue();
    void speedWriteIsReadBack_data();
    void speedWriteIsReadBack();
    void textCommand_data();
    void textCommand();
    void absentModuleNeverAnswers_data();
    void absentModuleNeverAnswers();
    void haltStopsEverything();
    void countersRecordEveryPacket();
    void packetReceivedSignal();
    void verboseLogsEveryPacket();
    void malformedFramesAreSkipped_data();
    void malformedFramesAreSkipped();
};

void TestSimCommands::replyValue_data()
{
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("value");

    QTest::newRow("X position at power-up") << 1 << 84 << 5 << 0 << 0;
    QTest::newRow("Z speed at power-up") << 3 << 84 << 13 << 0 << 50000;
    QTest::newRow("busy mask at rest") << 32 << 84 << 63 << 0 << 0;
    QTest::newRow("wheel 1 positions") << 17 << 84 << 200 << 0 << 10;
    QTest::newRow("wheel 2 positions") << 27 << 84 << 200 << 0 << 10;
    QTest::newRow("wheel 1 position") << 17 << 84 << 5 << 0 << 1;
    QTest::newRow("shutter 3 state") << 17 << 84 << 258 << shutterWord(3, 0) << shutterWord(3, 0);
    QTest::newRow("shutter 4 does not exist") << 17 << 84 << 258 << shutterWord(4, 0) << Refused;
    QTest::newRow("absolute move echoes the target") << 2 << 65 << 0 << -1234 << -1234;
    QTest::newRow("relative move echoes the distance") << 1 << 65 << 4 << 77 << 77;
    QTest::newRow("speed not positive") << 1 << 83 << 13 << 0 << Refused;
    QTest::newRow("unknown axis index") << 1 << 84 << 99 << 0 << Refused;
    QTest::newRow("unknown command") << 1 << 70 << 0 << 0 << Refused;
    QTest::newRow("wheel position out of range") << 17 << 65 << 13 << 11 << Refused;
    QTest::newRow("wheel position negative") << 27 << 65 << 13 << -2 << Refused;
    QTest::newRow("double move on wheel 2") << 27 << 65 << 15 << 3 << Refused;
    QTest::newRow("halt all") << 0 << 66 << 0 << 0 << 0;
    QTest::newRow("device 0 knows only halt") << 0 << 84 << 5 << 0 << Refused;
    QTest::newRow("controller knows only the busy mask") << 32 << 84 << 5 << 0 << Refused;
}

void TestSimCommands::replyValue()
{
    QFETCH(int, dev);
    QFETCH(int, cmd);
    QFETCH(int, index);
    QFETCH(int, data);
    QFETCH(int, value);

    Rig rig;
    QVERIFY(rig.ok);
    const Reply reply = rig.client.request(dev, cmd, index, data);
    QCOMPARE(reply.dev, dev);
    QCOMPARE(reply.cmd, ReplyCmd(cmd));
    QCOMPARE(reply.index, index);
    QCOMPARE(reply.data.size(), 4);
    QVERIFY(rig.client.terminatorOk);
    QCOMPARE(reply.value(), value);
}

void TestSimCommands::speedWriteIsReadBack_data()
{
    QTest::addColumn<int>("dev");
    QTest::newRow("X") << 1;
    QTest::newRow("Y") << 2;
    QTest::newRow("Z") << 3;
}

void TestSimCommands::speedWriteIsReadBack()
{
    QFETCH(int, dev);
    Rig rig;
    QVERIFY(rig.ok);
    QCOMPARE(rig.client.request(dev, 83, 13, 12345).value(), 12345);
    QCOMPARE(rig.sim->axisSpeed(dev), 12345);
    QCOMPARE(rig.client.read(dev, 13), 12345);
    QCOMPARE(rig.client.request(dev, 83, 13, -5).value(), Refused);
    QCOMPARE(rig.client.read(dev, 13), 12345);
}

void TestSimCommands::textCommand_data()
{
    QTest::addColumn<int>("dev");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QList<int>>("speeds");     // X, Y, Z speed, X, Y centring speed afterwards

    const QList<int> unchanged{50000, 50000, 50000, 20000, 20000};
    QTest::newRow("stage speeds") << 32 << QByteArray("speed x=1200 y=3400") << QByteArray("OK")
                                  << QList<int>{1200, 3400, 50000, 20000, 20000};
    QTest::newRow("focus speed") << 32 << QByteArray("speed b=777") << QByteArray("OK")
                                 << QList<int>{50000, 50000, 777, 20000, 20000};
    QTest::newRow("centring speeds") << 32 << QByteArray("x99=10 y99=20") << QByteArray("OK")
                                     << QList<int>{50000, 50000, 50000, 10, 20};
    QTest::newRow("calib") << 32 << QByteArray("calib") << QByteArray("OK") << unchanged;
    QTest::newRow("unknown word") << 32 << QByteArray("reboot") << QByteArray("ERROR") << unchanged;
    QTest::newRow("negative speed, all or nothing") << 32 << QByteArray("speed x=5 y=-5")
                                                    << QByteArray("ERROR") << unchanged;
    QTest::newRow("unknown axis") << 32 << QByteArray("speed q=5") << QByteArray("ERROR") << unchanged;
    QTest::newRow("not a number") << 32 << QByteArray("speed x=fast") << QByteArray("ERROR") << unchanged;
    QTest::newRow("empty") << 32 << QByteArray() << QByteArray("ERROR") << unchanged;
    QTest::newRow("to an axis") << 1 << QByteArray("speed x=5") << QByteArray("ERROR") << unchanged;
}

void TestSimCommands::textCommand()
{
    QFETCH(int, dev);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, answer);
    QFETCH(QList<int>, speeds);

    Rig rig;
    QVERIFY(rig.ok);
    rig.client.sendText(dev, text);
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, dev);
    QCOMPARE(reply.cmd, int(Ptx::CmdTextReply));
    QCOMPARE(reply.index, 0);
    QCOMPARE(reply.data, answer + '\r');
    QVERIFY(rig.client.terminatorOk);
    const QList<int> now{rig.sim->axisSpeed(1), rig.sim->axisSpeed(2), rig.sim->axisSpeed(3),
                         rig.sim->centringSpeed(1), rig.sim->centringSpeed(2)};
    QCOMPARE(now, speeds);
    QCOMPARE(rig.sim->received().last().text(), QString::fromLatin1(text));
}

void TestSimCommands::absentModuleNeverAnswers_data()
{
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("index");

    const QList<int> standard{1, 2, 3, 17, 27};
    QTest::newRow("probe of module 4") << standard << 4 << 84 << 5;
    QTest::newRow("probe of module 31") << standard << 31 << 84 << 5;
    QTest::newRow("module 13") << standard << 13 << 84 << 5;
    QTest::newRow("X not fitted, move") << QList<int>{2, 3} << 1 << 65 << 0;
    QTest::newRow("wheel 1 not fitted, shutter read") << QList<int>{1, 2, 3, 27} << 17 << 84 << 258;
    QTest::newRow("wheel 2 not fitted, position") << QList<int>{1, 2, 3, 17} << 27 << 84 << 5;
    QTest::newRow("device 200") << standard << 200 << 84 << 5;
}

void TestSimCommands::absentModuleNeverAnswers()
{
    QFETCH(QList<int>, modules);
    QFETCH(int, dev);
    QFETCH(int, cmd);
    QFETCH(int, index);

    PtxSim::Options options;
    options.modules = modules;
    Rig rig(options);
    QVERIFY(rig.ok);
    QVERIFY(!rig.sim->modulePresent(dev));
    rig.client.send(dev, cmd, index, 0);
    QTRY_COMPARE(rig.sim->count(dev, cmd, index), 1);
    QVERIFY(staysQuiet(rig.client));
    QCOMPARE(rig.sim->repliesSent(), 0);
    // A module that is fitted answers on the same link right after.
    const int present = modules.first();
    QCOMPARE(rig.client.request(present, 84, 5).dev, present);
}

void TestSimCommands::haltStopsEverything()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    sim.setAxisSpeed(1, 1000);
    sim.setAxisSpeed(3, 1000);
    rig.client.request(1, 65, 0, 5000);
    rig.client.request(3, 65, 6, 5000);
    rig.client.request(17, 65, 15, 6 + 6 * 65536);
    sim.advance(500);
    QCOMPARE(sim.busyMask(), (1u << 1) | (1u << 3) | (1u << 17) | (1u << 27));
    const Reply halt = rig.client.request(0, 66, 0, 0);
    QCOMPARE(halt.dev, 0);
    QCOMPARE(halt.cmd, ReplyCmd(66));
    QCOMPARE(sim.busyMask(), 0u);
    QCOMPARE(rig.client.read(32, 63), 0);
    sim.advance(10000);
    QCOMPARE(sim.axisPosition(1), 500);
    QCOMPARE(sim.axisPosition(3), -500);
    QCOMPARE(rig.client.read(17, 5), 3);        // two of five slots turned in 500 ms
    QCOMPARE(sim.wheelPosition(2), 3);
    QVERIFY(!sim.wheelMoving(2));
}

void TestSimCommands::countersRecordEveryPacket()
{
    PtxSim::Options options;
    options.modules = {1, 2};
    Rig rig(options);
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    rig.client.request(1, 84, 5);
    rig.client.request(1, 84, 5);
    rig.client.request(2, 65, 0, -42);
    rig.client.send(3, 84, 5, 0);               // not fitted: counted, not answered
    rig.client.sendText(32, "speed x=9 y=9");
    Reply text;
    QVERIFY(rig.client.waitReply(&text));
    QCOMPARE(sim.total(), 5);
    QCOMPARE(sim.count(1, 84, 5), 2);
    QCOMPARE(sim.count(2, 65, 0), 1);
    QCOMPARE(sim.count(3, 84, 5), 1);
    QCOMPARE(sim.count(32, 9, 0), 1);
    QCOMPARE(sim.count(2, 84, 5), 0);
    QCOMPARE(sim.repliesSent(), 4);
    const QList<PtxSim::Packet> list = sim.received();
    QCOMPARE(list.size(), 5);
    QCOMPARE(list[2].dev, quint8(2));
    QCOMPARE(list[2].cmd, quint16(65));
    QCOMPARE(list[2].value(), -42);
    QCOMPARE(list[3].dev, quint8(3));
    QVERIFY(list[4].isText());
    QCOMPARE(list[4].text(), QStringLiteral("speed x=9 y=9"));
    sim.resetCounters();
    QCOMPARE(sim.total(), 0);
    QCOMPARE(sim.count(1, 84, 5), 0);
    QCOMPARE(sim.repliesSent(), 0);
    QVERIFY(sim.received().isEmpty());
    rig.client.request(1, 84, 5);
    QCOMPARE(sim.count(1, 84, 5), 1);
}

void TestSimCommands::packetReceivedSignal()
{
    Rig rig;
    QVERIFY(rig.ok);
    QSignalSpy spy(rig.sim.get(), &PtxSim::Simulator::packetReceived);
    rig.client.request(27, 84, 200);
    QCOMPARE(spy.count(), 1);
    const auto packet = spy.first().first().value<PtxSim::Packet>();
    QCOMPARE(packet.dev, quint8(27));
    QCOMPARE(packet.index, quint16(200));
}

void TestSimCommands::verboseLogsEveryPacket()
{
    PtxSim::Options options;
    options.modules = {1};
    Rig rig(options);
    QVERIFY(rig.ok);
    rig.sim->setVerbose(true);
    QTest::ignoreMessage(QtInfoMsg, "rx dev=1 cmd=65 index=4 len=4 value=-7");
    QTest::ignoreMessage(QtInfoMsg, "tx dev=1 cmd=193 index=4 len=4 value=-7");
    rig.client.request(1, 65, 4, -7);
    QTest::ignoreMessage(QtInfoMsg, "rx dev=32 cmd=9 index=0 len=6 text=\"calib\"");
    QTest::ignoreMessage(QtInfoMsg, "tx dev=32 cmd=137 index=0 len=3 text=\"OK\"");
    rig.client.sendText(32, "calib");
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QTest::ignoreMessage(QtInfoMsg, "rx dev=2 cmd=84 index=5 len=4 value=0");
    QTest::ignoreMessage(QtInfoMsg, "   no answer: module 2 is not fitted");
    rig.client.send(2, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 3);
    QTest::ignoreMessage(QtInfoMsg, "client gone");
    rig.sim->dropClient();
}

void TestSimCommands::malformedFramesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("junk");
    QByteArray overLong = "#" + QByteArray(1, char(1)) + le16(84) + le16(5) + le16(5000);
    QByteArray badEnd = packetBytes(1, 84, 5, 0);
    badEnd[badEnd.size() - 1] = 'X';
    QTest::newRow("declared length too long") << overLong;
    QTest::newRow("missing terminator") << badEnd;
    QTest::newRow("noise without #") << QByteArray("\x00\x01hello\r\n", 9);
}

void TestSimCommands::malformedFramesAreSkipped()
{
    QFETCH(QByteArray, junk);
    Rig rig;
    QVERIFY(rig.ok);
    rig.client.sendRaw(junk + packetBytes(2, 84, 13, 0));
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 2);
    QCOMPARE(reply.index, 13);
    QCOMPARE(rig.sim->count(2, 84, 13), 1);
    QCOMPARE(rig.sim->total(), 1);
    QCOMPARE(rig.sim->malformed(), junk.startsWith('#') ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestSimCommands)
#include "tst_simcommands.moc"
