// The start-up and the system check against the simulated controller.
#include "simrig.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
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

private:
    QTemporaryDir dir;
};

namespace {
const QString Calibrating = QStringLiteral("Calibrating Stage....");
const QString XYLoadPoint = QStringLiteral("Moving to XY Load Point");
}

void TestStartup::initTestCase()
{
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
}

void TestStartup::init()
{
    QFile::remove(QStringLiteral("config.xml"));
}

void TestStartup::fullSequence()
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

void TestStartup::noModuleAnswers()
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

void TestStartup::calibrationAndLoadPoints_data()
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

void TestStartup::calibrationAndLoadPoints()
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

void TestStartup::forceStageInitCalibratesOnce_data()
{
    QTest::addColumn<bool>("centre");
    QTest::newRow("centring off: no load point") << false;
    QTest::newRow("centring on: load point") << true;
}

void TestStartup::forceStageInitCalibratesOnce()
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

void TestStartup::disconnectRestartsStartup()
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

void TestStartup::runsOnTheRealTimer()
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

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
