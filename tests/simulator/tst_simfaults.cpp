// The fault switches of the link: split, coalesce, garbage, drop, delay, close after N.
#include "simfixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace SimTest;

class TestSimFaults : public QObject
{
    Q_OBJECT

private slots:
    void splitSendsOneBytePerWrite();
    void coalescePairsReplies();
    void coalesceLoneReplyLeavesAfterTheWindow();
    void garbagePrecedesEveryReply_data();
    void garbagePrecedesEveryReply();
    void dropSpreadsEvenly_data();
    void dropSpreadsEvenly();
    void delayHoldsRepliesBack();
    void delayKeepsTheOrder();
    void closeAfterPackets_data();
    void closeAfterPackets();
    void switchesCombine();
};

void TestSimFaults::splitSendsOneBytePerWrite()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setSplitBytes(true);
    rig.client.send(1, 84, 5, 0);
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 1);
    QCOMPARE(reply.index, 5);
    QVERIFY(rig.client.terminatorOk);
    QVERIFY2(rig.client.readSizes.size() >= 2, "the reply came in one piece");
    // Switched off again, the next reply comes whole.
    rig.sim->setSplitBytes(false);
    rig.client.readSizes.clear();
    QCOMPARE(rig.client.request(2, 84, 5).dev, 2);
    QCOMPARE(rig.client.readSizes, QList<int>{13});
}

void TestSimFaults::coalescePairsReplies()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Faults faults = rig.sim->faults();
    faults.coalesce = true;
    faults.coalesceWindowMs = 60000;
    rig.sim->setFaults(faults);
    rig.client.send(1, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 1);
    QVERIFY(rig.client.rx.isEmpty());           // held back until its partner comes
    rig.client.send(2, 84, 5, 0);
    QTRY_COMPARE(rig.client.rx.size(), 26);
    QCOMPARE(rig.client.readSizes, QList<int>{26});
    Reply first;
    Reply second;
    QVERIFY(rig.client.takeReply(&first));
    QVERIFY(rig.client.takeReply(&second));
    QCOMPARE(first.dev, 1);
    QCOMPARE(second.dev, 2);
}

void TestSimFaults::coalesceLoneReplyLeavesAfterTheWindow()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Faults faults = rig.sim->faults();
    faults.coalesce = true;
    faults.coalesceWindowMs = 30;
    rig.sim->setFaults(faults);
    Reply reply;
    rig.client.send(3, 84, 5, 0);
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 3);
    // Switching the fault off lets a held reply go with the next one, in order.
    faults.coalesceWindowMs = 60000;
    rig.sim->setFaults(faults);
    rig.client.send(1, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 2);
    rig.sim->setCoalesce(false);
    rig.client.send(2, 84, 5, 0);
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 1);
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 2);
}

void TestSimFaults::garbagePrecedesEveryReply_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one byte") << 1;
    QTest::newRow("eleven bytes") << 11;
    QTest::newRow("long noise") << 300;
}

void TestSimFaults::garbagePrecedesEveryReply()
{
    QFETCH(int, count);
    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setGarbageBytes(count);
    for (int i = 0; i < 3; ++i) {
        Reply reply = rig.client.request(1, 84, 13);
        QCOMPARE(reply.cmd, 212);
        QCOMPARE(rig.client.skipped.size(), count);
        QVERIFY(!rig.client.skipped.contains('#'));
    }
}

void TestSimFaults::dropSpreadsEvenly_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QList<bool>>("answered");

    QTest::newRow("none") << 0.0 << QList<bool>{true, true, true, true};
    QTest::newRow("a quarter") << 0.25 << QList<bool>{true, true, true, false};
    QTest::newRow("a half") << 0.5 << QList<bool>{true, false, true, false};
    QTest::newRow("all") << 1.0 << QList<bool>{false, false, false, false};
}

void TestSimFaults::dropSpreadsEvenly()
{
    QFETCH(double, fraction);
    QFETCH(QList<bool>, answered);

    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setDropFraction(fraction);
    int expected = 0;
    for (int i = 0; i < answered.size(); ++i) {
        rig.client.send(1, 84, 5, 0);
        QTRY_COMPARE(rig.sim->total(), i + 1);
        if (answered[i]) {
            Reply reply;
            QVERIFY(rig.client.waitReply(&reply));
            ++expected;
        }
    }
    QVERIFY(staysQuiet(rig.client, 50));
    QCOMPARE(rig.sim->repliesSent(), expected);
}

void TestSimFaults::delayHoldsRepliesBack()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setReplyDelay(150);
    QElapsedTimer timer;
    timer.start();
    rig.client.send(1, 84, 5, 0);
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QVERIFY2(timer.elapsed() >= 150, qPrintable(QString::number(timer.elapsed())));
    rig.sim->setReplyDelay(0);
    timer.restart();
    QCOMPARE(rig.client.request(2, 84, 5).dev, 2);
}

void TestSimFaults::delayKeepsTheOrder()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setReplyDelay(100);
    rig.client.send(1, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 1);
    rig.sim->setReplyDelay(0);
    rig.client.send(2, 84, 5, 0);
    Reply reply;
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 1);
    QVERIFY(rig.client.waitReply(&reply));
    QCOMPARE(reply.dev, 2);
}

void TestSimFaults::closeAfterPackets_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("first packet") << 1;
    QTest::newRow("third packet") << 3;
}

void TestSimFaults::closeAfterPackets()
{
    QFETCH(int, limit);
    Rig rig;
    QVERIFY(rig.ok);
    QSignalSpy goneSpy(rig.sim.get(), &PtxSim::Simulator::clientDisconnected);
    rig.sim->setCloseAfter(limit);
    for (int i = 1; i < limit; ++i)
        QCOMPARE(rig.client.request(1, 84, 5).dev, 1);
    rig.client.send(1, 84, 5, 0);
    QVERIFY(QTest::qWaitFor([&] { return rig.client.socket.state() == QAbstractSocket::UnconnectedState; }, WaitMs));
    Reply reply;
    QVERIFY(!rig.client.takeReply(&reply));     // the last packet got no answer
    QCOMPARE(rig.sim->total(), limit);
    QCOMPARE(rig.sim->repliesSent(), limit - 1);
    QCOMPARE(goneSpy.count(), 1);
    QVERIFY(!rig.sim->hasClient());
    // The count starts again on the next connection.
    RawClient again;
    QVERIFY(again.connectTo(rig.sim->serverPort()));
    QVERIFY(again.login());
    for (int i = 1; i < limit; ++i)
        QCOMPARE(again.request(2, 84, 5).dev, 2);
}

void TestSimFaults::switchesCombine()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Faults faults;
    faults.splitBytes = true;
    faults.garbageBytes = 4;
    faults.coalesce = true;
    faults.coalesceWindowMs = 60000;
    rig.sim->setFaults(faults);
    rig.client.sendRaw(packetBytes(1, 84, 5, 0) + packetBytes(2, 84, 13, 0));
    Reply first;
    Reply second;
    QVERIFY(rig.client.waitReply(&first));
    QCOMPARE(rig.client.skipped.size(), 4);
    QVERIFY(rig.client.waitReply(&second));
    QCOMPARE(rig.client.skipped.size(), 4);
    QCOMPARE(first.dev, 1);
    QCOMPARE(second.value(), 50000);
    QVERIFY(rig.client.readSizes.size() >= 2);
}

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_simfaults.moc"
