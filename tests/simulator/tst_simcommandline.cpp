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
    void defaults();
    void options();
    void faultOptions_data();
    void faultOptions();
    void badArguments_data();
    void badArguments();
    void helpNamesEveryOption();
    void consoleChangesSwitchesLive_data();
    void consoleChangesSwitchesLive();
};

namespace {
ParseResult parse(const QStringList &args, LaunchSettings *settings, QString *message)
{
    return PtxSim::parseCommandLine(QStringList{QStringLiteral("ptx-sim")} + args, settings, message);
}
}

void TestSimCommandLine::defaults()
{
    LaunchSettings s;
    QString message;
    QCOMPARE(parse({}, &s, &message), ParseResult::Run);
    QCOMPARE(s.address, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(s.port, quint16(2323));
    QCOMPARE(s.options.user, QString::fromLatin1(Ptx::LoginUser));
    QCOMPARE(s.options.password, QString::fromLatin1(Ptx::LoginPassword));
    QCOMPARE(s.options.modules, (QList<int>{1, 2, 3, 17, 27}));
    QCOMPARE(s.options.timeScale, 1.0);
    QVERIFY(!s.options.verbose);
    QCOMPARE(s.options.faults.dropFraction, 0.0);
    QVERIFY(!s.options.faults.refuseLogin);
}

void TestSimCommandLine::options()
{
    LaunchSettings s;
    QString message;
    const QStringList args{"--listen", "0.0.0.0", "--port", "4000", "--user", "lab", "--password",
                           "pw", "--modules", "1,3,17", "--wheel-positions", "6,8", "--time-scale",
                           "2.5", "--speed", "777", "--travel", "-50,50", "--exposure", "321",
                           "--verbose"};
    QCOMPARE(parse(args, &s, &message), ParseResult::Run);
    QCOMPARE(s.address, QHostAddress(QHostAddress::AnyIPv4));
    QCOMPARE(s.port, quint16(4000));
    QCOMPARE(s.options.user, QStringLiteral("lab"));
    QCOMPARE(s.options.password, QStringLiteral("pw"));
    QCOMPARE(s.options.modules, (QList<int>{1, 3, 17}));
    QCOMPARE(s.options.wheel1Positions, 6);
    QCOMPARE(s.options.wheel2Positions, 8);
    QCOMPARE(s.options.timeScale, 2.5);
    QCOMPARE(s.options.axisSpeed, 777);
    QCOMPARE(s.options.travelMin, -50);
    QCOMPARE(s.options.travelMax, 50);
    QCOMPARE(s.options.exposureMs, 321);
    QVERIFY(s.options.verbose);

    PtxSim::Simulator sim(s.options);
    QCOMPARE(sim.modules(), (QList<int>{1, 3, 17}));
    QCOMPARE(sim.wheelSize(2), 8);
    QCOMPARE(sim.axisSpeed(3), 777);
    QCOMPARE(sim.travelMax(1), 50);
    QCOMPARE(sim.exposureTime(2), 321);
}

void TestSimCommandLine::faultOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<PtxSim::Faults>("expected");

    PtxSim::Faults f;
    f.dropFraction = 0.3;
    QTest::newRow("drop") << QStringList{"--drop", "0.3"} << f;
    f = {};
    f.delayMs = 40;
    QTest::newRow("delay") << QStringList{"--delay", "40"} << f;
    f = {};
    f.splitBytes = true;
    QTest::newRow("split") << QStringList{"--split"} << f;
    f = {};
    f.garbageBytes = 7;
    QTest::newRow("garbage") << QStringList{"--garbage", "7"} << f;
    f = {};
    f.coalesce = true;
    QTest::newRow("coalesce") << QStringList{"--coalesce"} << f;
    f = {};
    f.closeAfterPackets = 12;
    QTest::newRow("close-after") << QStringList{"--close-after", "12"} << f;
    f = {};
    f.refuseLogin = true;
    QTest::newRow("refuse-login") << QStringList{"--refuse-login"} << f;
}

void TestSimCommandLine::faultOptions()
{
    QFETCH(QStringList, args);
    QFETCH(PtxSim::Faults, expected);
    LaunchSettings s;
    QString message;
    QCOMPARE(parse(args, &s, &message), ParseResult::Run);
    const PtxSim::Faults &f = s.options.faults;
    QCOMPARE(f.dropFraction, expected.dropFraction);
    QCOMPARE(f.delayMs, expected.delayMs);
    QCOMPARE(f.splitBytes, expected.splitBytes);
    QCOMPARE(f.garbageBytes, expected.garbageBytes);
    QCOMPARE(f.coalesce, expected.coalesce);
    QCOMPARE(f.closeAfterPackets, expected.closeAfterPackets);
    QCOMPARE(f.refuseLogin, expected.refuseLogin);
}

void TestSimCommandLine::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("port too big") << QStringList{"--port", "70000"};
    QTest::newRow("port not a number") << QStringList{"--port", "telnet"};
    QTest::newRow("address") << QStringList{"--listen", "not.an.address"};
    QTest::newRow("module 0") << QStringList{"--modules", "0,1"};
    QTest::newRow("module 32") << QStringList{"--modules", "1,32"};
    QTest::newRow("module list hole") << QStringList{"--modules", "1,,2"};
    QTest::newRow("one wheel size") << QStringList{"--wheel-positions", "6"};
    QTest::newRow("wheel size 0") << QStringList{"--wheel-positions", "0,6"};
    QTest::newRow("wheel size 33") << QStringList{"--wheel-positions", "6,33"};
    QTest::newRow("time scale 0") << QStringList{"--time-scale", "0"};
    QTest::newRow("time scale inf") << QStringList{"--time-scale", "inf"};
    QTest::newRow("time scale too big") << QStringList{"--time-scale", "1e7"};
    QTest::newRow("speed 0") << QStringList{"--speed", "0"};
    QTest::newRow("travel reversed") << QStringList{"--travel", "5,-5"};
    QTest::newRow("exposure too long") << QStringList{"--exposure", "70000"};
    QTest::newRow("drop above 1") << QStringList{"--drop", "1.5"};
    QTest::newRow("drop nan") << QStringList{"--drop", "nan"};
    QTest::newRow("negative delay") << QStringList{"--delay", "-3"};
    QTest::newRow("missing value") << QStringList{"--garbage"};
    QTest::newRow("unknown option") << QStringList{"--turbo"};
    QTest::newRow("stray argument") << QStringList{"2323"};
}

void TestSimCommandLine::badArguments()
{
    QFETCH(QStringList, args);
    LaunchSettings s;
    QString message;
    QCOMPARE(parse(args, &s, &message), ParseResult::Error);
    QVERIFY(!message.isEmpty());
}

void TestSimCommandLine::helpNamesEveryOption()
{
    LaunchSettings s;
    QString message;
    QCOMPARE(parse({"--help"}, &s, &message), ParseResult::Help);
    for (const char *name : {"--listen", "--port", "--user", "--password", "--modules",
                             "--wheel-positions", "--time-scale", "--verbose", "--drop",
                             "--delay", "--split", "--garbage", "--coalesce", "--close-after",
                             "--refuse-login", "--speed", "--travel", "--exposure"})
        QVERIFY2(message.contains(QLatin1String(name)), name);
}

void TestSimCommandLine::consoleChangesSwitchesLive_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("delay") << "delay 25" << true;
    QTest::newRow("with dashes") << "--garbage 3" << true;
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
    const QString answer = console.execute(line);
    QVERIFY(!answer.isEmpty());
    const PtxSim::Faults after = sim.faults();
    const bool changed = after.delayMs != before.delayMs || after.garbageBytes != before.garbageBytes
                         || after.splitBytes != before.splitBytes || after.coalesce != before.coalesce
                         || after.dropFraction != before.dropFraction;
    QCOMPARE(changed, accepted);
    QVERIFY(console.execute(QStringLiteral("status")).contains(QLatin1String("packets received 0")));
}

QTEST_GUILESS_MAIN(TestSimCommandLine)
#include "tst_simcommandline.moc"
