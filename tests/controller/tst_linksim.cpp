// The link against the simulated controller over loopback: the start-up and system check, the
// fault switches, a peer sending broken frames, a lost connection and halt pre-emption.
#include "simrig.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

class TestLinkSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void fullSequence();
    void noModuleAnswers();
    void calibrationAndLoadPoints_data();
    void calibrationAndLoadPoints();
    void forceStageInitCalibratesOnce_data();
    void forceStageInitCalibratesOnce();
    void disconnectRestartsStartup();
    void runsOnTheRealTimer();

    void readsSurviveFaults_data();
    void readsSurviveFaults();
    void twoRepliesInOneRead();
    void droppedReplyMovesOn();
    void brokenFramesOverTheWire();
    void connectionLost_data();
    void connectionLost();
    void closeInsideSocketSlot();
    void haltPreemptsOverTheWire();
    void newAddressDisconnects();
    void connectAndDisconnectSignals();
    void nothingStaleAfterReconnecting_data();
    void nothingStaleAfterReconnecting();

private:
    QTemporaryDir dir;
};

namespace {
const QString Calibrating = QStringLiteral("Calibrating Stage....");
const QString XYLoadPoint = QStringLiteral("Moving to XY Load Point");
const QString Lost = QStringLiteral("CONNECTION LOST!");
}

void TestLinkSim::initTestCase()
{
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
}

void TestLinkSim::init()
{
    QFile::remove(QStringLiteral("config.xml"));
}

void TestLinkSim::fullSequence()
{
    DiagCapture diag;
    SimRig rig;
    QSignalSpy connects(&rig.probe, &KelInterface::connectChanged);
    QVERIFY(rig.connectAndLogIn());
    QVERIFY(rig.tickUntil([&] { return rig.probe.isConnected(); }, 1000));
    QCOMPARE(connects.last().at(0).toInt(), 2);
    QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_NORMAL; },
                          500));

    QStringList expected{QStringLiteral("Initializing.  Please Wait."), QStringLiteral("."),
                         QStringLiteral(".")};
    for (int m = 1; m < 32; ++m) {
        if (m != 13)
            expected << QStringLiteral("Scanning for Module %1").arg(m);
    }
    expected << QStringLiteral("Setting Def SPeeds") << QStringLiteral("SYTEM OK!")
             << QStringLiteral("Setting Stage Speeds....") << QStringLiteral("setting Z speeds")
             << QStringLiteral("Intialization Finished!!!");
    QCOMPARE(rig.display.mid(rig.display.indexOf(expected.first())), expected);
    QCOMPARE(countLines(diag, QStringLiteral("Checking Module")), 30);
    QCOMPARE(countLines(diag, QStringLiteral("COMM ERROR")), 25);

    for (uint m = 0; m < 40; ++m)
        QCOMPARE(rig.probe.getModPresent(m), QList<uint>({1, 2, 3, 17, 27}).contains(m));
    QCOMPARE(rig.sim.count(13, 84, 5), 0);
    QCOMPARE(rig.sim.count(31, 84, 5), 1);
    // Speeds: default speeds by command 83, then the texts of the system check.
    QCOMPARE(rig.sim.count(1, 83, 13), 1);
    QCOMPARE(rig.sim.axisSpeed(3), 25000);
    QCOMPARE(rig.sim.centringSpeed(1), 50000);
    QCOMPARE(rig.sim.count(32, 9, 0), 3);
    QCOMPARE(rig.probe.fw2NumPos, long(rig.sim.wheelSize(2)));
    QVERIFY(!rig.display.contains(Calibrating));     // no calibration without the setting
}

void TestLinkSim::noModuleAnswers()
{
    DiagCapture diag;
    PtxSim::Options options;
    options.modules.clear();
    SimRig rig(options);
    QVERIFY(rig.connectAndLogIn());
    QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_SYSCHECK; },
                          1000));
    QCOMPARE(countLines(diag, QStringLiteral("COMM ERROR")), 30);
    QVERIFY(rig.display.contains(QStringLiteral("SYTEM OK!")));
    QList<uint> visited{rig.probe.interfaceSubState};
    while (rig.probe.interfaceState == KelInterface::INT_SYSCHECK && visited.size() < 50) {
        rig.tick();
        if (visited.last() != rig.probe.interfaceSubState)
            visited << rig.probe.interfaceSubState;
    }
    QCOMPARE(visited, (QList<uint>{0, 20, 30, 40, 50, 90, 0}));
    QCOMPARE(rig.sim.count(32, 9, 0), 0);
    QCOMPARE(rig.probe.modulespresent, 0u);
}

void TestLinkSim::calibrationAndLoadPoints_data()
{
    QTest::addColumn<bool>("centre");
    QTest::addColumn<bool>("xyEnable");
    QTest::addColumn<bool>("zEnable");
    QTest::addColumn<QList<int>>("positions");  // X, Y and Z afterwards
    // The simulator starts at X 333, Y 0, Z 555, with the travel centred on 0.
    QTest::newRow("nothing set") << false << false << false << QList<int>{333, 0, 555};
    QTest::newRow("XY enable without centring") << false << true << false << QList<int>{333, 0, 555};
    QTest::newRow("centring without XY enable") << true << false << false << QList<int>{0, 0, 555};
    QTest::newRow("everything") << true << true << true << QList<int>{15000, -22500, 300};
}

void TestLinkSim::calibrationAndLoadPoints()
{
    QFETCH(bool, centre);
    QFETCH(bool, xyEnable);
    QFETCH(bool, zEnable);
    QFETCH(QList<int>, positions);
    DiagCapture diag;
    SimRig rig;
    rig.hardwareMsPerTick = 250;
    rig.probe.doStageCenter = centre;
    rig.probe.loadptEnXY = xyEnable;
    rig.probe.loadptEnZ = zEnable;
    rig.probe.loadptX = 1.5;
    rig.probe.loadptY = -2.25;
    rig.probe.loadptZ = 30.0;
    rig.sim.setAxisPosition(1, 333);
    rig.sim.setAxisPosition(3, 555);
    QVERIFY(rig.startUp());
    QCOMPARE(rig.display.contains(Calibrating), centre);
    QCOMPARE((QList<int>{rig.sim.axisPosition(1), rig.sim.axisPosition(2), rig.sim.axisPosition(3)}),
             positions);
    QVERIFY(!rig.probe.doStageCenterTemp);
}

void TestLinkSim::forceStageInitCalibratesOnce_data()
{
    QTest::addColumn<bool>("centre");
    QTest::newRow("centring off: no load point") << false;
    QTest::newRow("centring on: load point") << true;
}

void TestLinkSim::forceStageInitCalibratesOnce()
{
    QFETCH(bool, centre);
    DiagCapture diag;
    SimRig rig;
    rig.hardwareMsPerTick = 250;
    rig.probe.loadptEnXY = true;
    rig.probe.loadptX = 2.0;
    QVERIFY(rig.startUp());
    rig.probe.doStageCenter = centre;
    rig.display.clear();
    rig.probe.forceStageInit();
    QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_SYSCHECK; },
                          100));
    QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_NORMAL; },
                          3000));
    QCOMPARE(rig.display.count(Calibrating), 1);
    QCOMPARE(rig.display.contains(XYLoadPoint), centre);
    QCOMPARE(rig.sim.axisPosition(1), centre ? 20000 : 0);
    // The request is one-shot: polling goes on without another calibration.
    rig.display.clear();
    rig.tick(200);
    QVERIFY(!rig.display.contains(Calibrating));
}

void TestLinkSim::disconnectRestartsStartup()
{
    DiagCapture diag;
    SimRig rig;
    QVERIFY(rig.connectAndLogIn());
    QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_SYSCHECK
                                       && rig.probe.interfaceSubState > 0; },
                          1000));
    rig.probe.closeConnection();
    QVERIFY(!rig.probe.isConnected());
    QCOMPARE(rig.probe.interfaceState, unsigned(KelInterface::INT_INIT));
    QCOMPARE(rig.probe.interfaceSubState, 0u);
    QVERIFY(!rig.probe.timer->isActive());
    rig.display.clear();
    QVERIFY(rig.startUp());
    QCOMPARE(rig.display.mid(0, 2), (QStringList{QStringLiteral("Connected!"),
                                                 QStringLiteral("Initializing.  Please Wait.")}));
    QVERIFY(rig.display.contains(QStringLiteral("SYTEM OK!")));
}

void TestLinkSim::runsOnTheRealTimer()
{
    // The product's own timer drives everything; at 1 ms the whole start-up is quick.
    DiagCapture diag;
    PtxSim::Simulator sim;
    sim.setTimeScale(25.0);
    QVERIFY(sim.listen());
    LinkProbe probe;
    QVERIFY(probe.openConnection(sim.clientAddress()));
    QVERIFY(SimRig::waitFor([&] { return probe.connectionState == 3; }));
    QCOMPARE(probe.timer->interval(), Ptx::TickMs);
    // The period changes while the tick runs.
    probe.setTickPeriod(1);
    QVERIFY(SimRig::waitFor([&] { return probe.interfaceState == KelInterface::INT_NORMAL; },
                            20000));
    QVERIFY(probe.timer->isActive());
    QCOMPARE(probe.timer->interval(), 1);
    QVERIFY(probe.getModPresent(1));
}

void TestLinkSim::readsSurviveFaults_data()
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

void TestLinkSim::readsSurviveFaults()
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

void TestLinkSim::twoRepliesInOneRead()
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

void TestLinkSim::droppedReplyMovesOn()
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

void TestLinkSim::brokenFramesOverTheWire()
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

void TestLinkSim::connectionLost_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("controller hangs up") << "hang up";
    QTest::newRow("closed after 5 packets") << "close after";
    QTest::newRow("log-in refused") << "refuse";
}

void TestLinkSim::connectionLost()
{
    QFETCH(QString, how);
    DiagCapture diag;
    SimRig rig;
    rig.sim.setRefuseLogin(how == QLatin1String("refuse"));
    rig.sim.setCloseAfter(how == QLatin1String("close after") ? 5 : 0);
    QSignalSpy connects(&rig.probe, &KelInterface::connectChanged);
    QVERIFY(rig.probe.openConnection(rig.sim.clientAddress()));
    if (how != QLatin1String("refuse")) {
        QVERIFY(SimRig::waitFor([&] { return rig.probe.connectionState == 3; }));
        rig.probe.timer->stop();
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
    // A later disconnect by the operator is an ordinary one.
    rig.probe.closeConnection();
    rig.pump();
    QCOMPARE(rig.display.count(Lost), 1);
}

void TestLinkSim::closeInsideSocketSlot()
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

void TestLinkSim::haltPreemptsOverTheWire()
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

void TestLinkSim::newAddressDisconnects()
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

void TestLinkSim::connectAndDisconnectSignals()
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
    QVERIFY(SimRig::waitFor([&] { return events.contains(QStringLiteral("connect 1")); }));
    rig.probe.closeConnection();
    QCOMPARE(events, (QStringList{"connect 0", "clear", "Connected!", "connect 1",
                                  "connect 0", "clear", "DisConnected!", "connect 0"}));
    QCOMPARE(diag.lines(), (QStringList{"Connected!", "DisConnected!"}));
}

void TestLinkSim::nothingStaleAfterReconnecting_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("moves queued, link dropped by the controller") << false;
    QTest::newRow("DISCONNECT during a run") << true;
}

// Whatever waited in the ring when the link went down is withdrawn: after the next log-in
// none of it reaches the controller, and no run carries on.
void TestLinkSim::nothingStaleAfterReconnecting()
{
    QFETCH(bool, running);
    DiagCapture diag;
    SimRig rig;
    rig.sim.setCloseAfter(running ? 0 : 2);
    QVERIFY(running ? rig.startUp() : rig.connectAndLogIn());
    if (running) {
        rig.probe.setRecipe({QStringLiteral("POINT 1,1"), QStringLiteral("POINT 2,2")});
        rig.probe.ScanRecipe();
        rig.probe.startRecipe();
        QVERIFY(rig.tickUntil([&] { return rig.probe.isRecipePaused(); }, 50));
        rig.probe.recipeContinue();
        QVERIFY(rig.tickUntil([&] { return rig.probe.queued().contains(QStringLiteral("1,65,0")); }, 50));
        rig.probe.closeConnection();
        QVERIFY(!rig.probe.isRecipeRunning() && !rig.probe.isRecipePaused() && !rig.probe.isRecipeDelay());
    } else {
        for (int i = 0; i < 5; ++i)
            rig.probe.addCommand(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute, 123456 + i, false);
        QVERIFY(rig.tickUntil([&] { return rig.display.contains(Lost); }, 10));
        rig.sim.setCloseAfter(0);
    }
    // The last entry queued surely was not sent: it is withdrawn.
    const cmdBufferStruct &last =
        rig.probe.commandBuffer[(rig.probe.cmdBufHead + Ptx::CmdBufSize - 1) % Ptx::CmdBufSize];
    QVERIFY(last.done && last.error);
    rig.sim.resetCounters();
    QVERIFY(rig.startUp());
    rig.tick(50);
    QCOMPARE(rig.sim.count(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute), 0);
    QVERIFY(!rig.probe.isRecipeRunning());
}

QTEST_GUILESS_MAIN(TestLinkSim)
#include "tst_linksim.moc"
