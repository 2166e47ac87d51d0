// panel_bench: how fast the panel shows its first frame, and what it costs while it sits
// connected and idle with the status polling running (CPU share and peak memory).
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "telemetry/mqttlink.h"
#include "telemetry/paneltelemetry.h"
#include "tools/eventwait.h"
#include "tools/localbroker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr int IdleSeconds = 10;
constexpr int SettleMs = 1000;             // after the system check, before measuring
constexpr int SimulatorStartMs = 10000;
constexpr int StartUpTimeoutMs = 60000;
constexpr double NsPerMs = 1e6;
constexpr double NsPerS = 1e9;
constexpr double UsPerS = 1e6;
constexpr double KiBPerMiB = 1024.0;

const char *const SystemCheckDone = "Intialization Finished!!!";

qint64 bootClockNs()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// When the kernel started this process, on the boot clock (field 22 of /proc/self/stat, in
// clock ticks; the command name before it may hold spaces, so count from its closing ")").
qint64 processStartNs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    constexpr int StartTimeAfterName = 19;  // field 22 counted from field 3
    if (fields.size() <= StartTimeAfterName)
        return -1;
    const qint64 ticks = fields.at(StartTimeAfterName).toLongLong();
    return ticks * (1000000000 / sysconf(_SC_CLK_TCK));
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / UsPerS;
}

// Notes the moment the window's first paint has been completed and flushed: the zero timer
// runs once the update that carried the paint is done.
class FirstFrame : public QObject
{
public:
    qint64 shownNs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            QTimer::singleShot(0, this, [this] { shownNs = bootClockNs(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted = false;
};

// Counts the widget paints and the interface's display signals while the panel sits idle:
// an idle screen that repaints is where the CPU goes.
class IdleActivity : public QObject
{
public:
    int paints = 0;
    int displaySignals = 0;

    void watch(KelInterface *kel)
    {
        const auto count = [this] { ++displaySignals; };
        connect(kel, &KelInterface::xPosChanged, this, count);
        connect(kel, &KelInterface::yPosChanged, this, count);
        connect(kel, &KelInterface::zPosChanged, this, count);
        connect(kel, &KelInterface::fw1PosChanged, this, count);
        connect(kel, &KelInterface::fw2PosChanged, this, count);
        connect(kel, &KelInterface::fwShutChanged, this, count);
        connect(kel, &KelInterface::modulesPresentChanged, this, count);
        connect(kel, &KelInterface::busyChanged, this, count);
        connect(kel, &KelInterface::posModeChanged, this, count);
        connect(kel, &KelInterface::addDispLine, this, count);
        connect(kel, &KelInterface::updateRecipeSts, this, count);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

int fail(const char *what)
{
    std::fprintf(stderr, "panel_bench: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 mainNs = bootClockNs();
    Ptx::useOffscreenPlatform();
    // The link's diagnostic lines are not part of the cost measured.
    qInstallMessageHandler(Ptx::dropDiagnostics);
    QApplication app(argc, argv);

    // --telemetry: the panel also publishes to a broker of its own, as one set up for it does.
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool withTelemetry = arguments.removeAll(QStringLiteral("--telemetry")) > 0;
    const QString simulatorPath = !arguments.isEmpty()
        ? arguments.first()
        : QCoreApplication::applicationDirPath() + QStringLiteral("/../simulator/ptx-sim");
    Ptx::LocalBroker broker;
    Ptx::TelemetrySettings telemetrySettings;
    if (withTelemetry) {
        if (!broker.start())
            return fail("mosquitto does not start");
        telemetrySettings.enabled = true;
        telemetrySettings.broker = broker.address();
    }

    const QString startFolder = QDir::currentPath();
    QTemporaryDir work;
    if (!work.isValid() || !QDir::setCurrent(work.path()))
        return fail("cannot make a working folder");

    int result = 0;
    {
        // As the program entry does it.
        FirstFrame frame;
        MainWindow window;
        window.installEventFilter(&frame);
        window.showFullScreen();
        if (!Ptx::waitFor([&frame] { return frame.shownNs >= 0; }, StartUpTimeoutMs))
            return fail("the window was never painted");

        const qint64 execNs = processStartNs();
        std::printf("start to first frame: %.1f ms from process start (10 ms resolution), "
                    "%.1f ms from main() (goal: under 500 ms)\n",
                    execNs < 0 ? -1.0 : double(frame.shownNs - execNs) / NsPerMs,
                    double(frame.shownNs - mainNs) / NsPerMs);

        // The simulated controller runs in a process of its own so that its work is not
        // counted; it reports the free port it took.
        QProcess simulator;
        simulator.start(simulatorPath, {QStringLiteral("--port"), QStringLiteral("0")});
        QString port;
        const QRegularExpression listening(QStringLiteral("port (\\d+)"));
        QByteArray banner;
        Ptx::waitFor([&] {
            simulator.waitForReadyRead(10);
            banner += simulator.readAllStandardOutput();
            const auto match = listening.match(QString::fromLatin1(banner));
            if (match.hasMatch())
                port = match.captured(1);
            return !port.isEmpty() || simulator.state() == QProcess::NotRunning;
        }, SimulatorStartMs);
        if (port.isEmpty())
            return fail("ptx-sim did not start (pass its path as the first argument)");

        KelInterface *kel = window.kelInterface();
        Ptx::PanelTelemetry telemetry(telemetrySettings, kel);
        QObject::connect(&window, &MainWindow::displayLineAdded, &telemetry,
                         &Ptx::PanelTelemetry::publishDisplayLine);
        std::printf("telemetry: %s\n", withTelemetry ? qPrintable(QStringLiteral("on, to ") + broker.address())
                                                     : "off (--telemetry: on)");
        bool checked = false;
        QObject::connect(kel, &KelInterface::addDispLine, &window, [&checked](const QString &l) {
            if (l == QLatin1String(SystemCheckDone))
                checked = true;
        });
        kel->setIpAddr(QStringLiteral("127.0.0.1:") + port);
        QElapsedTimer connecting;
        connecting.start();
        kel->openConnection();
        if (!Ptx::waitFor([&checked] { return checked; }, StartUpTimeoutMs)) {
            result = fail("the panel did not finish its system check");
        } else {
            std::printf("connect to end of system check: %lld ms (%d ms tick)\n",
                        connecting.elapsed(), kel->tickPeriod());
            int replies = 0;
            if (auto *socket = kel->findChild<QTcpSocket *>())
                QObject::connect(socket, &QTcpSocket::readyRead, &window, [&replies] { ++replies; });
            Ptx::waitFor([] { return false; }, SettleMs);
            replies = 0;
            IdleActivity activity;
            activity.watch(kel);
            app.installEventFilter(&activity);

            QElapsedTimer wall;
            const double cpuBefore = cpuSeconds();
            wall.start();
            QEventLoop idle;
            QTimer::singleShot(IdleSeconds * 1000, Qt::PreciseTimer, &idle, &QEventLoop::quit);
            idle.exec();
            const double cpu = cpuSeconds() - cpuBefore;
            const double seconds = double(wall.nsecsElapsed()) / NsPerS;
            app.removeEventFilter(&activity);

            std::printf("idle connected, polling: %.2f %% of one core (%.3f s CPU in %.2f s; goal: "
                        "under 3 %%), %d reads from the controller (%.0f per second)\n",
                        100.0 * cpu / seconds, cpu, seconds, replies, replies / seconds);
            std::printf("while idle: %.1f display signals and %.1f widget paints per second\n",
                        activity.displaySignals / seconds, activity.paints / seconds);
            std::printf("peak resident memory (VmHWM): %.1f MiB, now (VmRSS): %.1f MiB (goal: "
                        "under 80 MiB)\n",
                        Ptx::processStatusKiB("VmHWM:") / KiBPerMiB,
                        Ptx::processStatusKiB("VmRSS:") / KiBPerMiB);
            if (!kel->isConnected())
                result = fail("the link was lost during the idle time");
        }
        window.close();
        simulator.terminate();
        simulator.waitForFinished();
    }
    QDir::setCurrent(startFolder);
    return result;
}
