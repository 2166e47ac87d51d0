// The simulator's server side: log-in, one client at a time, and the fault switches of the link.
#include "simclient.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace SimTest;

class TestSimLink : public QObject
{
    Q_OBJECT

private slots:
    void loginOutcome_data();
    void loginOutcome();
    void loginLineOverLongIsRefused();
    void packetsInTheSameWriteAsThePasswordAreServed();
    void splitSendsOneBytePerWrite();
    void coalescePairsReplies();
    void garbagePrecedesEveryReply();
    void dropSpreadsEvenly_data();
    void dropSpreadsEvenly();
    void delayHoldsRepliesBackInOrder();
    void closeAfterPackets_data();
    void closeAfterPackets();
};

void TestSimLink::loginOutcome_data()
{
    QTest::addColumn<QString>("simUser");       // empty: the built-in credentials
    QTest::addColumn<bool>("refuseSwitch");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("accepted");

    const QByteArray u(Ptx::LoginUser);
    const QByteArray p(Ptx::LoginPassword);
    QTest::newRow("built-in credentials") << QString() << false << u << p << true;
    QTest::newRow("CRLF line ends") << QString() << false << u + '\r' << p + '\r' << true;
    QTest::newRow("wrong user") << QString() << false << QByteArray("admin") << p << false;
    QTest::newRow("wrong password") << QString() << false << u << QByteArray("xyz") << false;
    QTest::newRow("refuse switch") << QString() << true << u << p << false;
    QTest::newRow("own credentials") << "lab" << false << QByteArray("lab") << QByteArray("lab-pw") << true;
    QTest::newRow("built-in ones then refused") << "lab" << false << u << p << false;
}

void TestSimLink::loginOutcome()
{
    QFETCH(QString, simUser);
    QFETCH(bool, refuseSwitch);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    QFETCH(bool, accepted);

    PtxSim::Simulator sim;
    if (!simUser.isEmpty())
        sim.setCredentials(simUser, simUser + "-pw");
    sim.setRefuseLogin(refuseSwitch);
    QSignalSpy loggedIn(&sim, &PtxSim::Simulator::loggedIn);
    QSignalSpy refused(&sim, &PtxSim::Simulator::loginRefused);
    QSignalSpy gone(&sim, &PtxSim::Simulator::clientDisconnected);
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.answerPrompts(user, password + '\n'));
    if (accepted) {
        QVERIFY(client.waitText("\n"));
        QVERIFY(client.rx.endsWith('\n') && !client.rx.contains('#'));
        QCOMPARE(loggedIn.count(), 1);
        QCOMPARE(client.request(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition).cmd,
                 int(Ptx::CmdRead + Ptx::ReplyOffset));
    } else {
        QVERIFY(client.waitClosed());
        QVERIFY(client.rx.contains("Login incorrect"));
        QCOMPARE(refused.count(), 1);
        QCOMPARE(gone.count(), 1);
        QCOMPARE(loggedIn.count(), 0);
        QVERIFY(!sim.hasClient());
    }
}

void TestSimLink::loginLineOverLongIsRefused()
{
    PtxSim::Simulator sim;
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.waitText("Login:"));
    client.socket.write(QByteArray(5000, 'a'));
    QVERIFY(client.waitClosed());
    QVERIFY(client.rx.contains("Login incorrect"));
}

void TestSimLink::packetsInTheSameWriteAsThePasswordAreServed()
{
    PtxSim::Simulator sim;
    QVERIFY(sim.listen());
    RawClient client;
    QVERIFY(client.connectTo(sim.serverPort()));
    QVERIFY(client.answerPrompts(Ptx::LoginUser, QByteArray(Ptx::LoginPassword) + '\n'
                                 + packetBytes(Ptx::DevController, Ptx::CmdRead, Ptx::IdxBusyMask, 0)));
    QVERIFY(client.waitText("\n"));
    client.rx.remove(0, client.rx.indexOf('\n') + 1);
    QCOMPARE(client.nextDev(), int(Ptx::DevController));
}

void TestSimLink::splitSendsOneBytePerWrite()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setSplitBytes(true);
    Reply reply = rig.client.request(1, 84, 5);
    QCOMPARE(reply.index, 5);
    QVERIFY(rig.client.terminatorOk);
    QVERIFY2(rig.client.readSizes.size() >= 2, "the reply came in one piece");
    // Switched off again, the next reply comes whole.
    rig.sim->setSplitBytes(false);
    rig.client.readSizes.clear();
    QCOMPARE(rig.client.request(2, 84, 5).dev, 2);
    QCOMPARE(rig.client.readSizes, QList<int>{13});
}

void TestSimLink::coalescePairsReplies()
{
    Rig rig;
    QVERIFY(rig.ok);
    PtxSim::Faults faults;
    faults.coalesce = true;
    faults.coalesceWindowMs = 60000;
    rig.sim->setFaults(faults);
    rig.client.send(1, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 1);
    QVERIFY(rig.client.rx.isEmpty());           // held back until its partner comes
    rig.client.send(2, 84, 5, 0);
    QTRY_COMPARE(rig.client.readSizes, QList<int>{26});
    QCOMPARE(rig.client.nextDev(), 1);
    QCOMPARE(rig.client.nextDev(), 2);
    // A lone reply leaves once the window is over.
    faults.coalesceWindowMs = 30;
    rig.sim->setFaults(faults);
    rig.client.send(3, 84, 5, 0);
    QCOMPARE(rig.client.nextDev(), 3);
    // Switching the fault off lets a held reply go with the next one, in order.
    faults.coalesceWindowMs = 60000;
    rig.sim->setFaults(faults);
    rig.client.send(1, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 4);
    rig.sim->setCoalesce(false);
    rig.client.send(2, 84, 5, 0);
    QCOMPARE(rig.client.nextDev(), 1);
    QCOMPARE(rig.client.nextDev(), 2);
}

void TestSimLink::garbagePrecedesEveryReply()
{
    for (int count : {1, 300}) {
        Rig rig;
        QVERIFY(rig.ok);
        rig.sim->setGarbageBytes(count);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(rig.client.request(1, 84, 13).value(), 50000);
            QCOMPARE(rig.client.skipped.size(), count);
            QVERIFY(!rig.client.skipped.contains('#'));
        }
    }
}

void TestSimLink::dropSpreadsEvenly_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QList<bool>>("answered");

    QTest::newRow("none") << 0.0 << QList<bool>{true, true, true, true};
    QTest::newRow("a quarter") << 0.25 << QList<bool>{true, true, true, false};
    QTest::newRow("a half") << 0.5 << QList<bool>{true, false, true, false};
    QTest::newRow("all") << 1.0 << QList<bool>{false, false, false, false};
}

void TestSimLink::dropSpreadsEvenly()
{
    QFETCH(double, fraction);
    QFETCH(QList<bool>, answered);

    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setDropFraction(fraction);
    for (int i = 0; i < answered.size(); ++i) {
        rig.client.send(1, 84, 5, 0);
        QTRY_COMPARE(rig.sim->total(), i + 1);
        if (answered[i])
            QCOMPARE(rig.client.nextDev(), 1);
    }
    QVERIFY(staysQuiet(rig.client, 50));
    QCOMPARE(rig.sim->repliesSent(), int(answered.count(true)));
}

void TestSimLink::delayHoldsRepliesBackInOrder()
{
    Rig rig;
    QVERIFY(rig.ok);
    rig.sim->setReplyDelay(100);
    QElapsedTimer timer;
    timer.start();
    rig.client.send(1, 84, 5, 0);
    QTRY_COMPARE(rig.sim->total(), 1);
    // A reply without delay does not overtake the delayed one.
    rig.sim->setReplyDelay(0);
    rig.client.send(2, 84, 5, 0);
    QCOMPARE(rig.client.nextDev(), 1);
    QVERIFY2(timer.elapsed() >= 100, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(rig.client.nextDev(), 2);
}

void TestSimLink::closeAfterPackets_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("first packet") << 1;
    QTest::newRow("third packet") << 3;
}

void TestSimLink::closeAfterPackets()
{
    QFETCH(int, limit);
    Rig rig;
    QVERIFY(rig.ok);
    QSignalSpy gone(rig.sim.get(), &PtxSim::Simulator::clientDisconnected);
    rig.sim->setCloseAfter(limit);
    for (int i = 1; i < limit; ++i)
        QCOMPARE(rig.client.request(1, 84, 5).dev, 1);
    rig.client.send(1, 84, 5, 0);
    QVERIFY(rig.client.waitClosed());
    Reply reply;
    QVERIFY(!rig.client.takeReply(&reply));     // the last packet got no answer
    QCOMPARE(rig.sim->total(), limit);
    QCOMPARE(rig.sim->repliesSent(), limit - 1);
    QCOMPARE(gone.count(), 1);
    // The count starts again on the next connection.
    RawClient again;
    QVERIFY(again.connectTo(rig.sim->serverPort()) && again.login());
    for (int i = 1; i < limit; ++i)
        QCOMPARE(again.request(2, 84, 5).dev, 2);
}

QTEST_GUILESS_MAIN(TestSimLink)
#include "tst_simlink.moc"
