// The command ring, the command step and its time-outs, the polling order and the start-up
// speeds, stepped without a connection; replies are fed into the receiver.
#include "linkprobe.h"

#include <QTemporaryDir>
#include <QtTest>

class TestRing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullAt4999();
    void slotInUse();
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

void TestRing::initTestCase()
{
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
}

void TestRing::fullAt4999()
{
    LinkProbe probe;
    for (int i = 0; i < Ptx::CmdBufSize - 1; ++i)
        QCOMPARE(probe.addCommand(1, 65, 0, i, false), i);
    QCOMPARE(probe.addCommand(1, 65, 0, 0, false), -2);
    QCOMPARE(probe.addWrapperCommand(32, QStringLiteral("calib\r"), false), -2);
}

void TestRing::slotInUse()
{
    LinkProbe probe;
    probe.commandBuffer[1].done = false;
    QCOMPARE(probe.addCommand(1, 65, 0, 0, false), -3);
    QCOMPARE(probe.cmdBufHead, 0u);
}

void TestRing::wrapsAt4999()
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

void TestRing::timeout_data()
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

void TestRing::timeout()
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

void TestRing::longTimeoutIsSticky()
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

void TestRing::haltPreemptsQueue()
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

void TestRing::lateReplyForWithdrawnEntry()
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

void TestRing::indexNamingNoEntry_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("ring full") << -2;
    QTest::newRow("slot in use") << -3;
    QTest::newRow("not queued") << int(Ptx::NotQueued);
    QTest::newRow("past the end") << Ptx::CmdBufSize;
}

void TestRing::indexNamingNoEntry()
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

void TestRing::tickInsideTick()
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

void TestRing::pollOrder_data()
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

void TestRing::pollOrder()
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

void TestRing::pollRetriesRefusedRead()
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

void TestRing::impossibleStartupSpeed_data()
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

void TestRing::impossibleStartupSpeed()
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

QTEST_GUILESS_MAIN(TestRing)
#include "tst_ring.moc"
