// The panel's telemetry against a real mosquitto broker: a run's messages in order, the last
// will of a killed panel, a broker in trouble that changes nothing in a run, encrypted links.
#include "broker.h"
#include "controller/simrig.h"
#include "telemetry/mqttlink.h"
#include "telemetry/paneltelemetry.h"

#include <QtTest>

#include <csignal>
#include <functional>

using namespace Ptx;

namespace {

const QString Prefix = QStringLiteral("lab/panel");
constexpr int RetryMs = 20;
constexpr int NetworkWaitMs = 10000;
enum Trouble { Down, Stopped, Refused };

TelemetrySettings settingsFor(const QString &broker)
{
    return TelemetrySettings{true, broker, Prefix, {}, {}, {}};
}

// The packets the controller received during the run, and the run's ticks.
struct RunTrace { QList<QByteArray> packets; int ticks = 0; };

} // namespace

class TestTelemetry : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    QStringList notices;
    // Called after the start-up ("ready"), at the load prompt ("prompt"), in the first entry
    // ("entry") and after the run ("end").
    using Hook = std::function<void(PanelTelemetry &, const char *)>;

    RunTrace runRecipe(const TelemetrySettings &settings, const Hook &hook = [](PanelTelemetry &, const char *) {})
    {
        SimRig rig;
        PanelTelemetry telemetry(settings, &rig.kel);
        if (telemetry.mqttLink())
            telemetry.mqttLink()->setFirstRetryMs(RetryMs);
        connect(&rig.kel, &KelInterface::addDispLine, &telemetry, &PanelTelemetry::publishDisplayLine);
        connect(&telemetry, &PanelTelemetry::notice, this, [this](const QString &line) { notices << line; });
        RunTrace trace;
        if (!rig.startUp())
            return trace;
        hook(telemetry, "ready");
        const int before = rig.sim.received().size();
        rig.kel.setRecipe({QStringLiteral("DELAY 25"), QStringLiteral("POINT 1,1"),
                             QStringLiteral("POINT 2,1"), QStringLiteral("POINT 2,2")});
        rig.kel.ScanRecipe();
        rig.kel.initRecipe();
        rig.kel.startRecipe();
        for (bool inEntries = false; rig.kel.isRecipeRunning() && trace.ticks < 5000; ++trace.ticks) {
            rig.tick();
            if (!rig.kel.operatorPrompt().isEmpty()) {
                hook(telemetry, "prompt");
                rig.kel.recipeContinue();
            }
            if (!inEntries && rig.kel.runProgress().entry == 1) {
                inEntries = true;
                hook(telemetry, "entry");
            }
        }
        for (const PtxSim::Packet &p : rig.sim.received().mid(before))
            trace.packets << QByteArray::number(p.dev) + ' ' + QByteArray::number(p.cmd) + ' '
                                 + QByteArray::number(p.index) + ' ' + p.data.toHex();
        hook(telemetry, "end");
        return trace;
    }

private slots:
    void init()
    {
        QVERIFY(QDir::setCurrent(work.path()));
        notices.clear();
    }

    // A subscriber sees the load prompt, the entries, the end on the display, the idle
    // state and the run's record, in that order.
    void runMessagesInOrder()
    {
        Broker broker;
        QVERIFY(broker.start());
        QProcess sub;
        const auto seen = [&sub](const QString &text) {
            return [&sub, text] { return sub.peek(1 << 20).contains(text.toUtf8()); };
        };
        runRecipe(settingsFor(broker.address()), [&](PanelTelemetry &t, const char *stage) {
            if (qstrcmp(stage, "ready") == 0) {
                QVERIFY(Stepping::waitUntil([&t] { return t.mqttLink()->isConnected(); }, NetworkWaitMs));
                sub.start(QStringLiteral("mosquitto_sub"), broker.subscription(Prefix + QStringLiteral("/#")));
                QVERIFY(Stepping::waitUntil(seen(Prefix + QStringLiteral("/online true")), NetworkWaitMs));
            } else if (qstrcmp(stage, "prompt") == 0) {
                QVERIFY(Stepping::waitUntil(seen(QStringLiteral("\"run\":\"waiting\"")), NetworkWaitMs));
            } else if (qstrcmp(stage, "entry") == 0) {
                QVERIFY(Stepping::waitUntil(seen(QStringLiteral("\"entry\":1,")), NetworkWaitMs));
            }
        });
        QVERIFY(Stepping::waitUntil(seen(Prefix + QStringLiteral("/runs ")), NetworkWaitMs));
        const QStringList lines = QString::fromUtf8(sub.readAll()).split(QLatin1Char('\n'));
        const QStringList expected{
            "/state .*\"prompt\":\"Load Sample and press RESUME\".*\"run\":\"waiting\"",
            "/state .*\"entries\":3,\"entry\":1,.*\"run\":\"running\"",
            "/display \\{\"line\":\"RECIPE DONE!\"", "/state .*\"run\":\"idle\"",
            "/runs .*\"ending\":\"DONE\",\"entries\":3,\"entriesDone\":3,.*\"recipe\":\"newfile.rcp\""};
        qsizetype at = 0;
        for (const QString &pattern : expected) {
            at = lines.indexOf(QRegularExpression(QRegularExpression::escape(Prefix) + pattern + ".*"), at);
            QVERIFY2(at >= 0, qPrintable(pattern + '\n' + lines.join('\n')));
        }
    }

    void onlineFalseWhenKilled()
    {
        Broker broker;
        QVERIFY(broker.start());
        QFile config(work.filePath(QStringLiteral("config.xml")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("<archive><telemetry><broker>%1</broker><prefix>%2</prefix>"
                                    "</telemetry></archive>").arg(broker.address(), Prefix).toUtf8());
        config.close();
        QProcess panel;
        panel.start(QStringLiteral(PTX_PANEL), {QStringLiteral("--workdir"), work.path()});
        const QString online = Prefix + QStringLiteral("/online ");
        QVERIFY(Stepping::waitUntil([&] { return broker.retained(online.trimmed()) == online + "true"; }, NetworkWaitMs));
        ::kill(pid_t(panel.processId()), SIGKILL);
        panel.waitForFinished();
        QVERIFY(Stepping::waitUntil([&] { return broker.retained(online.trimmed()) == online + "false"; }, NetworkWaitMs));
    }

    void brokerTroubleChangesNothing_data()
    {
        QTest::addColumn<int>("trouble");
        QTest::newRow("broker down") << int(Down);
        QTest::newRow("broker stopped, taking connections unanswered") << int(Stopped);
        QTest::newRow("password refused") << int(Refused);
    }

    void brokerTroubleChangesNothing()
    {
        QFETCH(int, trouble);
        const RunTrace off = runRecipe(TelemetrySettings());
        QVERIFY(off.ticks > 0);
        Broker broker;
        TelemetrySettings settings = settingsFor(QStringLiteral("127.0.0.1:1"));
        if (trouble != Down) {
            QStringList conf{QStringLiteral("allow_anonymous true")};
            if (trouble == Refused) {
                Broker::run(QStringLiteral("mosquitto_passwd"), {"-c", "-b", broker.path("passwd"), "panel", "right"});
                conf = QStringList{"allow_anonymous false", "password_file " + broker.path("passwd")};
                std::tie(settings.user, settings.password) = std::make_pair(QStringLiteral("panel"), QStringLiteral("wrong"));
            }
            QVERIFY(broker.start(conf));
            settings.broker = broker.address();
            if (trouble == Stopped)
                ::kill(pid_t(broker.process.processId()), SIGSTOP);
        }
        const RunTrace on = runRecipe(settings, [&](PanelTelemetry &, const char *stage) {
            // Several refused attempts, one notice.
            if (trouble == Refused && qstrcmp(stage, "end") == 0)
                QVERIFY(!Stepping::waitUntil([this] { return notices.size() > 1; }, 20 * RetryMs));
        });
        ::kill(pid_t(broker.process.processId()), SIGCONT);
        QCOMPARE(on.ticks, off.ticks);
        QCOMPARE(on.packets, off.packets);
        QCOMPARE(notices, trouble == Refused ? QStringList{"TELEMETRY: BROKER " + settings.broker + " REFUSED THE LOG-IN"}
                                             : QStringList());
    }

    void prefix_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("none: ptx/ and the host name") << "" << "ptx/stage-3";
        QTest::newRow("spaces only: the same") << "  " << "ptx/stage-3";
        QTest::newRow("closing slashes dropped") << "lab/a//" << "lab/a";
    }

    void prefix()
    {
        QFETCH(QString, configured);
        QTEST(topicPrefix(configured, QStringLiteral("stage-3")), "prefix");
    }

    void encrypted_data()
    {
        QTest::addColumn<QString>("authority");
        QTest::newRow("certificate of the trusted authority") << "ca";
        QTest::newRow("certificate of another authority") << "other";
    }

    // The broker's certificate, signed at test time, is checked against the panel's cafile.
    void encrypted()
    {
        QFETCH(QString, authority);
        Broker broker;
        const auto make = [&broker](QStringList arguments) {
            for (QString &a : arguments)
                a.replace(QLatin1String("@"), broker.dir.path() + QLatin1Char('/'));
            Broker::run(QStringLiteral("openssl"), arguments);
        };
        const QString key = QStringLiteral("-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout");
        for (const QString &ca : {QStringLiteral("ca"), QStringLiteral("other")})
            make(("req -x509 " + key + " @" + ca + ".key -out @" + ca + ".crt -subj /CN=" + ca).split(' '));
        make(("req " + key + " @server.key -out @server.csr -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1").split(' '));
        make(QStringLiteral("x509 -req -in @server.csr -CA @ca.crt -CAkey @ca.key -out @server.crt -copy_extensions copy").split(' '));
        QVERIFY(broker.start({"allow_anonymous true", "certfile " + broker.path("server.crt"),
                              "keyfile " + broker.path("server.key")}));
        TelemetrySettings settings = settingsFor(broker.address());
        settings.cafile = broker.path(authority + ".crt");
        KelInterface kel(QStringLiteral("127.0.0.1:1"));
        PanelTelemetry telemetry(settings, &kel);
        connect(&telemetry, &PanelTelemetry::notice, this, [this](const QString &line) { notices << line; });
        const bool trusted = authority == QLatin1String("ca");
        QVERIFY(Stepping::waitUntil([&] { return telemetry.mqttLink()->isConnected() || !notices.isEmpty(); }, NetworkWaitMs));
        QCOMPARE(notices, trusted ? QStringList() : QStringList{"TELEMETRY: BROKER " + settings.broker + " CERTIFICATE NOT ACCEPTED"});
    }
};

QTEST_GUILESS_MAIN(TestTelemetry)
#include "tst_telemetry.moc"
