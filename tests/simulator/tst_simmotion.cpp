// Hardware timing on the manual clock: axis moves, calibration, busy mask, wheels, shutters.
#include "simfixture.h"

#include <QtTest>

using namespace SimTest;

namespace {
constexpr quint32 bit(int module) { return 1u << module; }
qint32 shutterWord(int k, int low) { return (int(Ptx::ShutterBase) + k) * 65536 + low; }
}

class TestSimMotion : public QObject
{
    Q_OBJECT

private slots:
    void axisMove_data();
    void axisMove();
    void speedChangeAppliesToTheNextMove();
    void calibCentresTheStage();
    void timeScaleSpeedsTheWallClockUp();
    void wheelMove_data();
    void wheelMove();
    void bothWheels_data();
    void bothWheels();
    void wheelSizeOption();
    void shutterCommand_data();
    void shutterCommand();
    void exposureClosesAfterTheExposureTime();
    void exposureEndedEarlyByAClose();
};

void TestSimMotion::axisMove_data()
{
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("target");

    // Speed 1000 steps/s, travel -10000..10000.
    QTest::newRow("X absolute") << 1 << 0 << 0 << 4000 << 4000;
    QTest::newRow("Y absolute backwards") << 2 << 1000 << 0 << -3000 << -3000;
    QTest::newRow("Z relative positive") << 3 << 500 << 4 << 2000 << 2500;
    QTest::newRow("X relative negative, positive distance") << 1 << 500 << 6 << 2000 << -1500;
    QTest::newRow("absolute beyond travel stops at the limit") << 1 << 0 << 0 << 50000 << 10000;
    QTest::newRow("relative beyond travel stops at the limit") << 2 << -9000 << 6 << 2000000000 << -10000;
}

void TestSimMotion::axisMove()
{
    QFETCH(int, dev);
    QFETCH(int, start);
    QFETCH(int, index);
    QFETCH(int, data);
    QFETCH(int, target);

    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    sim.setTravel(dev, -10000, 10000);
    sim.setAxisSpeed(dev, 1000);
    sim.setAxisPosition(dev, start);
    QCOMPARE(rig.client.request(dev, 65, index, data).value(), data);
    QCOMPARE(sim.axisTarget(dev), target);
    const int distance = qAbs(target - start);
    const int sign = target > start ? 1 : -1;

    sim.advance(distance / 2);                   // half the time: half the way
    QCOMPARE(rig.client.read(dev, 5), start + sign * (distance / 2));
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(dev));
    QVERIFY(sim.axisMoving(dev));

    sim.advance(distance - distance / 2 - 1);    // one millisecond short: still one step away
    QCOMPARE(rig.client.read(dev, 5), target - sign);
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(dev));

    sim.advance(1);
    QCOMPARE(rig.client.read(dev, 5), target);
    QCOMPARE(rig.client.read(32, 63), 0);
    sim.advance(100000);
    QCOMPARE(sim.axisPosition(dev), target);
}

void TestSimMotion::speedChangeAppliesToTheNextMove()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    rig.client.request(1, 83, 13, 1000);
    rig.client.request(1, 65, 0, 1000);
    rig.client.request(1, 83, 13, 4000);
    sim.advance(500);
    QCOMPARE(sim.axisPosition(1), 500);
    rig.client.request(1, 65, 0, 2500);          // from 500 at the new speed: 2000 steps in 0.5 s
    sim.advance(250);
    QCOMPARE(sim.axisPosition(1), 1500);
    sim.advance(250);
    QCOMPARE(sim.axisPosition(1), 2500);
    QVERIFY(!sim.axisMoving(1));
}

void TestSimMotion::calibCentresTheStage()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    sim.setTravel(1, 0, 20000);
    sim.setTravel(2, -4000, 0);
    sim.setAxisPosition(1, 0);
    sim.setAxisPosition(2, 0);
    sim.setAxisPosition(3, 123);
    rig.client.sendText(32, "speed x=9000 y=9000");
    rig.client.sendText(32, "x99=1000 y99=500");
    rig.client.sendText(32, "calib");
    Reply reply;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(rig.client.waitReply(&reply));
        QCOMPARE(reply.data, QByteArray("OK\r"));
    }
    // X has 10000 steps to go at 1000 steps/s, Y 2000 at 500 steps/s: both take 4 s or more.
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(1) | bit(2));
    sim.advance(4000);
    QCOMPARE(sim.axisPosition(1), 4000);
    QCOMPARE(sim.axisPosition(2), -2000);
    QCOMPARE(quint32(rig.client.read(32, 63)), bit(1));
    sim.advance(6000);
    QCOMPARE(sim.axisPosition(1), 10000);
    QCOMPARE(rig.client.read(32, 63), 0);
    QCOMPARE(sim.axisPosition(3), 123);
    // Ordinary moves go at the ordinary speed again.
    rig.client.request(1, 65, 0, 19000);
    sim.advance(1000);
    QCOMPARE(sim.axisPosition(1), 19000);
}

void TestSimMotion::timeScaleSpeedsTheWallClockUp()
{
    PtxSim::Options options;
    options.timeScale = 1000.0;
    PtxSim::Simulator sim(options);
    QCOMPARE(sim.timeScale(), 1000.0);
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.login());
    sim.setAxisSpeed(1, 1000);
    client.request(1, 65, 0, 60000);             // a minute of hardware time
    QTRY_COMPARE_WITH_TIMEOUT(client.read(1, 5), 60000, 2000);
    sim.setTimeScale(0.0);                      // refused: the scale stays as it was
    QCOMPARE(sim.timeScale(), 1000.0);
}

void TestSimMotion::wheelMove_data()
{
    QTest::addColumn<int>("dev");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("position");
    QTest::addColumn<QList<int>>("path");       // position every 200 ms, the last one at rest

    QTest::newRow("forward") << 17 << 1 << 4 << QList<int>{1, 2, 3, 4};
    QTest::newRow("shorter way back round") << 27 << 2 << 9 << QList<int>{2, 1, 10, 9};
    QTest::newRow("already there") << 17 << 5 << 5 << QList<int>{5};
    QTest::newRow("0 stays") << 17 << 5 << 0 << QList<int>{5};
    // Homing searches for 600 ms, then turns to slot 1.
    QTest::newRow("home 72") << 27 << 3 << int(Ptx::WheelHome) << QList<int>{3, 3, 3, 3, 2, 1};
    QTest::newRow("home -1") << 17 << 10 << -1 << QList<int>{10, 10, 10, 10, 1};
}

void TestSimMotion::wheelMove()
{
    QFETCH(int, dev);
    QFETCH(int, start);
    QFETCH(int, position);
    QFETCH(QList<int>, path);

    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Simulator &sim = *rig.sim;
    const int wheel = dev == 17 ? 1 : 2;
    sim.setWheelPosition(wheel, start);
    QCOMPARE(rig.client.request(dev, 65, 13, position).value(), position);
    for (int i = 0; i < path.size(); ++i) {
        QCOMPARE(rig.client.read(dev, 5), path[i]);
        const bool last = i == path.size() - 1;
        QCOMPARE(quint32(rig.client.read(32, 63)), last ? 0u : bit(dev));
        sim.advance(200);
    }
}

void TestSimMotion::bothWheels_data()
{
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<int>("pos1");
    QTest::addColumn<int>("pos2");
    QTest::addColumn<int>("end1");
    QTest::addColumn<int>("end2");
    QTest::addColumn<bool>("accepted");

    const QList<int> standard{1, 2, 3, 17, 27};
    QTest::newRow("both") << standard << 3 << 7 << 3 << 7 << true;
    QTest::newRow("wheel 1 stays") << standard << 0 << 4 << 1 << 4 << true;
    QTest::newRow("wheel 2 stays") << standard << 6 << 0 << 6 << 1 << true;
    QTest::newRow("wheel 2 homes") << standard << 2 << -1 << 2 << 1 << true;
    QTest::newRow("wheel 1 homes") << standard << -1 << 5 << 1 << 5 << true;
    QTest::newRow("wheel 2 out of range refuses both") << standard << 3 << 12 << 1 << 1 << false;
    QTest::newRow("wheel 2 not fitted") << QList<int>{17} << 4 << 5 << 4 << 1 << true;
}

void TestSimMotion::bothWheels()
{
    QFETCH(QList<int>, modules);
    QFETCH(int, pos1);
    QFETCH(int, pos2);
    QFETCH(int, end1);
    QFETCH(int, end2);
    QFETCH(bool, accepted);

    PtxSim::Options options;
    options.modules = modules;
    Rig rig(options);
    QVERIFY(rig.ok);
    // The panel's packing: (pos1 AND 0xFFFF) + pos2 x 65536.
    const qint32 data = qint32((pos1 & 0xFFFF) + pos2 * 65536);
    QCOMPARE(rig.client.request(17, 65, 15, data).value(), accepted ? data : -1);
    if (accepted && (end1 != 1 || end2 != 1))
        QVERIFY(rig.sim->busyMask() != 0);
    rig.sim->advance(10000);
    QCOMPARE(rig.client.read(17, 5), end1);
    QCOMPARE(rig.sim->wheelPosition(2), end2);
    QCOMPARE(rig.sim->busyMask(), 0u);
}

void TestSimMotion::wheelSizeOption()
{
    PtxSim::Options options;
    options.wheel1Positions = 6;
    options.wheel2Positions = 8;
    Rig rig(options);
    QVERIFY(rig.ok);
    QCOMPARE(rig.client.read(17, 200), 6);
    QCOMPARE(rig.client.read(27, 200), 8);
    QCOMPARE(rig.client.request(17, 65, 13, 7).value(), -1);
    QCOMPARE(rig.client.request(27, 65, 13, 8).value(), 8);
    rig.sim->setWheelSize(1, 12);
    QCOMPARE(rig.client.read(17, 200), 12);
}

void TestSimMotion::shutterCommand_data()
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
    QTest::newRow("150 ms") << 2 << 150 << 0 << 150;
    QTest::newRow("longest time") << 3 << 65535 << 0 << 65535;
}

void TestSimMotion::shutterCommand()
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
    QCOMPARE(rig.sim->shutterState(shutter), state);
    QCOMPARE(rig.sim->exposureTime(shutter), exposure);
    for (int other = 1; other <= 3; ++other) {
        if (other != shutter)
            QCOMPARE(rig.sim->shutterState(other), 0);
    }
}

void TestSimMotion::exposureClosesAfterTheExposureTime()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.client.request(17, 83, 258, shutterWord(2, 250));
    rig.client.request(17, 83, 258, shutterWord(2, 2));
    QCOMPARE(rig.client.read(17, 258, shutterWord(2, 0)), shutterWord(2, 2));
    QCOMPARE(rig.client.read(32, 63), 0);        // an exposure is not a motion
    rig.sim->advance(249);
    QCOMPARE(rig.client.read(17, 258, shutterWord(2, 0)), shutterWord(2, 2));
    rig.sim->advance(1);
    QCOMPARE(rig.client.read(17, 258, shutterWord(2, 0)), shutterWord(2, 0));
    // Halt leaves the shutters alone.
    rig.client.request(17, 83, 258, shutterWord(1, 1));
    rig.client.request(0, 66, 0, 0);
    QCOMPARE(rig.sim->shutterState(1), 1);
}

void TestSimMotion::exposureEndedEarlyByAClose()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.client.request(17, 83, 258, shutterWord(3, 2));
    rig.sim->advance(50);
    rig.client.request(17, 83, 258, shutterWord(3, 1));   // open: stays open after the time
    rig.sim->advance(1000);
    QCOMPARE(rig.sim->shutterState(3), 1);
    rig.client.request(17, 83, 258, shutterWord(3, 2));
    rig.client.request(17, 83, 258, shutterWord(3, 0));
    QCOMPARE(rig.sim->shutterState(3), 0);
}

QTEST_GUILESS_MAIN(TestSimMotion)
#include "tst_simmotion.moc"
