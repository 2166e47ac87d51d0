// The link against the simulated controller over loopback: the start-up and system check, the
// fault switches, disconnecting, a lost connection and halt pre-emption.
#include "controller/packet.h"
#include "simrig.h"
#include "support/testfiles.h"

#include <QSignalSpy>
#include <QtTest>


namespace {
const QString Calibrating = QStringLiteral("Calibrating Stage....");
const QString Finished = QStringLiteral("Intialization Finished!!!");
const QString Lost = QStringLiteral("CONNECTION LOST!");
}

class TestLinkSim : public QObject
{
    Q_OBJECT

    QTemporaryDir work;     // the panel's settings file lives here, one per test

    // The load points as the settings file gives them.
    static void setLoadPoints(KelInterface &kel, bool xyEnable, bool zEnable, double x, double y, double z)
    {
        writeFile(QStringLiteral("config.xml"), loadPointsFile(xyEnable, zEnable, x, y, z));
        kel.readConfigData();
    }

    // Starts the recipe, lines apart by "\n", and answers the load prompt.
    static bool startRun(SimRig &rig, const QString &lines)
    {
        rig.kel.setRecipe(lines.split(QLatin1Char('\n')));
        rig.kel.ScanRecipe();
        rig.kel.initRecipe();
        rig.kel.startRecipe();
        const bool prompted = rig.tickUntil([&] { return rig.kel.isRecipePaused(); }, 500);
        rig.kel.recipeContinue();
        return prompted;
    }

private slots:
    void init()
    {
        QVERIFY(QDir::setCurrent(work.path()));
        QFile::remove(QStringLiteral("config.xml"));
    }

    void startUpAndPolling_data()
    {
        QTest::addColumn<QList<int>>("modules");
        QTest::addColumn<QStringList>("order");
        const QString busy("32,84,63,0"), x("1,84,5,0"), y("2,84,5,0"), z("3,84,5,0");
        // Shutter k is read with 99 + k in the upper word.
        const QStringList wheels{"17,84,5,0", "27,84,5,0", "17,84,258,6553600", "17,84,258,6619136",
                                 "17,84,258,6684672"};
        QTest::newRow("everything") << QList<int>{1, 2, 3, 17, 27} << QStringList{busy} + wheels + QStringList{x, y, z};
        QTest::newRow("Y and Z") << QList<int>{2, 3} << QStringList{busy, y, z};
        QTest::newRow("X only") << QList<int>{1} << QStringList{busy, x};
        QTest::newRow("wheel 2 without 17") << QList<int>{27, 2} << QStringList{busy, y};
        QTest::newRow("nothing") << QList<int>{} << QStringList{busy};
    }

    // The start-up finds the modules that answer and the system check sets what is fitted;
    // normal operation then reads, cycle after cycle, the busy mask and what is fitted.
    void startUpAndPolling()
    {
        QFETCH(QList<int>, modules);
        QFETCH(QStringList, order);
        DiagCapture diag;
        PtxSim::Options options;
        options.modules = modules;
        SimRig rig(options);
        QSignalSpy connects(&rig.kel, &KelInterface::connectChanged);
        QVERIFY(rig.startUp());
        QCOMPARE(connects.last().at(0).toInt(), 2);
        const bool stage = modules.contains(1) || modules.contains(2), focus = modules.contains(3);
        QStringList expected{"Initializing.  Please Wait.", ".", "."};
        for (int m = 1; m < 32; ++m) {
            if (m != 13)
                expected << QStringLiteral("Scanning for Module %1").arg(m);
        }
        expected << "Setting Def SPeeds" << "SYTEM OK!";
        expected << (stage ? QStringList{"Setting Stage Speeds...."} : QStringList())
                 << (focus ? QStringList{"setting Z speeds"} : QStringList()) << Finished;
        QCOMPARE(rig.display.mid(rig.display.indexOf(expected.first())), expected);
        QCOMPARE(diag.lines().filter(QStringLiteral("COMM ERROR")).size(), 30 - modules.size());
        for (uint m = 0; m < 40; ++m)
            QCOMPARE(rig.kel.getModPresent(m), modules.contains(int(m)));
        // Default speeds by command 83, then the texts of the system check.
        QCOMPARE(rig.sim.count(1, 83, 13), 1);
        QCOMPARE(rig.sim.count(32, 9, 0), (stage ? 2 : 0) + (focus ? 1 : 0));
        QCOMPARE(rig.sim.axisSpeed(3), focus ? 25000 : 50000);
        QCOMPARE(rig.sim.centringSpeed(1), stage ? 50000 : 20000);
        QCOMPARE(rig.kel.getFWnumPos(2), modules.contains(17) ? long(rig.sim.wheelSize(2)) : 0l);
        QVERIFY(!rig.display.contains(Calibrating));
        // The shutter reads bring the shutters' states to the panel: the first and the third open.
        QSignalSpy shutters(&rig.kel, &KelInterface::fwShutChanged);
        rig.sim.setShutterState(1, 1);
        rig.sim.setShutterState(3, 1);
        QStringList sent;
        connect(&rig.sim, &PtxSim::Simulator::packetReceived, &rig.kel, [&](const PtxSim::Packet &k) {
            sent << QStringLiteral("%1,%2,%3,%4").arg(k.dev).arg(k.cmd).arg(k.index).arg(k.value());
        });
        rig.tickUntil([&] { return sent.size() >= 2 * order.size(); }, 200);
        QCOMPARE(sent.mid(0, 2 * order.size()), order + order);
        const QVariantList shown = shutters.isEmpty() ? QVariantList() : shutters.last();
        QCOMPARE(shown, modules.contains(17) ? (QVariantList{1, 0, 1}) : QVariantList());
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
        setLoadPoints(rig.kel, xyEnable, zEnable, 1.5, -2.25, 30.0);
        rig.kel.setXYdoCenter(centre);
        rig.sim.setAxisPosition(1, 333);
        rig.sim.setAxisPosition(3, 555);
        QVERIFY(rig.startUp());
        QCOMPARE(rig.display.contains(Calibrating), centre);
        QCOMPARE((QList<int>{rig.sim.axisPosition(1), rig.sim.axisPosition(2), rig.sim.axisPosition(3)}), positions);
        // A requested system check calibrates once, whatever the setting; the XY load point
        // follows only with the centring setting.
        rig.sim.setAxisPosition(1, 333);
        rig.display.clear();
        rig.kel.forceStageInit();
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
        connect(&rig.kel, &KelInterface::connectChanged, &rig.kel, [&](int v) { events << QString::number(v); });
        connect(&rig.kel, &KelInterface::clrDisp, &rig.kel, [&] { events << QStringLiteral("clear"); });
        connect(&rig.kel, &KelInterface::addDispLine, &rig.kel, [&](const QString &line) { events << line; });
        QVERIFY(rig.connectAndLogIn());
        QCOMPARE(events, (QStringList{"0", "clear", "Connected!", "1"}));
        // A new address during the system check disconnects; the start-up begins anew.
        QVERIFY(rig.tickUntil([&] { return rig.kel.currentInterfaceState() == KelInterface::InterfaceState::INT_SYSCHECK; }, 1000));
        rig.tick(2);
        events.clear();
        rig.kel.setIpAddr(other.clientAddress());
        QCOMPARE(events, (QStringList{"0", "clear", "DisConnected!", "0"}));
        QVERIFY(!rig.kel.isConnected());
        QCOMPARE(rig.kel.currentInterfaceState(), uint(KelInterface::InterfaceState::INT_INIT));
        QVERIFY(Stepping::waitUntil([&] { return !rig.sim.hasClient(); }));
        QVERIFY(rig.kel.openConnection());
        QVERIFY(Stepping::waitUntil([&] { return rig.kel.receiveState() == KelInterface::ReceiveState::RxHunt && other.isLoggedIn(); }));
        rig.tick();
        QVERIFY(!events.contains(Lost));
        QCOMPARE(events.last(), QStringLiteral("Initializing.  Please Wait."));
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
        rig.kel.addCommand(1, 84, 5, 0, false);
        rig.kel.addCommand(2, 84, 5, 0, true, &readY);
        const int last = rig.kel.addCommand(3, 84, 5, 0, true, &readZ);
        QVERIFY(rig.tickUntil([&] { return rig.kel.isCommandDone(last); }, 50));
        QCOMPARE((QList<long>{qRound(rig.kel.stagePositionXY().x() * rig.kel.getXYRes()), readY, readZ}),
                 (QList<long>{-123456, y, -2}));
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
        rig.kel.addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, false);
        rig.tick();
        QVERIFY(Stepping::waitUntil([&] { return rig.sim.repliesSent() == 1; }));
        Stepping::pump();
        QCOMPARE(rig.sim.floodBytesSent(), qint64(faults.floodHashBytes + faults.floodNoiseBytes));
        QCOMPARE(rig.sim.halfFramesSent(), faults.halfFrames ? 1 : 0);
        const int reads = 2 * (faults.floodHashBytes + faults.floodNoiseBytes) / Ptx::ReadChunk + 10;
        QVERIFY(diag.lines().filter(QStringLiteral("dropped")).size() <= reads);
        rig.kel.haltAll();
        rig.tick();
        QCOMPARE(rig.sim.count(Ptx::DevAll, Ptx::CmdHalt, 0), 1);
        // A false frame holds at most a buffer of what follows before it shows itself bad.
        rig.sim.setFaults(PtxSim::Faults());
        for (unsigned int held = 0; held <= unsigned(Ptx::RxBufSize); held += Ptx::packetLength(4))
            rig.kel.addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, false);
        long x = 0;
        const int last = rig.kel.addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &x);
        QVERIFY(rig.tickUntil([&] { return rig.kel.isCommandDone(last); }, 120));
        QCOMPARE(x, 4321l);
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
        QSignalSpy connects(&rig.kel, &KelInterface::connectChanged);
        QVERIFY(rig.kel.openConnection(rig.sim.clientAddress()));
        int last = -1;
        if (how != QLatin1String("refuse")) {
            QVERIFY(Stepping::waitUntil([&] { return rig.kel.receiveState() == KelInterface::ReceiveState::RxHunt; }));
            for (int i = 0; i < 6; ++i)
                last = rig.kel.addCommand(1, 65, 0, i, false);
            if (how == QLatin1String("hang up"))
                rig.tickUntil([&] { return rig.kel.isCommandDone(last - 5); }, 10);
            if (how.startsWith(QLatin1String("hang up")))
                rig.sim.dropClient();
            else
                rig.tickUntil([&] { return rig.kel.receiveState() == KelInterface::ReceiveState::RxWaitLogin; }, 10);
        }
        QVERIFY(Stepping::waitUntil([&] { return rig.display.contains(shown); }));
        QCOMPARE(rig.display.last(), shown);
        QCOMPARE(connects.last().at(0).toInt(), 0);
        QCOMPARE(rig.kel.currentInterfaceState(), uint(KelInterface::InterfaceState::INT_INIT));
        // What had not been sent is withdrawn and never reaches a later connection.
        QVERIFY(rig.kel.isCommandDone(last) && rig.kel.pendingCommands().isEmpty());
        // A later disconnect by the operator is an ordinary one.
        rig.kel.closeConnection();
        Stepping::pump();
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
        connect(&rig.kel, &KelInterface::xPosChanged, &rig.kel, [&rig] { rig.kel.closeConnection(); });
        rig.kel.addCommand(1, 84, 5, 0, false);
        rig.kel.addCommand(2, 84, 5, 0, false);
        rig.tick(2);
        QVERIFY(Stepping::waitUntil([&] { return rig.display.contains(QStringLiteral("DisConnected!")); }));
        Stepping::pump();
        QCOMPARE(rig.kel.stagePositionXY().y(), 0.0); // bytes after the close are not read
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
        setLoadPoints(rig.kel, true, true, 0.5, 0.5, 40.0);
        QVERIFY(rig.startUp());
        QVERIFY(startRun(rig, QStringLiteral("DELAY 50\nPOINT 1,0\nPOINT 1.5,0\nSPEEDXY 8\nPOINT 1.5,1\nZPOINT 30\n"
                                             "ZPOINT 45\nSPEEDZ 9000\nZPOINT 20\nPOINT 0,1\nF1MOVE 3\nF2MOVE 5\n"
                                             "FMOVE 2,4\nEXPTIM 1,60\nSHEXP 1\nSHOPEN 2\nSHCLOSE 2\nSCTRL 1,3,0\n"
                                             "FDELAY 100\nDELAY 100\nPOINT 0,0\nSHEXP 1\nSPEEDXY 5\nPOINT 0.5,0.5")));
        rig.display.clear();
        QStringList commands;
        connect(&rig.sim, &PtxSim::Simulator::packetReceived, &rig.kel, [&](const PtxSim::Packet &k) {
            if (k.cmd == Ptx::CmdMove && k.dev <= Ptx::DevZ)
                commands << QStringLiteral("%1:%2@%3").arg(k.dev).arg(k.value()).arg(rig.sim.axisSpeed(k.dev));
            else if (k.cmd == Ptx::CmdMove || (k.cmd == Ptx::CmdWrite && k.index == Ptx::IdxShutter))
                commands << QStringLiteral("%1:%2:%3").arg(k.dev).arg(k.index).arg(k.value());
        });
        QList<int> dwells;      // ticks each entry spent dwelling
        int entry = 0;
        QVERIFY(rig.tickUntil([&] {
            const Ptx::RunProgress progress = rig.kel.runProgress();
            if (progress.entry != entry && progress.entry > 0)
                dwells << 0;
            entry = progress.entry;
            if (entry > 0 && rig.kel.isRecipeDelay())
                ++dwells.last();
            return !rig.kel.isRecipeRunning();
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
        const QString recipe = QStringLiteral("DELAY 0\nPOINT 1,0\nPOINT 2,0\nPOINT 3,0");   // each holds until NEXT
        QVERIFY(startRun(rig, recipe));
        auto dwellingAt = [&](int entry) {
            return rig.tickUntil([&] { return rig.kel.runProgress().entry == entry && rig.kel.isRecipeDelay(); }, 500);
        };
        const qint32 steps = qint32(rig.kel.getXYSpeed() * rig.kel.getXYRes());
        QVERIFY(dwellingAt(1));
        const int sent = rig.sim.count(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed) + (event == QLatin1String("speed") ? 1 : 0);
        if (event == QLatin1String("speed")) {
            rig.kel.addCommand(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed, steps / 2, false);
        } else if (event == QLatin1String("lost")) {
            // The speed read-back has put the long reply time-out in force.
            const qsizetype errors = diag.lines().filter(QStringLiteral("COMM ERROR")).size();
            rig.sim.setDropFraction(1.0);
            QVERIFY(rig.tickUntil([&] { return diag.lines().filter(QStringLiteral("COMM ERROR")).size() > errors; }, 150));
            rig.sim.setDropFraction(0.0);
        } else if (event == QLatin1String("halt")) {
            rig.kel.haltAll();
        } else if (event == QLatin1String("init")) {
            rig.kel.forceStageInit();
            QVERIFY(rig.tickUntil([&] { return rig.display.contains(QStringLiteral("Intialization Finished!!!")); }, 3000));
        } else if (event == QLatin1String("start")) {
            QVERIFY(startRun(rig, recipe));
        } else if (event == QLatin1String("connect")) {
            QVERIFY(rig.connectAndLogIn());
        }
        if (event != QLatin1String("start"))
            rig.kel.nextRecipePoint();
        QVERIFY(dwellingAt(event == QLatin1String("start") ? 1 : 2));
        QCOMPARE(rig.sim.count(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed), sent + (event == QLatin1String("next") ? 0 : 1));
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
            const int entry = rig.kel.runProgress().entry;
            waited += entry == 2 && !rig.kel.isRecipeDelay() ? 1 : 0;
            // The last entry moves the stage itself; the wheel entry has no dwell.
            const quint32 others = ~((1u << Ptx::DevX) | (1u << Ptx::DevY));
            early = early || (entry == 2 && rig.kel.isRecipeDelay() && rig.sim.busyMask() != 0)
                    || (entry > 2 && (rig.sim.busyMask() & others) != 0);
            return !rig.kel.isRecipeRunning();
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
        QVERIFY(rig.tickUntil([&] { return rig.kel.pendingCommands().join(' ').contains(QStringLiteral("1,65,0,")); }, 50));
        rig.kel.closeConnection();
        QVERIFY(!rig.kel.isRecipeRunning() && !rig.kel.isRecipePaused() && !rig.kel.isRecipeDelay());
        rig.sim.resetCounters();
        QVERIFY(rig.startUp());
        rig.tick(50);
        QCOMPARE(rig.sim.count(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute), 0);
        QVERIFY(!rig.kel.isRecipeRunning());
    }
};

QTEST_GUILESS_MAIN(TestLinkSim)
#include "tst_linksim.moc"
