// The simulated controller as a raw client sees it: the replies to its commands and their
// effect on axes, wheels and shutters on the manual clock.
#include "simclient.h"

#include <QtTest>

using namespace SimTest;

namespace {
constexpr int Refused = -1;
constexpr int NoAnswer = -2;
constexpr quint32 bit(int module) { return 1u << module; }
qint32 shutterWord(int k, int low) { return (int(Ptx::ShutterBase) + k) * 65536 + low; }
}

class TestSimCommands : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QList<int>>("packet");     // dev, cmd, index, data
        QTest::addColumn<int>("value");
        QTest::newRow("X position at power-up") << QList<int>{1, 84, 5, 0} << 0;
        QTest::newRow("Z speed at power-up") << QList<int>{3, 84, 13, 0} << 50000;
        QTest::newRow("shutter 3 state") << QList<int>{17, 84, 258, shutterWord(3, 0)} << shutterWord(3, 0);
        QTest::newRow("shutter 4 does not exist") << QList<int>{17, 84, 258, shutterWord(4, 0)} << Refused;
        QTest::newRow("absolute move echoes the target") << QList<int>{2, 65, 0, -1234} << -1234;
        QTest::newRow("speed not positive") << QList<int>{1, 83, 13, 0} << Refused;
        QTest::newRow("unknown command") << QList<int>{1, 70, 0, 0} << Refused;
        QTest::newRow("wheel position out of range") << QList<int>{17, 65, 13, 11} << Refused;
        QTest::newRow("double move on wheel 2") << QList<int>{27, 65, 15, 3} << Refused;
        QTest::newRow("module 4 not fitted") << QList<int>{4, 84, 5, 0} << NoAnswer;
        QTest::newRow("device 200") << QList<int>{200, 65, 0, 0} << NoAnswer;
    }

    void replies()
    {
        QFETCH(QList<int>, packet);
        QFETCH(int, value);
        Rig rig;
        QVERIFY(rig.ok);
        // The busy-mask read behind it is always answered: a command without an answer lets
        // that reply come first.
        rig.send(packet[0], packet[1], packet[2], packet[3]);
        rig.send(32, 84, 63, 0);
        const Reply reply = rig.next();
        QVERIFY(reply.terminated);
        if (value == NoAnswer) {
            QCOMPARE(reply.header.dev, 32u);
            QCOMPARE(rig.sim.count(packet[0], packet[1], packet[2]), 1);
            return;
        }
        QCOMPARE((QList<uint>{reply.header.dev, reply.header.cmd, reply.header.index}),
                 (QList<uint>{uint(packet[0]), packet[1] + Ptx::ReplyOffset, uint(packet[2])}));
        QCOMPARE(reply.value(), value);
        QCOMPARE(rig.next().header.dev, 32u);
    }

    void axisMove_data()
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
    }

    void axisMove()
    {
        QFETCH(int, dev);
        QFETCH(int, start);
        QFETCH(QList<int>, move);
        QFETCH(int, target);
        Rig rig;
        QVERIFY(rig.ok);
        rig.sim.setTravel(dev, -10000, 10000);
        rig.sim.setAxisPosition(dev, start);
        QCOMPARE(rig.request(dev, 83, 13, 1000).value(), 1000);
        QCOMPARE(rig.read(dev, 13), 1000);
        QCOMPARE(rig.request(dev, 65, move[0], move[1]).value(), move[1]);
        const int distance = qAbs(target - start);
        const int sign = target > start ? 1 : -1;
        rig.sim.advance(distance - 1);          // one millisecond short: still one step away
        QCOMPARE(rig.read(dev, 5), target - sign);
        QCOMPARE(quint32(rig.read(32, 63)), bit(dev));
        rig.sim.advance(1);
        QCOMPARE(rig.read(dev, 5), target);
        QCOMPARE(rig.read(32, 63), 0);
    }

    void wheelMove_data()
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
    }

    void wheelMove()
    {
        QFETCH(int, dev);
        QFETCH(int, start);
        QFETCH(int, position);
        QFETCH(QList<int>, path);
        Rig rig;
        QVERIFY(rig.ok);
        rig.sim.setWheelPosition(dev == 17 ? 1 : 2, start);
        QCOMPARE(rig.request(dev, 65, 13, position).value(), position);
        for (int i = 0; i < path.size(); ++i) {
            QCOMPARE(rig.read(dev, 5), path[i]);
            QCOMPARE(quint32(rig.read(32, 63)), i == path.size() - 1 ? 0u : bit(dev));
            rig.sim.advance(200);
        }
    }

    void exposureAndHalt()
    {
        Rig rig;
        QVERIFY(rig.ok);
        PtxSim::Simulator &sim = rig.sim;
        sim.setAxisSpeed(1, 1000);
        rig.request(17, 83, 258, shutterWord(2, 250));
        rig.request(17, 83, 258, shutterWord(2, 2));
        rig.request(1, 65, 0, 5000);
        rig.request(17, 65, 15, 6 + 6 * 65536);
        sim.advance(249);
        QCOMPARE(rig.read(17, 258, shutterWord(2, 0)), shutterWord(2, 2));
        QCOMPARE(sim.busyMask(), bit(1) | bit(17) | bit(27));   // an exposure is not a motion
        sim.advance(1);
        QCOMPARE(rig.read(17, 258, shutterWord(2, 0)), shutterWord(2, 0));
        // Halt stops axes and wheels where they are and leaves the shutters alone.
        rig.request(17, 83, 258, shutterWord(1, 1));
        QCOMPARE(rig.request(0, 66, 0, 0).header.cmd, 66 + Ptx::ReplyOffset);
        QCOMPARE(rig.read(32, 63), 0);
        sim.advance(10000);
        QCOMPARE(sim.axisPosition(1), 250);
        QCOMPARE(rig.read(17, 5), 2);        // one of five slots turned in 250 ms
        QCOMPARE(sim.shutterState(1), 1);
    }
};

QTEST_GUILESS_MAIN(TestSimCommands)
#include "tst_simcommands.moc"
