// The link against the simulated controller over loopback: the start-up and system check, the
// fault switches, disconnecting, a lost connection and halt pre-emption.
#include "simrig.h"

#include <QSignalSpy>
#include <QtTest>

#include <tuple>

namespace {
const QString Calibrating = QStringLiteral("Calibrating Stage....");
const QString Finished = QStringLiteral("Intialization Finished!!!");
const QString Lost = QStringLiteral("CONNECTION LOST!");
}

class TestLinkSim : public QObject
{
    Q_OBJECT

    // Starts the recipe, lines apart by "\n", and answers the load prompt.
    static bool startRun(SimRig &rig, const QString &lines)
    {
        rig.probe.setRecipe(lines.split(QLatin1Char('\n')));
        rig.probe.ScanRecipe();
        rig.probe.initRecipe();
        rig.probe.startRecipe();
        const bool prompted = rig.tickUntil([&] { return rig.probe.isRecipePaused(); }, 500);
        rig.probe.recipeContinue();
        return prompted;
    }

private slots:
    void fullSequence()
    {
        DiagCapture diag;
        SimRig rig;
        QSignalSpy connects(&rig.probe, &KelInterface::connectChanged);
        QVERIFY(rig.connectAndLogIn());
        QVERIFY(rig.tickUntil([&] { return rig.probe.isConnected(); }, 1000));
        QCOMPARE(connects.last().at(0).toInt(), 2);
        QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_NORMAL; }, 500));
        QStringList expected{"Initializing.  Please Wait.", ".", "."};
        for (int m = 1; m < 32; ++m) {
            if (m != 13)
                expected << QStringLiteral("Scanning for Module %1").arg(m);
        }
        expected << "Setting Def SPeeds" << "SYTEM OK!" << "Setting Stage Speeds...." << "setting Z speeds" << Finished;
        QCOMPARE(rig.display.mid(rig.display.indexOf(expected.first())), expected);
        QCOMPARE(diag.lines().filter(QStringLiteral("COMM ERROR")).size(), 25);
        for (uint m = 0; m < 40; ++m)
            QCOMPARE(rig.probe.getModPresent(m), QList<uint>({1, 2, 3, 17, 27}).contains(m));
        // Default speeds by command 83, then the texts of the system check.
        QCOMPARE(rig.sim.count(1, 83, 13), 1);
        QCOMPARE(rig.sim.axisSpeed(3), 25000);
        QCOMPARE(rig.sim.centringSpeed(1), 50000);
        QCOMPARE(rig.sim.count(32, 9, 0), 3);
        QCOMPARE(rig.probe.getFWnumPos(2), long(rig.sim.wheelSize(2)));
        QVERIFY(!rig.display.contains(Calibrating));
    }

    void noModuleAnswers()
    {
        DiagCapture diag;
        PtxSim::Options options;
        options.modules.clear();
        SimRig rig(options);
        QVERIFY(rig.connectAndLogIn());
        QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_SYSCHECK; }, 1000));
        QCOMPARE(diag.lines().filter(QStringLiteral("COMM ERROR")).size(), 30);
        QVERIFY(rig.display.contains(QStringLiteral("SYTEM OK!")));
        QList<uint> visited{rig.probe.interfaceSubState};
        while (rig.probe.interfaceState == KelInterface::INT_SYSCHECK && visited.size() < 50) {
            rig.tick();
            if (visited.last() != rig.probe.interfaceSubState)
                visited << rig.probe.interfaceSubState;
        }
        QCOMPARE(visited, (QList<uint>{0, 20, 30, 40, 50, 90, 0}));
    }

    void calibrationAndLoadPoints_data()
    {
        QTest::addColumn<bool>("centre");
        QTest::addColumn<bool>("xyEnable");
        QTest::addColumn<bool>("zEnable");
        QTest::addColumn<QList<int>>("positions");  // X, Y and Z after the start-up
        // The simulator starts at X 333, Y 0, Z 555, with the travel centred on 0.
        QTest::newRow("XY enable without centring") << false << true << false << QList<int>{333, 0, 555};
        QTest::newRow("centring without XY enable") << true << false << false << QList<int>{0, 0, 555};
        QTest::newRow("everything") << true << true << true << QList<int>{15000, -22500, 300};
    }

    void calibrationAndLoadPoints()
    {
        QFETCH(bool, centre);
        QFETCH(bool, xyEnable);
        QFETCH(bool, zEnable);
        QFETCH(QList<int>, positions);
        DiagCapture diag;
        SimRig rig;
        rig.hardwareMsPerTick = 250;
        rig.probe.setXYdoCenter(centre);
        rig.probe.loadptEnXY = xyEnable;
        rig.probe.loadptEnZ = zEnable;
        rig.probe.loadptX = 1.5;
        rig.probe.loadptY = -2.25;
        rig.probe.loadptZ = 30.0;
        rig.sim.setAxisPosition(1, 333);
        rig.sim.setAxisPosition(3, 555);
        QVERIFY(rig.startUp());
        QCOMPARE(rig.display.contains(Calibrating), centre);
        QCOMPARE((QList<int>{rig.sim.axisPosition(1), rig.sim.axisPosition(2), rig.sim.axisPosition(3)}), positions);
        // A requested system check calibrates once, whatever the setting; the XY load point
        // follows only with the centring setting.
        rig.sim.setAxisPosition(1, 333);
        rig.display.clear();
        rig.probe.forceStageInit();
        QVERIFY(rig.tickUntil([&] { return rig.display.contains(Finished); }, 3000));
        QCOMPARE(rig.sim.axisPosition(1), centre && xyEnable ? 15000 : 0);
        rig.tick(200);
        QCOMPARE(rig.display.count(Calibrating), 1);
    }

    void disconnectAndNewAddress()
    {
        DiagCapture diag;
        SimRig rig;
        PtxSim::Simulator other;
        QVERIFY(other.listen());
        // The screens rely on the order: "not connected" as the attempt starts, the display
        // cleared before "Connected!", and "not connected" on both sides of "DisConnected!".
        QStringList events;
        connect(&rig.probe, &KelInterface::connectChanged, &rig.probe, [&](int v) { events << QString::number(v); });
        connect(&rig.probe, &KelInterface::clrDisp, &rig.probe, [&] { events << QStringLiteral("clear"); });
        connect(&rig.probe, &KelInterface::addDispLine, &rig.probe, [&](const QString &line) { events << line; });
        QVERIFY(rig.connectAndLogIn());
        QCOMPARE(events, (QStringList{"0", "clear", "Connected!", "1"}));
        // A new address during the system check disconnects; the start-up begins anew.
        QVERIFY(rig.tickUntil([&] { return rig.probe.interfaceState == KelInterface::INT_SYSCHECK; }, 1000));
        rig.tick(2);
        events.clear();
        rig.probe.setIpAddr(other.clientAddress());
        QCOMPARE(events, (QStringList{"0", "clear", "DisConnected!", "0"}));
        QVERIFY(!rig.probe.isConnected() && !rig.probe.timer->isActive());
        QCOMPARE(rig.probe.interfaceState, uint(KelInterface::INT_INIT));
        QCOMPARE(rig.probe.interfaceSubState, 0u);
        QVERIFY(SimRig::waitFor([&] { return !rig.sim.hasClient(); }));
        QVERIFY(rig.probe.openConnection());
        QVERIFY(SimRig::waitFor([&] { return other.isLoggedIn(); }));
        QVERIFY(!events.contains(Lost));
    }

    void readsSurviveFaults_data()
    {
        QTest::addColumn<PtxSim::Faults>("faults");
        QTest::addColumn<long>("y");
        PtxSim::Faults split, noise, late, pairs, lost;
        split.splitBytes = true;
        noise.garbageBytes = 2500;
        late.delayMs = 30;
        pairs.coalesce = true;
        lost.dropFraction = 0.5;
        QTest::newRow("every byte its own write") << split << 765432l;
        QTest::newRow("noise longer than a read chunk") << noise << 765432l;
        QTest::newRow("late replies") << late << 765432l;
        QTest::newRow("replies in pairs") << pairs << 765432l;
        // The second reply is lost: its read times out and the queue moves on.
        QTest::newRow("every other reply lost") << lost << 0l;
    }

    void readsSurviveFaults()
    {
        QFETCH(PtxSim::Faults, faults);
        QFETCH(long, y);
        DiagCapture diag;
        SimRig rig;
        QVERIFY(rig.connectAndLogIn());
        rig.sim.setAxisPosition(1, -123456);
        rig.sim.setAxisPosition(2, 765432);
        rig.sim.setAxisPosition(3, -2);
        rig.sim.setFaults(faults);
        // The X read waits for nothing, so the X and the Y request both leave before either
        // reply: with replies in pairs both answers come in one read.
        long readY = 0, readZ = 0;
        rig.probe.addCommand(1, 84, 5, 0, false);
        rig.probe.addCommand(2, 84, 5, 0, true, &readY);
        const int last = rig.probe.addCommand(3, 84, 5, 0, true, &readZ);
        QVERIFY(rig.tickUntil([&] { return rig.probe.isCommandDone(last); }, 50));
        QCOMPARE((QList<long>{rig.probe.xpos, readY, readZ}), (QList<long>{-123456, y, -2}));
        QCOMPARE(diag.lines().filter(QStringLiteral("COMM ERROR")),
                 y ? QStringList() : QStringList{QStringLiteral("COMM ERROR 2,84,5,0")});
    }

    // A controller that floods the link or breaks off its frames: the junk is given up with
    // at most one line per read, HALT goes out on the next tick, and once the controller
    // behaves again the reads come right.
    void junkFromController_data()
    {
        QTest::addColumn<PtxSim::Faults>("faults");
        PtxSim::Faults hashes, noise, half;
        hashes.floodHashBytes = 200000;
        noise.floodNoiseBytes = 200000;
        half.halfFrames = true;
        QTest::newRow("burst of # before a reply") << hashes;
        QTest::newRow("noise before a reply") << noise;
        QTest::newRow("half frames then silence") << half;
    }

    void junkFromController()
    {
        QFETCH(PtxSim::Faults, faults);
        DiagCapture diag;
        SimRig rig;
        QVERIFY(rig.connectAndLogIn());
        rig.sim.setAxisPosition(1, 4321);
        rig.sim.setFaults(faults);
        rig.probe.addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, false);
        rig.tick();
        QVERIFY(SimRig::waitFor([&] { return rig.sim.repliesSent() == 1 && rig.probe.bytesAvailable() == 0; }));
        rig.pump();
        QCOMPARE(rig.sim.floodBytesSent(), qint64(faults.floodHashBytes + faults.floodNoiseBytes));
        QCOMPARE(rig.sim.halfFramesSent(), faults.halfFrames ? 1 : 0);
        const int reads = 2 * (faults.floodHashBytes + faults.floodNoiseBytes) / Ptx::ReadChunk + 10;
        QVERIFY(diag.lines().filter(QStringLiteral("dropped")).size() <= reads);
        rig.probe.haltAll();
        rig.tick();
        QCOMPARE(rig.sim.count(Ptx::DevAll, Ptx::CmdHalt, 0), 1);
        // A false frame holds at most a buffer of what follows before it shows itself bad.
        rig.sim.setFaults(PtxSim::Faults());
        for (unsigned int held = 0; held <= unsigned(Ptx::RxBufSize); held += Ptx::packetLength(4))
            rig.probe.addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, false);
        long x = 0;
        const int last = rig.probe.addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &x);
        QVERIFY(rig.tickUntil([&] { return rig.probe.isCommandDone(last); }, 120));
        QCOMPARE(x, 4321l);
    }

    // A controller that talks on without a prompt fails the attempt as soon as its text
    // passes the buffer, without a tick; one that keeps within it is logged in to.
    void loginFlood_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("text flood before the prompt") << 5000 << false;
        QTest::newRow("long text within the buffer") << 900 << true;
    }

    void loginFlood()
    {
        QFETCH(int, bytes);
        QFETCH(bool, loggedIn);
        DiagCapture diag;
        SimRig rig;
        rig.sim.setLoginFlood(bytes);
        QVERIFY(rig.probe.openConnection(rig.sim.clientAddress()));
        rig.probe.timer->stop();
        QVERIFY(SimRig::waitFor([&] {
            return rig.probe.connectionState == KelInterface::RxHunt || rig.display.contains(QStringLiteral("CONNECT FAILED!!!!"));
        }));
        QCOMPARE(rig.probe.connectionState == KelInterface::RxHunt, loggedIn);
        QCOMPARE(rig.sim.floodBytesSent(), qint64(bytes));
    }

    // A controller that hangs up before it has answered a packet never gave a connection:
    // the attempt failed.
    void connectionLost_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("shown");
        QTest::newRow("controller hangs up") << "hang up" << Lost;
        QTest::newRow("closed after 5 packets") << "close after" << Lost;
        QTest::newRow("log-in refused") << "refuse" << "CONNECT FAILED!!!!";
        QTest::newRow("hangs up before answering") << "hang up unanswered" << "CONNECT FAILED!!!!";
    }

    void connectionLost()
    {
        QFETCH(QString, how);
        QFETCH(QString, shown);
        DiagCapture diag;
        SimRig rig;
        rig.sim.setRefuseLogin(how == QLatin1String("refuse"));
        rig.sim.setCloseAfter(how == QLatin1String("close after") ? 5 : 0);
        QSignalSpy connects(&rig.probe, &KelInterface::connectChanged);
        QVERIFY(rig.probe.openConnection(rig.sim.clientAddress()));
        int last = -1;
        if (how != QLatin1String("refuse")) {
            QVERIFY(SimRig::waitFor([&] { return rig.probe.connectionState == KelInterface::RxHunt; }));
            rig.probe.timer->stop();
            for (int i = 0; i < 6; ++i)
                last = rig.probe.addCommand(1, 65, 0, i, false);
            if (how == QLatin1String("hang up"))
                rig.tickUntil([&] { return rig.probe.isCommandDone(last - 5); }, 10);
            if (how.startsWith(QLatin1String("hang up")))
                rig.sim.dropClient();
            else
                rig.tickUntil([&] { return rig.probe.connectionState == KelInterface::RxWaitLogin; }, 10);
        }
        QVERIFY(SimRig::waitFor([&] { return rig.display.contains(shown); }));
        QCOMPARE(rig.display.last(), shown);
        QCOMPARE(connects.last().at(0).toInt(), 0);
        QVERIFY(!rig.probe.timer->isActive());
        QCOMPARE(rig.probe.interfaceState, uint(KelInterface::INT_INIT));
        // What had not been sent is withdrawn and never reaches a later connection.
        QVERIFY(rig.probe.isCommandDone(last) && (last < 0 || rig.probe.commandBuffer[last].error));
        // A later disconnect by the operator is an ordinary one.
        rig.probe.closeConnection();
        rig.pump();
        QCOMPARE(rig.display.count(shown), 1);
        QCOMPARE(rig.display.count(Lost), int(shown == Lost));
    }

    void closeInsideSocketSlot()
    {
        DiagCapture diag;
        SimRig rig;
        QVERIFY(rig.connectAndLogIn());
        rig.sim.setCoalesce(true);
        rig.sim.setAxisPosition(2, 5);
        // The screen disconnects from a slot reached while the socket's data is being read.
        connect(&rig.probe, &KelInterface::xPosChanged, &rig.probe, [&rig] { rig.probe.closeConnection(); });
        rig.probe.addCommand(1, 84, 5, 0, false);
        rig.probe.addCommand(2, 84, 5, 0, false);
        rig.tick(2);
        QVERIFY(SimRig::waitFor([&] { return rig.display.contains(QStringLiteral("DisConnected!")); }));
        rig.pump();
        QCOMPARE(rig.probe.ypos, 0l); // bytes after the close are not read
        QVERIFY(!rig.display.contains(Lost));
        QVERIFY(rig.connectAndLogIn());
    }

    // A run of every entry kind on the controller: the moves and shutter commands it sends,
    // the speed in force at each move, the dwell of each entry counted from the tick the
    // axes are seen idle, and the lines shown, as the panel has always run them.
    void everyEntryKindRunsAsBefore()
    {
        DiagCapture diag;
        SimRig rig;
        std::tie(rig.probe.loadptEnXY, rig.probe.loadptEnZ, rig.probe.loadptX, rig.probe.loadptY, rig.probe.loadptZ) =
            std::make_tuple(true, true, 0.5, 0.5, 40.0);
        QVERIFY(rig.startUp());
        QVERIFY(startRun(rig, QStringLiteral("DELAY 50\nPOINT 1,0\nPOINT 1.5,0\nSPEEDXY 8\nPOINT 1.5,1\nZPOINT 30\n"
                                             "ZPOINT 45\nSPEEDZ 9000\nZPOINT 20\nPOINT 0,1\nF1MOVE 3\nF2MOVE 5\n"
                                             "FMOVE 2,4\nEXPTIM 1,60\nSHEXP 1\nSHOPEN 2\nSHCLOSE 2\nSCTRL 1,3,0\n"
                                             "FDELAY 100\nDELAY 100\nPOINT 0,0\nSHEXP 1\nSPEEDXY 5\nPOINT 0.5,0.5")));
        rig.display.clear();
        QStringList commands;
        connect(&rig.sim, &PtxSim::Simulator::packetReceived, &rig.probe, [&](const PtxSim::Packet &k) {
            if (k.cmd == Ptx::CmdMove && k.dev <= Ptx::DevZ)
                commands << QStringLiteral("%1:%2@%3").arg(k.dev).arg(k.value()).arg(rig.sim.axisSpeed(k.dev));
            else if (k.cmd == Ptx::CmdMove || (k.cmd == Ptx::CmdWrite && k.index == Ptx::IdxShutter))
                commands << QStringLiteral("%1:%2:%3").arg(k.dev).arg(k.index).arg(k.value());
        });
        QList<int> dwells;      // ticks each entry spent dwelling
        int entry = 0;
        QVERIFY(rig.tickUntil([&] {
            const Ptx::RunProgress progress = rig.probe.runProgress();
            if (progress.entry != entry && progress.entry > 0)
                dwells << 0;
            entry = progress.entry;
            if (entry > 0 && rig.probe.isRecipeDelay())
                ++dwells.last();
            return !rig.probe.isRecipeRunning();
        }, 5000));
        // Device:target@speed for axis moves, device:index:data for wheels and shutters.
        QCOMPARE(commands.join(QLatin1Char(' ')),
                 QStringLiteral("1:10000@50000 2:0@50000 1:15000@50000 2:0@50000 1:15000@80000 2:10000@80000 "
                                "3:300@25000 3:450@25000 3:200@9000 1:0@80000 2:10000@80000 17:13:3 27:13:5 "
                                "17:15:262146 17:258:6553660 17:258:6553602 17:258:6619137 17:258:6619136 "
                                "17:258:6553601 17:258:6684672 1:0@80000 2:0@80000 17:258:6553602 "
                                "1:5000@50000 2:5000@50000 3:400@9000 1:5000@50000 2:5000@50000"));
        QCOMPARE(rig.display.join(QLatin1Char('|')),
                 QStringLiteral("MOVE X=1 Y=0 @SP=5|MOVE X=1.5 Y=0 @SP=5|MOVE X=1.5 Y=1 @SP=8|MOVE Z=30 @SP=25000|"
                                "MOVE Z=45 @SP=25000|MOVE Z=20 @SP=9000|MOVE X=0 Y=1 @SP=8|MOVE FW1=3|MOVE FW2=5|"
                                "MOVE FW1=2 FW2=4|SET EXP TIME SH1=60|MOVE SH1=2 SH2=3 SH3=3|MOVE SH1=3 SH2=1 SH3=3|"
                                "MOVE SH1=3 SH2=0 SH3=3|MOVE SH1=1 SH2=3 SH3=0|MOVE X=0 Y=0 @SP=8|"
                                "MOVE SH1=2 SH2=3 SH3=3|MOVE X=0.5 Y=0.5 @SP=5|RECIPE DONE!"));
        QCOMPARE(dwells, (QList<int>{2, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4, 0, 4}));
    }

    void speedsForgotten_data()
    {
        QTest::addColumn<QString>("event");
        QTest::newRow("nothing but the next point") << "next";
        QTest::newRow("speed button") << "speed";
        QTest::newRow("reply lost") << "lost";
        QTest::newRow("HALT") << "halt";
        QTest::newRow("system check") << "init";
        QTest::newRow("START") << "start";
        QTest::newRow("STOP") << "stop";
        QTest::newRow("new connection") << "connect";
    }

    // The runner sends an entry's speed only when the speed in force may differ from it:
    // after each of these events it sends it again.
    void speedsForgotten()
    {
        QFETCH(QString, event);
        DiagCapture diag;
        SimRig rig;
        QVERIFY(rig.startUp());
        QVERIFY(startRun(rig, QStringLiteral("DELAY 0\nPOINT 1,0\nPOINT 2,0\nPOINT 3,0")));   // each holds until NEXT
        auto dwellingAt = [&](int entry) {
            return rig.tickUntil([&] { return rig.probe.runProgress().entry == entry && rig.probe.isRecipeDelay(); }, 500);
        };
        const qint32 steps = qint32(rig.probe.getXYSpeed() * rig.probe.getXYRes());
        QVERIFY(dwellingAt(1));
        QVERIFY(rig.probe.runSpeeds.holds(Ptx::DevX, steps) && rig.probe.runSpeeds.holds(Ptx::DevY, steps));
        const int sent = rig.sim.count(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed) + (event == QLatin1String("speed") ? 1 : 0);
        if (event == QLatin1String("speed")) {
            rig.probe.addCommand(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed, steps / 2, false);
        } else if (event == QLatin1String("lost")) {
            // The speed read-back has put the long reply time-out in force.
            const qsizetype errors = diag.lines().filter(QStringLiteral("COMM ERROR")).size();
            rig.sim.setDropFraction(1.0);
            QVERIFY(rig.tickUntil([&] { return diag.lines().filter(QStringLiteral("COMM ERROR")).size() > errors; }, 150));
            rig.sim.setDropFraction(0.0);
        } else if (event == QLatin1String("halt")) {
            rig.probe.haltAll();
        } else if (event == QLatin1String("init")) {
            rig.probe.forceStageInit();
            QVERIFY(rig.tickUntil([&] { return rig.display.contains(QStringLiteral("Intialization Finished!!!")); }, 3000));
        } else if (event == QLatin1String("start")) {
            rig.probe.initRecipe();
        } else if (event == QLatin1String("stop")) {
            rig.probe.stopRecipe();
        } else if (event == QLatin1String("connect")) {
            QVERIFY(rig.connectAndLogIn());
        }
        QCOMPARE(rig.probe.runSpeeds.holds(Ptx::DevX, steps), event == QLatin1String("next"));
        if (rig.probe.isRecipeRunning()) {
            rig.probe.nextRecipePoint();
            QVERIFY(dwellingAt(2));
            QCOMPARE(rig.sim.count(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed), sent + (event == QLatin1String("next") ? 0 : 1));
        }
    }

    void longMoveNotTakenAsDone_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<double>("dropped");
        QTest::addColumn<int>("ticks");     // the controller reports the entry busy this long
        QTest::newRow("stage at 1 mm/s") << "SPEEDXY 1\nPOINT 0,0\nPOINT 3,0" << 0.0 << 120;
        QTest::newRow("focus at 2000 steps/s") << "SPEEDZ 2000\nPOINT 0,0\nZPOINT 500" << 0.0 << 100;
        QTest::newRow("wheel homing") << "POINT 0,0\nF1MOVE 72" << 0.0 << 24;
        QTest::newRow("stage, every fourth reply lost") << "SPEEDXY 1\nPOINT 0,0\nPOINT 3,0" << 0.25 << 120;
    }

    // However long the controller reports the second entry busy, the run waits for it: no
    // dwell starts and no later entry goes out while anything still moves.
    void longMoveNotTakenAsDone()
    {
        QFETCH(QString, lines);
        QFETCH(double, dropped);
        QFETCH(int, ticks);
        DiagCapture diag;
        SimRig rig;
        QVERIFY(rig.startUp());
        QVERIFY(startRun(rig, QStringLiteral("DELAY 50\n") + lines + QStringLiteral("\nPOINT 0,1")));
        rig.sim.setDropFraction(dropped);
        int waited = 0;
        bool early = false;
        QVERIFY(rig.tickUntil([&] {
            const int entry = rig.probe.runProgress().entry;
            waited += entry == 2 && !rig.probe.isRecipeDelay() ? 1 : 0;
            // The last entry moves the stage itself; the wheel entry has no dwell.
            const quint32 others = ~((1u << Ptx::DevX) | (1u << Ptx::DevY));
            early = early || (entry == 2 && rig.probe.isRecipeDelay() && rig.sim.busyMask() != 0)
                    || (entry > 2 && (rig.sim.busyMask() & others) != 0);
            return !rig.probe.isRecipeRunning();
        }, 5000));
        QVERIFY(!early);
        QVERIFY(waited >= ticks);
    }

    // A run does not outlive its connection: after the next log-in nothing carries on and
    // none of its moves reaches the controller.
    void disconnectDuringRun()
    {
        DiagCapture diag;
        SimRig rig;
        QVERIFY(rig.startUp());
        QVERIFY(startRun(rig, QStringLiteral("POINT 1,1\nPOINT 2,2")));
        QVERIFY(rig.tickUntil([&] { return rig.probe.queued().join(' ').contains(QStringLiteral("1,65,0,")); }, 50));
        rig.probe.closeConnection();
        QVERIFY(!rig.probe.isRecipeRunning() && !rig.probe.isRecipePaused() && !rig.probe.isRecipeDelay());
        rig.sim.resetCounters();
        QVERIFY(rig.startUp());
        rig.tick(50);
        QCOMPARE(rig.sim.count(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute), 0);
        QVERIFY(!rig.probe.isRecipeRunning());
    }
};

QTEST_GUILESS_MAIN(TestLinkSim)
#include "tst_linksim.moc"
