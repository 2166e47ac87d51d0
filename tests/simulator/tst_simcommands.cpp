// Replies and effects of the controller's commands on the manual clock, absent modules and the
// counters.
#include "simclient.h"

#include <QtTest>

using namespace SimTest;

namespace {
constexpr int Refused = -1;
constexpr quint32 bit(int module) { return 1u << module; }
qint32 shutterWord(int k, int low) { return (int(Ptx::ShutterBase) + k) * 65536 + low; }
}

class TestSimCommands : public QObject
{
    Q_OBJECT

private slots:
    void replyValue_data();
    void replyValue();
    void speedWriteIsReadBack();
    void textCommand_data();
    void textCommand();
    void absentModuleNeverAnswers_data();
    void absentModuleNeverAnswers();
    void malformedFramesAreSkipped_data();
    void malformedFramesAreSkipped();
    void countersRecordEveryPacket();
    void verboseLogsEveryPacket();
    void axisMove_data();
    void axisMove();
    void calibCentresTheStage();
    void timeScaleSpeedsTheWallClockUp();
    void wheelMove_data();
    void wheelMove();
    void bothWheels_data();
    void bothWheels();
    void shutterCommand_data();
    void shutterCommand();
    void exposureClosesByItself();
    void haltStopsEverything();
};

void TestSimCommands::replyValue_data()
{
    QTest::addColumn<QList<int>>("packet");     // dev, cmd, index, data
    QTest::addColumn<int>("value");

    QTest::newRow("X position at power-up") << QList<int>{1, 84, 5, 0} << 0;
    QTest::newRow("Z speed at power-up") << QList<int>{3, 84, 13, 0} << 50000;
    QTest::newRow("wheel 2 positions") << QList<int>{27, 84, 200, 0} << 10;
    QTest::newRow("wheel 1 position") << QList<int>{17, 84, 5, 0} << 1;
    QTest::newRow("shutter 3 state") << QList<int>{17, 84, 258, shutterWord(3, 0)} << shutterWord(3, 0);
    QTest::newRow("shutter 4 does not exist") << QList<int>{17, 84, 258, shutterWord(4, 0)} << Refused;
    QTest::newRow("absolute move echoes the target") << QList<int>{2, 65, 0, -1234} << -1234;
    QTest::newRow("speed not positive") << QList<int>{1, 83, 13, 0} << Refused;
    QTest::newRow("unknown command") << QList<int>{1, 70, 0, 0} << Refused;
    QTest::newRow("wheel position out of range") << QList<int>{17, 65, 13, 11} << Refused;
    QTest::newRow("double move on wheel 2") << QList<int>{27, 65, 15, 3} << Refused;
    QTest::newRow("controller knows only the busy mask") << QList<int>{32, 84, 5, 0} << Refused;
}

void TestSimCommands::replyValue()
{
    QFETCH(QList<int>, packet);
    QFETCH(int, value);

    Rig rig;
    QVERIFY(rig.ok);
    const Reply reply = rig.client.request(packet[0], packet[1], packet[2], packet[3]);
    QCOMPARE((QList<int>{reply.dev, reply.cmd, reply.index}),
             (QList<int>{packet[0], packet[1] + int(Ptx::ReplyOffset), packet[2]}));
    QCOMPARE(reply.data.size(), 4);
    QVERIFY(rig.client.terminatorOk);
    QCOMPARE(reply.value(), value);
}

void TestSimCommands::speedWriteIsReadBack()
{
    Rig rig;
    QVERIFY(rig.ok);
    for (int dev : {1, 2, 3}) {
        QCOMPARE(rig.client.request(dev, 83, 13, 12345 + dev).value(), 12345 + dev);
        QCOMPARE(rig.client.request(dev, 83, 13, -5).value(), Refused);
        QCOMPARE(rig.client.read(dev, 13), 12345 + dev);
    }
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
    const PtxSim::Simulator &sim = *rig.sim;
    QCOMPARE((QList<int>{sim.axisSpeed(1), sim.axisSpeed(2), sim.axisSpeed(3), sim.centringSpeed(1),
                         sim.centringSpeed(2)}),
             speeds);
}

void TestSimCommands::absentModuleNeverAnswers_data()
{
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("index");

    const QList<int> standard{1, 2, 3, 17, 27};
    QTest::newRow("probe of module 4") << standard << 4 << 84 << 5;
    QTest::newRow("module 13") << standard << 13 << 84 << 5;
    QTest::newRow("X not fitted, move") << QList<int>{2, 3} << 1 << 65 << 0;
    QTest::newRow("wheel 1 not fitted, shutter read") << QList<int>{1, 2, 3, 27} << 17 << 84 << 258;
    QTest::newRow("device 200") << standard << 200 << 84 << 5;
}

void TestSimCommands::absentModuleNeverAnswers()
{
    QFETCH(QList<int>, modules);
    QFETCH(int, dev);
    QFETCH(int, cmd);
    QFETCH(int, index);

    Rig rig(Rig::withModules(modules));
    QVERIFY(rig.ok);
    rig.client.send(dev, cmd, index, 0);
    QTRY_COMPARE(rig.sim->count(dev, cmd, index), 1);
    QVERIFY(staysQuiet(rig.client));
    QCOMPARE(rig.sim->repliesSent(), 0);
    // A module that is fitted answers on the same link right after.
    QCOMPARE(rig.client.request(modules.first(), 84, 5).dev, modules.first());
}

void TestSimCommands::malformedFramesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("junk");
    QByteArray badEnd = packetBytes(1, 84, 5, 0);
    badEnd[badEnd.size() - 1] = 'X';
    QTest::newRow("declared length too long") << Ptx::encodeCommandPacket(1, 84, 5, 5000, 0);
    QTest::newRow("missing terminator") << badEnd;
    QTest::newRow("noise without #") << QByteArray("\x00\x01hello\r\n", 9);
}

void TestSimCommands::malformedFramesAreSkipped()
{
    QFETCH(QByteArray, junk);
    Rig rig;
    QVERIFY(rig.ok);
    rig.client.socket.write(junk + packetBytes(2, 84, 13, 0));
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 2);
    QCOMPARE(reply.index, 13);
    QCOMPARE(rig.sim->total(), 1);
    QCOMPARE(rig.sim->malformed(), junk.startsWith('#') ? 1 : 0);
}

void TestSimCommands::countersRecordEveryPacket()
{
    Rig rig(Rig::withModules({1, 2}));
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    rig.client.request(1, 84, 5);
    rig.client.request(1, 84, 5);
    rig.client.request(2, 65, 0, -42);
    rig.client.send(3, 84, 5, 0);               // not fitted: counted, not answered
    rig.client.sendText(32, "speed x=9 y=9");
    QCOMPARE(rig.client.nextDev(), 32);
    QCOMPARE(sim.total(), 5);
    QCOMPARE(sim.count(1, 84, 5), 2);
    QCOMPARE(sim.count(3, 84, 5), 1);
    QCOMPARE(sim.repliesSent(), 4);
    const QList<PtxSim::Packet> list = sim.received();
    QCOMPARE(list.size(), 5);
    QCOMPARE(list[2].cmd, quint16(65));
    QCOMPARE(list[2].value(), -42);
    QCOMPARE(list[4].text(), QStringLiteral("speed x=9 y=9"));
    sim.resetCounters();
    QCOMPARE(sim.total() + sim.count(1, 84, 5) + sim.repliesSent() + sim.received().size(), 0);
}

void TestSimCommands::verboseLogsEveryPacket()
{
    Rig rig(Rig::withModules({1}));
    QVERIFY(rig.ok);
    rig.sim->setVerbose(true);
    QTest::ignoreMessage(QtInfoMsg, "rx dev=1 cmd=65 index=4 len=4 value=-7");
    QTest::ignoreMessage(QtInfoMsg, "tx dev=1 cmd=193 index=4 len=4 value=-7");
    rig.client.request(1, 65, 4, -7);
    QTest::ignoreMessage(QtInfoMsg, "rx dev=2 cmd=84 index=5 len=4 value=0");
    QTest::ignoreMessage(QtInfoMsg, "   no answer: module 2 is not fitted");
    rig.client.send(2, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 2);
}

void TestSimCommands::axisMove_data()
{
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("move");       // index, data
    QTest::addColumn<int>("target");

    // Speed 1000 steps/s, travel -10000..10000.
    QTest::newRow("X absolute") << 1 << 0 << QList<int>{0, 4000} << 4000;
    QTest::newRow("Z relative positive") << 3 << 500 << QList<int>{4, 2000} << 2500;
    QTest::newRow("Y relative negative, positive distance") << 2 << 500 << QList<int>{6, 2000} << -1500;
    QTest::newRow("absolute beyond travel stops at the limit") << 1 << 0 << QList<int>{0, 50000} << 10000;
    QTest::newRow("relative beyond travel stops at the limit") << 2 << -9000 << QList<int>{6, 2000000000} << -10000;
}

void TestSimCommands::axisMove()
{
    QFETCH(int, dev);
    QFETCH(int, start);
    QFETCH(QList<int>, move);
    QFETCH(int, target);

    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    sim.setTravel(dev, -10000, 10000);
    sim.setAxisSpeed(dev, 1000);
    sim.setAxisPosition(dev, start);
    QCOMPARE(rig.client.request(dev, 65, move[0], move[1]).value(), move[1]);
    const int distance = qAbs(target - start);
    const int sign = target > start ? 1 : -1;
    sim.advance(distance / 2);                   // half the time: half the way
    QCOMPARE(rig.client.read(dev, 5), start + sign * (distance / 2));
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(dev));
    sim.advance(distance - distance / 2 - 1);    // one millisecond short: still one step away
    QCOMPARE(rig.client.read(dev, 5), target - sign);
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(dev));
    sim.advance(1);
    QCOMPARE(rig.client.read(dev, 5), target);
    QCOMPARE(rig.client.read(32, 63), 0);
    sim.advance(100000);
    QCOMPARE(sim.axisPosition(dev), target);
}

void TestSimCommands::calibCentresTheStage()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    sim.setTravel(1, 0, 20000);
    sim.setTravel(2, -4000, 0);
    sim.setAxisPosition(1, 0);
    sim.setAxisPosition(2, 0);
    sim.setAxisPosition(3, 123);
    for (const char *text : {"speed x=9000 y=9000", "x99=1000 y99=500", "calib"}) {
        rig.client.sendText(32, text);
        QCOMPARE(rig.client.nextDev(), 32);
    }
    // X has 10000 steps to go at 1000 steps/s, Y 2000 at 500 steps/s.
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(1) | bit(2));
    sim.advance(4000);
    QCOMPARE(sim.axisPosition(1), 4000);
    QCOMPARE(sim.axisPosition(2), -2000);
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(1));
    sim.advance(6000);
    QCOMPARE(sim.axisPosition(1), 10000);
    QCOMPARE(sim.axisPosition(3), 123);
    // Ordinary moves go at the ordinary speed again.
    rig.client.request(1, 65, 0, 19000);
    sim.advance(1000);
    QCOMPARE(sim.axisPosition(1), 19000);
}

void TestSimCommands::timeScaleSpeedsTheWallClockUp()
{
    PtxSim::Options options;
    options.timeScale = 1000.0;
    PtxSim::Simulator sim(options);
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()) && client.login());
    sim.setAxisSpeed(1, 1000);
    client.request(1, 65, 0, 60000);             // a minute of hardware time
    QTRY_COMPARE_WITH_TIMEOUT(client.read(1, 5), 60000, 2000);
    sim.setTimeScale(0.0);                      // refused: the scale stays as it was
    QCOMPARE(sim.timeScale(), 1000.0);
}

void TestSimCommands::wheelMove_data()
{
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("position");
    QTest::addColumn<QList<int>>("path");       // position every 200 ms, the last one at rest

    QTest::newRow("forward") << 17 << 1 << 4 << QList<int>{1, 2, 3, 4};
    QTest::newRow("shorter way back round") << 27 << 2 << 9 << QList<int>{2, 1, 10, 9};
    QTest::newRow("0 stays") << 17 << 5 << 0 << QList<int>{5};
    // Homing searches for 600 ms, then turns to slot 1.
    QTest::newRow("home 72") << 27 << 3 << int(Ptx::WheelHome) << QList<int>{3, 3, 3, 3, 2, 1};
    QTest::newRow("home -1") << 17 << 10 << -1 << QList<int>{10, 10, 10, 10, 1};
}

void TestSimCommands::wheelMove()
{
    QFETCH(int, dev);
    QFETCH(int, start);
    QFETCH(int, position);
    QFETCH(QList<int>, path);

    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setWheelPosition(dev == 17 ? 1 : 2, start);
    QCOMPARE(rig.client.request(dev, 65, 13, position).value(), position);
    for (int i = 0; i < path.size(); ++i) {
        QCOMPARE(rig.client.read(dev, 5), path[i]);
        QCOMPARE(quint32(rig.client.read(32, 63)), i == path.size() - 1 ? 0u : bit(dev));
        rig.sim->advance(200);
    }
}

void TestSimCommands::bothWheels_data()
{
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<QList<int>>("positions");  // asked for, wheel 1 and 2
    QTest::addColumn<QList<int>>("ends");       // where they end
    QTest::addColumn<bool>("accepted");

    const QList<int> standard{1, 2, 3, 17, 27};
    QTest::newRow("both") << standard << QList<int>{3, 7} << QList<int>{3, 7} << true;
    QTest::newRow("wheel 1 stays") << standard << QList<int>{0, 4} << QList<int>{1, 4} << true;
    QTest::newRow("wheel 2 homes") << standard << QList<int>{2, -1} << QList<int>{2, 1} << true;
    QTest::newRow("wheel 2 out of range refuses both") << standard << QList<int>{3, 12} << QList<int>{1, 1} << false;
    QTest::newRow("wheel 2 not fitted") << QList<int>{17} << QList<int>{4, 5} << QList<int>{4, 1} << true;
}

void TestSimCommands::bothWheels()
{
    QFETCH(QList<int>, modules);
    QFETCH(QList<int>, positions);
    QFETCH(QList<int>, ends);
    QFETCH(bool, accepted);

    Rig rig(Rig::withModules(modules));
    QVERIFY(rig.ok);
    // The panel's packing: (pos1 AND 0xFFFF) + pos2 x 65536.
    const qint32 data = qint32((positions[0] & 0xFFFF) + positions[1] * 65536);
    QCOMPARE(rig.client.request(17, 65, 15, data).value(), accepted ? data : Refused);
    QCOMPARE(rig.sim->busyMask() != 0, accepted && ends != QList<int>({1, 1}));
    rig.sim->advance(10000);
    QCOMPARE((QList<int>{rig.client.read(17, 5), rig.sim->wheelPosition(2)}), ends);
    QCOMPARE(rig.sim->busyMask(), 0u);
}

void TestSimCommands::shutterCommand_data()
{
    QTest::addColumn<int>("shutter");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("exposure");

    // Low words 0, 1, 2 are states; from 3 up they set the exposure time and leave the state.
    QTest::newRow("open 1") << 1 << 1 << 1 << 100;
    QTest::newRow("close 2") << 2 << 0 << 0 << 100;
    QTest::newRow("expose 3") << 3 << 2 << 2 << 100;
    QTest::newRow("3 ms is a time") << 1 << 3 << 0 << 3;
    QTest::newRow("longest time") << 3 << 65535 << 0 << 65535;
}

void TestSimCommands::shutterCommand()
{
    QFETCH(int, shutter);
    QFETCH(int, low);
    QFETCH(int, state);
    QFETCH(int, exposure);

    Rig rig;
    QVERIFY(rig.ok);
    const Reply reply = rig.client.request(17, 83, 258, shutterWord(shutter, low));
    QCOMPARE(reply.index, 258);
    QCOMPARE(reply.value(), shutterWord(shutter, low));
    QCOMPARE(rig.client.read(17, 258, shutterWord(shutter, 0)), shutterWord(shutter, state));
    QCOMPARE(rig.sim->exposureTime(shutter), exposure);
    for (int other = 1; other <= 3; ++other)
        QCOMPARE(rig.sim->shutterState(other), other == shutter ? state : 0);
}

void TestSimCommands::exposureClosesByItself()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.client.request(17, 83, 258, shutterWord(2, 250));
    rig.client.request(17, 83, 258, shutterWord(2, 2));
    QCOMPARE(rig.client.read(32, 63), 0);        // an exposure is not a motion
    rig.sim->advance(249);
    QCOMPARE(rig.client.read(17, 258, shutterWord(2, 0)), shutterWord(2, 2));
    rig.sim->advance(1);
    QCOMPARE(rig.client.read(17, 258, shutterWord(2, 0)), shutterWord(2, 0));
    // Opened during an exposure, the shutter stays open after the time.
    rig.client.request(17, 83, 258, shutterWord(3, 2));
    rig.sim->advance(50);
    rig.client.request(17, 83, 258, shutterWord(3, 1));
    rig.sim->advance(1000);
    QCOMPARE(rig.sim->shutterState(3), 1);
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
    rig.client.request(17, 83, 258, shutterWord(1, 1));
    sim.advance(500);
    QCOMPARE(sim.busyMask(), bit(1) | bit(3) | bit(17) | bit(27));
    const Reply halt = rig.client.request(0, 66, 0, 0);
    QCOMPARE(halt.cmd, 66 + int(Ptx::ReplyOffset));
    QCOMPARE(rig.client.read(32, 63), 0);
    sim.advance(10000);
    QCOMPARE(sim.axisPosition(1), 500);
    QCOMPARE(sim.axisPosition(3), -500);
    QCOMPARE(rig.client.read(17, 5), 3);        // two of five slots turned in 500 ms
    QCOMPARE(sim.wheelPosition(2), 3);
    QCOMPARE(sim.shutterState(1), 1);           // halt leaves the shutters alone
}

QTEST_GUILESS_MAIN(TestSimCommands)
#include "tst_simcommands.moc"
