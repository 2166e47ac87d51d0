// ptx-sim's command line: the hardware and the fault switches it starts with.
#include "simulator/commandline.h"
#include "simulator/simulator.h"

#include <QtTest>

using PtxSim::ParseResult;

static ParseResult parse(const QStringList &args, PtxSim::LaunchSettings *settings)
{
    QString message;
    return PtxSim::parseCommandLine(QStringList{"ptx-sim"} + args, settings, &message);
}

class TestSimCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void options()
    {
        PtxSim::LaunchSettings s;
        QCOMPARE(parse({"--listen", "0.0.0.0", "--port", "4000", "--user", "lab", "--password", "pw", "--modules",
                        "1,3,17", "--wheel-positions", "6,8", "--time-scale", "2.5", "--speed", "777", "--travel",
                        "-50,50", "--exposure", "321", "--drop", "0.3", "--delay", "40", "--split", "--garbage",
                        "7", "--coalesce", "--close-after", "12", "--refuse-login", "--flood-hash", "2000000",
                        "--flood-noise", "300", "--half-frames", "--login-flood", "1500"},
                       &s),
                 ParseResult::Run);
        QCOMPARE(s.address, QHostAddress(QHostAddress::AnyIPv4));
        QCOMPARE(s.port, quint16(4000));
        QCOMPARE(s.options.user + s.options.password, QStringLiteral("labpw"));
        const PtxSim::Faults &f = s.options.faults;
        QCOMPARE((QList<double>{s.options.timeScale, f.dropFraction, double(f.delayMs), double(f.garbageBytes),
                                double(f.closeAfterPackets), double(f.floodHashBytes), double(f.floodNoiseBytes),
                                double(f.loginFloodBytes)}),
                 (QList<double>{2.5, 0.3, 40, 7, 12, 2000000, 300, 1500}));
        QVERIFY(f.splitBytes && f.coalesce && f.refuseLogin && f.halfFrames);
        // The hardware the simulator builds from them.
        PtxSim::Simulator sim(s.options);
        QCOMPARE(sim.modules(), (QList<int>{1, 3, 17}));
        QCOMPARE((QList<int>{sim.wheelSize(1), sim.wheelSize(2), sim.axisSpeed(3), sim.travelMin(2), sim.exposureTime(2)}),
                 (QList<int>{6, 8, 777, -50, 321}));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("port too big") << QStringList{"--port", "70000"};
        QTest::newRow("address") << QStringList{"--listen", "not.an.address"};
        QTest::newRow("module 32") << QStringList{"--modules", "1,32"};
        QTest::newRow("travel reversed") << QStringList{"--travel", "5,-5"};
        QTest::newRow("missing value") << QStringList{"--garbage"};
        QTest::newRow("negative flood") << QStringList{"--flood-hash", "-1"};
        QTest::newRow("unknown option") << QStringList{"--turbo"};
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        PtxSim::LaunchSettings s;
        QCOMPARE(parse(args, &s), ParseResult::Error);
    }
};

QTEST_GUILESS_MAIN(TestSimCommandLine)
#include "tst_simcommandline.moc"
