// ptx-sim's command line and the fault switches typed while it runs.
#include "simulator/commandline.h"
#include "simulator/console.h"
#include "simulator/simulator.h"

#include <QtTest>

using PtxSim::LaunchSettings;
using PtxSim::ParseResult;

class TestSimCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void options();
    void badArguments_data();
    void badArguments();
    void help();
    void consoleChangesSwitchesLive_data();
    void consoleChangesSwitchesLive();
};

namespace {
ParseResult parse(const QStringList &args, LaunchSettings *settings, QString *message)
{
    return PtxSim::parseCommandLine(QStringList{QStringLiteral("ptx-sim")} + args, settings, message);
}
}

void TestSimCommandLine::options()
{
    LaunchSettings s;
    QString message;
    const QStringList args{"--listen", "0.0.0.0", "--port", "4000", "--user", "lab", "--password",
                           "pw", "--modules", "1,3,17", "--wheel-positions", "6,8", "--time-scale",
                           "2.5", "--speed", "777", "--travel", "-50,50", "--exposure", "321",
                           "--verbose", "--drop", "0.3", "--delay", "40", "--split", "--garbage",
                           "7", "--coalesce", "--close-after", "12", "--refuse-login"};
    QCOMPARE(parse(args, &s, &message), ParseResult::Run);
    QCOMPARE(s.address, QHostAddress(QHostAddress::AnyIPv4));
    QCOMPARE(s.port, quint16(4000));
    QCOMPARE(s.options.user + s.options.password, QStringLiteral("labpw"));
    QCOMPARE(s.options.timeScale, 2.5);
    QVERIFY(s.options.verbose);
    const PtxSim::Faults &f = s.options.faults;
    QCOMPARE(f.dropFraction, 0.3);
    QCOMPARE(f.delayMs, 40);
    QCOMPARE(f.garbageBytes, 7);
    QCOMPARE(f.closeAfterPackets, 12);
    QVERIFY(f.splitBytes && f.coalesce && f.refuseLogin);

    // The hardware the simulator builds from them.
    PtxSim::Simulator sim(s.options);
    QCOMPARE(sim.modules(), (QList<int>{1, 3, 17}));
    QCOMPARE(sim.wheelSize(1), 6);
    QCOMPARE(sim.wheelSize(2), 8);
    QCOMPARE(sim.axisSpeed(3), 777);
    QCOMPARE(sim.travelMin(1), -50);
    QCOMPARE(sim.travelMax(2), 50);
    QCOMPARE(sim.exposureTime(2), 321);
}

void TestSimCommandLine::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("port too big") << QStringList{"--port", "70000"};
    QTest::newRow("address") << QStringList{"--listen", "not.an.address"};
    QTest::newRow("module 32") << QStringList{"--modules", "1,32"};
    QTest::newRow("wheel size 33") << QStringList{"--wheel-positions", "6,33"};
    QTest::newRow("time scale inf") << QStringList{"--time-scale", "inf"};
    QTest::newRow("time scale too big") << QStringList{"--time-scale", "1e7"};
    QTest::newRow("travel reversed") << QStringList{"--travel", "5,-5"};
    QTest::newRow("exposure too long") << QStringList{"--exposure", "70000"};
    QTest::newRow("drop nan") << QStringList{"--drop", "nan"};
    QTest::newRow("negative delay") << QStringList{"--delay", "-3"};
    QTest::newRow("missing value") << QStringList{"--garbage"};
    QTest::newRow("unknown option") << QStringList{"--turbo"};
}

void TestSimCommandLine::badArguments()
{
    QFETCH(QStringList, args);
    LaunchSettings s;
    QString message;
    QCOMPARE(parse(args, &s, &message), ParseResult::Error);
    QVERIFY(!message.isEmpty());
}

void TestSimCommandLine::help()
{
    LaunchSettings s;
    QString message;
    QCOMPARE(parse({"--help"}, &s, &message), ParseResult::Help);
    QVERIFY(message.contains(QLatin1String("--close-after")));
}

void TestSimCommandLine::consoleChangesSwitchesLive_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("delay") << "delay 25" << true;
    QTest::newRow("switch on by name") << "split" << true;
    QTest::newRow("switch off") << "coalesce off" << true;
    QTest::newRow("bad value") << "drop lots" << false;
    QTest::newRow("unknown") << "explode now" << false;
}

void TestSimCommandLine::consoleChangesSwitchesLive()
{
    QFETCH(QString, line);
    QFETCH(bool, accepted);
    PtxSim::Simulator sim;
    sim.setCoalesce(true);
    PtxSim::Console console(&sim);
    const PtxSim::Faults before = sim.faults();
    QVERIFY(!console.execute(line).isEmpty());
    const PtxSim::Faults after = sim.faults();
    const bool changed = after.delayMs != before.delayMs || after.garbageBytes != before.garbageBytes
                         || after.splitBytes != before.splitBytes || after.coalesce != before.coalesce
                         || after.dropFraction != before.dropFraction;
    QCOMPARE(changed, accepted);
    QVERIFY(console.execute(QStringLiteral("status")).contains(QLatin1String("packets received 0")));
}

QTEST_GUILESS_MAIN(TestSimCommandLine)
#include "tst_simcommandline.moc"
