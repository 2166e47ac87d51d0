// The link under the simulated controller's fault switches, a peer sending broken frames, a
// lost connection and halt pre-emption, all over loopback.
#include "simrig.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsSurviveFaults_data();
    void readsSurviveFaults();
    void twoRepliesInOneRead();
    void droppedReplyMovesOn();
    void brokenFramesOverTheWire();
    void connectionLost_data();
    void connectionLost();
    void closeInsideSocketSlot();
    void connectFails();
    void haltPreemptsOverTheWire();
    void newAddressDisconnects();
    void connectAndDisconnectSignals();

private:
    QTemporaryDir dir;
};

namespace {
const QString Lost = QStringLiteral("CONNECTION LOST!");
}

void TestFaults::initTestCase()
{
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
}

void TestFaults::readsSurviveFaults_data()
{
    QTest::addColumn<PtxSim::Faults>("faults");
    PtxSim::Faults f;
    f.splitBytes = true;
    QTest::newRow("every byte its own write") << f;
    f = {};
    f.garbageBytes = 2500;
    QTest::newRow("noise longer than a read chunk") << f;
    f = {};
    f.delayMs = 30;
    QTest::newRow("late replies") << f;
    f = {};
    f.coalesce = true;
    QTest::newRow("replies in pairs") << f;
    f = {};
    f.splitBytes = true;
    f.garbageBytes = 3;
    QTest::newRow("split noise") << f;
}

void TestFaults::readsSurviveFaults()
{
    QFETCH(PtxSim::Faults, faults);
    DiagCapture diag;
    SimRig rig;
    QVERIFY(rig.connectAndLogIn());
    rig.sim.setAxisPosition(1, -123456);
    rig.sim.setAxisPosition(2, 765432);
    rig.sim.setAxisPosition(3, -2);
    rig.sim.setFaults(faults);
    long x = 0, y = 0, z = 0;
    rig.probe.addCommand(1, 84, 5, 0, true, &x);
    rig.probe.addCommand(2, 84, 5, 0, true, &y);
    const int last = rig.probe.addCommand(3, 84, 5, 0, true, &z);
    QVERIFY(rig.tickUntil([&] { return rig.probe.cmdDone(last); }, 50));
    QCOMPARE((QList<long>{x, y, z}), (QList<long>{-123456, 765432, -2}));
    QVERIFY(!diag.contains(QStringLiteral("COMM ERROR")));
}

void TestFaults::twoRepliesInOneRead()
{
    SimRig rig;
    QVERIFY(rig.connectAndLogIn());
    rig.sim.setAxisPosition(1, 111);
    rig.sim.setAxisPosition(2, 222);
    rig.sim.setCoalesce(true);
    // The first read waits for nothing, so both requests leave before either reply: the
    // controller answers them together.
    rig.probe.addCommand(1, 84, 5, 0, false);
    long y = 0;
    const int slot = rig.probe.addCommand(2, 84, 5, 0, true, &y);
    QVERIFY(rig.tickUntil([&] { return rig.probe.cmdDone(slot); }, 20));
    QVERIFY(!rig.probe.commandBuffer[slot].error);
    QCOMPARE(y, 222l);
    QCOMPARE(rig.probe.xpos, 111l);
}

void TestFaults::droppedReplyMovesOn()
{
    DiagCapture diag;
    SimRig rig;
    QVERIFY(rig.connectAndLogIn());
    rig.sim.setDropFraction(1.0);
    const int read = rig.probe.addCommand(1, 84, 5, 0, true);
    const int move = rig.probe.addCommand(2, 65, 0, 4000, false);
    rig.tick(10);
    QVERIFY(!rig.probe.cmdDone(read));
    rig.tick();
    QVERIFY(rig.probe.commandBuffer[read].error);
    QCOMPARE(diag.lines().filter(QStringLiteral("COMM ERROR")),
             QStringList{QStringLiteral("COMM ERROR 1,84,5,0")});
    QCOMPARE(rig.sim.count(2, 65, 0), 0);
    rig.tick();
    QVERIFY(rig.probe.cmdDone(move));
    QCOMPARE(rig.sim.count(2, 65, 0), 1);
}

void TestFaults::brokenFramesOverTheWire()
{
    DiagCapture diag;
    auto reply = [](uint dev, long value) {
        return Ptx::encodeCommandPacket(dev, Ptx::CmdRead + Ptx::ReplyOffset, 5, 4, value);
    };
    QByteArray noEnd = reply(2, 999);
    noEnd[12] = 'x';
    // A peer that sends the log-in text, then more than one read chunk of noise, a header
    // declaring 32767 data bytes and a frame without its terminator, each followed by a good one.
    const QByteArray burst = "Login: Password: ready\r\n" + QByteArray(2500, 'n')
                             + reply(1, 0).left(6) + "\xff\x7f" + reply(1, 31) + noEnd
                             + reply(2, 32) + QByteArray(2200, '\0') + reply(3, 33);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::newConnection, &server,
            [&] { server.nextPendingConnection()->write(burst); });
    LinkProbe probe;
    QVERIFY(probe.openConnection(QStringLiteral("127.0.0.1:%1").arg(server.serverPort())));
    QVERIFY(SimRig::waitFor([&] { return probe.zpos == 33; }));
    probe.timer->stop();
    QCOMPARE(probe.xpos, 31l);
    QCOMPARE(probe.ypos, 32l);
    QCOMPARE(countLines(diag, QStringLiteral("Packet dropped")), 2);
}

void TestFaults::connectionLost_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("recipe");
    QTest::newRow("controller hangs up") << "hang up" << false;
    QTest::newRow("hang up during a recipe") << "hang up" << true;
    QTest::newRow("closed after 5 packets") << "close after" << false;
    QTest::newRow("log-in refused") << "refuse" << false;
}

void TestFaults::connectionLost()
{
    QFETCH(QString, how);
    QFETCH(bool, recipe);
    DiagCapture diag;
    SimRig rig;
    rig.sim.setRefuseLogin(how == QLatin1String("refuse"));
    rig.sim.setCloseAfter(how == QLatin1String("close after") ? 5 : 0);
    QSignalSpy connects(&rig.probe, &KelInterface::connectChanged);
    QSignalSpy recipeStatus(&rig.probe, &KelInterface::updateRecipeSts);
    QVERIFY(rig.probe.openConnection(rig.sim.clientAddress()));
    if (how != QLatin1String("refuse")) {
        QVERIFY(SimRig::waitFor([&] { return rig.probe.connectionState == 3; }));
        rig.probe.timer->stop();
        rig.probe.recipeRunning = recipe;
        for (int i = 0; i < 6; ++i)
            rig.probe.addCommand(1, 65, 0, i, false);
        if (how == QLatin1String("hang up"))
            rig.sim.dropClient();
        else
            rig.tickUntil([&] { return rig.probe.connectionState == 0; }, 10);
    }
    QVERIFY(SimRig::waitFor([&] { return rig.display.contains(Lost); }));
    QCOMPARE(rig.display.last(), Lost);
    QCOMPARE(rig.display.count(Lost), 1);
    QCOMPARE(connects.last().at(0).toInt(), 0);
    QVERIFY(!rig.probe.timer->isActive());
    QCOMPARE(rig.probe.connectionState, 0u);
    QCOMPARE(rig.probe.interfaceState, unsigned(KelInterface::INT_INIT));
    QVERIFY(!rig.probe.recipeRunning);
    QCOMPARE(recipeStatus.count(), recipe ? 1 : 0);
    // A later disconnect by the operator is an ordinary one.
    rig.probe.closeConnection();
    rig.pump();
    QCOMPARE(rig.display.count(Lost), 1);
}

void TestFaults::closeInsideSocketSlot()
{
    DiagCapture diag;
    SimRig rig;
    QVERIFY(rig.connectAndLogIn());
    rig.sim.setCoalesce(true);
    rig.sim.setAxisPosition(2, 5);
    // The screen disconnects from a slot reached while the socket's data is being read.
    connect(&rig.probe, &KelInterface::xPosChanged, &rig.probe,
            [&rig] { rig.probe.closeConnection(); });
    rig.probe.addCommand(1, 84, 5, 0, false);
    rig.probe.addCommand(2, 84, 5, 0, false);
    rig.tick(2);
    QVERIFY(SimRig::waitFor([&] { return rig.display.contains(QStringLiteral("DisConnected!")); }));
    rig.pump();
    QCOMPARE(rig.probe.ypos, 0l); // bytes after the close are not read
    QVERIFY(!rig.display.contains(Lost));
    // The link can be opened again.
    QVERIFY(rig.connectAndLogIn());
}

void TestFaults::connectFails()
{
    DiagCapture diag;
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString target = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    LinkProbe probe;
    QSignalSpy lines(&probe, &KelInterface::addDispLine);
    QSignalSpy connects(&probe, &KelInterface::connectChanged);
    QVERIFY(!probe.openConnection(target));
    QCOMPARE(lines.last().at(0).toString(), QStringLiteral("CONNECT FAILED!!!!"));
    QCOMPARE(connects.count(), 2);
    QCOMPARE(connects.last().at(0).toInt(), 0);
    SimRig::waitFor([] { return false; }, 50);
    QCOMPARE(lines.count(), 1);
}

void TestFaults::haltPreemptsOverTheWire()
{
    SimRig rig;
    QVERIFY(rig.connectAndLogIn());
    // Module 5 is not fitted: its read waits for a reply that never comes.
    QList<int> withdrawn{rig.probe.addCommand(5, 84, 5, 0, true)};
    rig.tick();
    for (int i = 0; i < 10; ++i)
        withdrawn << rig.probe.addCommand(1, 65, 0, 1000 * (i + 1), false);
    rig.sim.resetCounters();
    rig.probe.haltAll();
    for (int slot : withdrawn)
        QVERIFY(rig.probe.commandBuffer[slot].done && rig.probe.commandBuffer[slot].error);
    rig.tick(20);
    QCOMPARE(rig.sim.total(), 1);
    QCOMPARE(rig.sim.count(0, 66, 0), 1);
}

void TestFaults::newAddressDisconnects()
{
    DiagCapture diag;
    SimRig rig;
    PtxSim::Simulator other;
    QVERIFY(other.listen());
    QVERIFY(rig.connectAndLogIn());
    QSignalSpy connects(&rig.probe, &KelInterface::connectChanged);
    rig.probe.setIpAddr(other.clientAddress());
    QCOMPARE(connects.count(), 2);
    QCOMPARE(rig.display.last(), QStringLiteral("DisConnected!"));
    QVERIFY(SimRig::waitFor([&] { return !rig.sim.hasClient(); }));
    QVERIFY(rig.probe.openConnection());
    QVERIFY(SimRig::waitFor([&] { return other.isLoggedIn(); }));
    QVERIFY(!rig.display.contains(Lost));
}

void TestFaults::connectAndDisconnectSignals()
{
    // The screens rely on the order: "not connected" as the attempt starts, the display
    // cleared before "Connected!", and "not connected" on both sides of "DisConnected!".
    DiagCapture diag;
    SimRig rig;
    QStringList events;
    connect(&rig.probe, &KelInterface::connectChanged, &rig.probe,
            [&events](int value) { events << QStringLiteral("connect %1").arg(value); });
    connect(&rig.probe, &KelInterface::clrDisp, &rig.probe,
            [&events] { events << QStringLiteral("clear"); });
    connect(&rig.probe, &KelInterface::addDispLine, &rig.probe,
            [&events](const QString &line) { events << line; });
    QVERIFY(rig.probe.openConnection(rig.sim.clientAddress()));
    rig.probe.closeConnection();
    QCOMPARE(events, (QStringList{"connect 0", "clear", "Connected!", "connect 1",
                                  "connect 0", "clear", "DisConnected!", "connect 0"}));
    QCOMPARE(diag.lines(), (QStringList{"Connected!", "DisConnected!"}));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
