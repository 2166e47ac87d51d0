// soak_bench: the panel (offscreen) operated against the simulated controller under each of
// its fault switches in turn: connect, jogs (tapped and held), gotos, speeds, wheel and
// shutter moves, a recipe run, HALT, disconnect and reconnect. Per fault it prints the
// operations done, the commands the controller received that nobody had asked for (or that
// HALT, a disconnection or a released jog had withdrawn), the commands asked for that were
// never reported (neither sent nor withdrawn), crashes, and the peak resident memory with
// its growth over the stretch. The recipe (set through the interface) runs from START and
// is resumed with RESUME at each prompt; a held jog is driven by the signals its auto-repeat
// sends, ten repeats 40 ms apart.
//
//   soak_bench [--seconds N] [--quick]      every fault, each in a process of its own
//   soak_bench --fault NAME [--seconds N]   one stretch in this process (what the above runs)
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "simulator/simulator.h"
#include "tests/app/modaldriver.h"
#include "tools/eventwait.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QQueue>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int DefaultSeconds = 20;
constexpr int QuickSeconds = 5;
constexpr int TickMs = 5;                // the interface's tick: five times the normal pace
constexpr double HardwareSpeedUp = 50.0;
constexpr int GapMs = 120;               // between two operations
constexpr int ConnectWaitMs = 15000;
constexpr int HeldRepeats = 10;
constexpr int RepeatMs = 40;
constexpr int RecipeMs = 3000;
constexpr int ChildExtraMs = 120000;     // a stretch's process gets this long beyond its length

const char *const FaultNames[] = {"none",   "drop",     "delay",       "split",
                                  "garbage", "coalesce", "close-after", "refused-login"};

PtxSim::Faults faultsFor(const QString &name)
{
    PtxSim::Faults f;
    if (name == QLatin1String("drop"))
        f.dropFraction = 0.2;
    else if (name == QLatin1String("delay"))
        f.delayMs = 30;
    else if (name == QLatin1String("split"))
        f.splitBytes = true;
    else if (name == QLatin1String("garbage"))
        f.garbageBytes = 7;
    else if (name == QLatin1String("coalesce"))
        f.coalesce = true;
    else if (name == QLatin1String("close-after"))
        f.closeAfterPackets = 400;
    else if (name == QLatin1String("refused-login"))
        f.refuseLogin = true;
    return f;
}

// Accounts for every command that moves something (moves, speed and shutter writes, halts):
// each one queued is allowed to reach the controller once, until HALT or a new connection
// makes it stale, or the panel withdraws it. The controller's side checks every such packet
// it receives against what is allowed. The ledger runs the interface's work tick itself, so
// that it reads the queue the panel reports before and after every tick.
class Ledger
{
public:
    Ledger(KelInterface *kel, PtxSim::Simulator *sim) : kel(kel)
    {
        QObject::connect(sim, &PtxSim::Simulator::packetReceived, sim,
                         [this](const PtxSim::Packet &p) { received(p); });
        QObject::connect(sim, &PtxSim::Simulator::loggedIn, sim, [this] {
            simEpoch = connectEpoch;
            haltEpochs.clear();
        });
        kel->setTickPeriod(0);
        tickTimer.setInterval(TickMs);
        QObject::connect(&tickTimer, &QTimer::timeout, &tickTimer, [this] { tick(); });
        tickTimer.start();
    }

    // Everything queued from here on belongs to a new epoch: the one a HALT packet or a
    // connection's log-in opens at the controller.
    void beginHalt()
    {
        scan();
        haltEpochs.enqueue(++epoch);
    }
    void beginConnection()
    {
        scan();
        connectEpoch = ++epoch;
    }

    // A held jog is pressed, and released: the step it queued last, if it still waits, is
    // withdrawn (the held button queues its next step only once the last one has gone).
    void beginHold()
    {
        scan();
        holdStart = sent + queue.size();
    }
    void endHold()
    {
        scan();
        for (qsizetype n = queue.size() - 1; n >= 0 && sent + n >= holdStart; --n) {
            Entry &e = queue[n];
            if (tracked(e.key) && !e.withdrawn) {
                e.withdrawn = true;
                take(e.key, e.epoch);
                break;
            }
        }
    }

    // Takes in what the panel's queue lost at its front and gained at its back since the last
    // look.
    void scan()
    {
        const QStringList now = kel->pendingCommands();
        qsizetype gone = 0;
        while (gone < queue.size() && !continuesWith(gone, now))
            ++gone;
        queue.remove(0, gone);
        sent += gone;
        for (qsizetype i = queue.size(); i < now.size(); ++i) {
            queue.append({now.at(i), epoch, false});
            if (tracked(now.at(i)))
                ++allowed[now.at(i)][epoch];
        }
    }

    int unasked = 0;
    int unreported() const
    {
        return int(std::count_if(queue.begin(), queue.end(),
                                 [](const Entry &e) { return tracked(e.key) && !e.withdrawn; }));
    }

private:
    struct Entry {
        QString key;
        int epoch;
        bool withdrawn;
    };
    struct Credit {
        int epoch;
        qint64 untilTick;
    };

    // "dev,cmd,index,data", as the panel reports its queue and as the controller receives it.
    static bool tracked(const QString &key)
    {
        const uint cmd = key.section(QLatin1Char(','), 1, 1).toUInt();
        return cmd == Ptx::CmdMove || cmd == Ptx::CmdHalt || cmd == Ptx::CmdWrite;
    }
    static QString key(unsigned int dev, unsigned int cmd, unsigned int index, long data)
    {
        return QStringLiteral("%1,%2,%3,%4").arg(dev).arg(cmd).arg(index).arg(data);
    }
    bool continuesWith(qsizetype from, const QStringList &now) const
    {
        if (queue.size() - from > now.size())
            return false;
        for (qsizetype i = from; i < queue.size(); ++i)
            if (queue.at(i).key != now.at(i - from))
                return false;
        return true;
    }
    void tick()
    {
        scan();
        const bool idle = queue.isEmpty() && !kel->awaitingReply();
        kel->tick();
        scan();
        ++ticks;
        // With nothing queued at its start, a tick sends the first command it queues itself at
        // once; unless it awaits its reply, it has left the queue before the ledger could see
        // it. It is fresh, and may arrive once within the next few ticks.
        if (idle && !kel->awaitingReply())
            credits.append({epoch, ticks + CreditTicks});
    }
    bool take(const QString &k, int fromEpoch)
    {
        QMap<int, int> &counts = allowed[k];
        for (auto it = counts.lowerBound(fromEpoch); it != counts.end(); ++it) {
            if (it.value() > 0) {
                --it.value();
                return true;
            }
        }
        return false;
    }
    bool takeCredit(int fromEpoch)
    {
        credits.removeIf([this](const Credit &c) { return c.untilTick < ticks; });
        for (qsizetype i = 0; i < credits.size(); ++i) {
            if (credits.at(i).epoch >= fromEpoch) {
                credits.removeAt(i);
                return true;
            }
        }
        return false;
    }
    void received(const PtxSim::Packet &p)
    {
        const QString k = key(p.dev, p.cmd, p.index, p.value());
        if (!tracked(k) || p.isText())
            return;
        if (p.cmd == Ptx::CmdHalt && !haltEpochs.isEmpty())
            simEpoch = haltEpochs.dequeue();
        scan();
        if (!take(k, simEpoch) && !takeCredit(simEpoch)) {
            ++unasked;
            std::fprintf(stderr, "not asked for: %s\n", qPrintable(p.describe()));
        }
    }

    static constexpr qint64 CreditTicks = 4;
    KelInterface *kel;
    QTimer tickTimer;
    QList<Entry> queue;         // the panel's queue as last seen, oldest first
    qint64 sent = 0;            // entries that have left the queue's front
    qint64 holdStart = 0;       // entries queued (left or not) when the held jog was pressed
    qint64 ticks = 0;
    int epoch = 0;
    int connectEpoch = 0;
    int simEpoch = 0;
    QQueue<int> haltEpochs;
    QHash<QString, QMap<int, int>> allowed;
    QList<Credit> credits;
};

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    Ptx::waitFor([&] { return t.elapsed() >= ms; }, ms + 1000);
}

// One stretch of operation under one fault; prints one "RESULT" line.
int soak(const QString &fault, int seconds)
{
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;
    PtxSim::Options options;
    options.faults = faultsFor(fault);
    options.timeScale = HardwareSpeedUp;
    PtxSim::Simulator sim(options);
    if (!sim.listen())
        return 2;
    auto *kel = new KelInterface(sim.clientAddress());
    MainWindow window(kel);
    window.show();
    Ledger ledger(kel, &sim);

    const auto button = [&window](const char *name) {
        return window.findChild<QPushButton *>(QLatin1String(name));
    };
    QPushButton *link = button("pushButton");
    const auto linkSays = [link](const char *text) { return link->text() == QLatin1String(text); };
    const auto tap = [&](const char *name) {
        QPushButton *b = button(name);
        const bool on = b->isEnabled();
        b->click();
        return on;
    };
    const auto keypads = [&](const char *name, const QStringList &entries) {
        ModalDriver driver;
        for (const QString &e : entries)
            driver.keypad(e);
        return tap(name);
    };

    int heldCount = 0;
    int wheelPos = 0;
    // Each operation tells whether it could be done (its button was on).
    const QList<std::function<bool()>> operations{
        [&] {   // connect, and wait until the attempt is over
            if (linkSays("DISCONNECT") || !link->isEnabled())
                return false;
            ledger.beginConnection();
            link->click();
            Ptx::waitFor([&] { return linkSays("DISCONNECT") || linkSays("CONNECT"); },
                         ConnectWaitMs);
            return true;
        },
        [&] { return tap(heldCount % 2 ? "butLeft" : "butRight"); },
        [&] {   // a jog held through its auto-repeat, as the button signals it
            QPushButton *b = button(++heldCount % 2 ? "butUp" : "butDownZ");
            if (!b->isEnabled())
                return false;
            ledger.beginHold();
            b->setDown(true);
            emit b->pressed();
            for (int r = 0; r < HeldRepeats; ++r) {
                runFor(RepeatMs);
                emit b->released();
                emit b->clicked();
                emit b->pressed();
            }
            b->setDown(false);
            emit b->released();
            ledger.endHold();
            emit b->clicked();
            return true;
        },
        [&] { return keypads("butGoto", {QStringLiteral("12.5"), QStringLiteral("-3")}); },
        [&] { return keypads("butGotoZ", {QStringLiteral("150")}); },
        [&] { return keypads("butSpeed", {QStringLiteral("2.5"), QStringLiteral("1500")}); },
        [&] { return tap(QStringLiteral("butFW1p%1").arg(++wheelPos % 5 + 1).toLatin1()); },
        [&] { return tap("butFW1sh2"); },
        [&] {   // a recipe run from START, resumed at every prompt
            if (!button("butStart")->isEnabled())
                return false;
            kel->setRecipe({QStringLiteral("POINT 1,1"), QStringLiteral("POINT 2,-1"),
                            QStringLiteral("FMOVE 2,3"), QStringLiteral("POINTZ 20")});
            button("butStart")->click();
            Ptx::waitFor([&] {
                QPushButton *pause = button("butPause");
                if (pause->isEnabled() && pause->text() == QLatin1String("Resume"))
                    pause->click();
                return !kel->isRecipeRunning();
            }, RecipeMs);
            return true;
        },
        [&] {   // HALT, while there is a controller to halt
            if (!linkSays("DISCONNECT"))
                return false;
            ledger.beginHalt();
            button("butHalt")->click();
            return true;
        },
        [&] {   // DISCONNECT with jog steps still waiting to go out
            if (!linkSays("DISCONNECT"))
                return false;
            for (int tap = 0; tap < 3; ++tap)
                button("butDown")->click();
            ledger.beginConnection();
            link->click();
            return true;
        },
    };

    // Memory growth is counted from the end of the first round, when every screen and dialog
    // has been built once.
    long rssStart = -1;
    QElapsedTimer clock;
    clock.start();
    int done = 0;
    for (int n = 0; clock.elapsed() < seconds * 1000LL; ++n) {
        done += operations[n % operations.size()]();
        runFor(GapMs);
        // The controller's own record of every packet is no memory of the panel's.
        sim.resetCounters();
        if (n + 1 == operations.size())
            rssStart = Ptx::processStatusKiB("VmRSS:");
    }
    // HALT and disconnect: nothing may be left unreported.
    if (linkSays("DISCONNECT")) {
        ledger.beginHalt();
        button("butHalt")->click();
        runFor(GapMs);
        ledger.beginConnection();
        link->click();
    }
    runFor(GapMs);
    ledger.scan();
    std::printf("RESULT %s %d %d %d %ld %ld\n", qPrintable(fault), done, ledger.unasked,
                ledger.unreported(), Ptx::processStatusKiB("VmHWM:"),
                rssStart < 0 ? 0L : Ptx::processStatusKiB("VmRSS:") - rssStart);
    std::fflush(stdout);
    return 0;
}

// Runs every fault's stretch in a process of its own and prints the table.
int soakAll(const QString &self, int seconds)
{
    std::printf("%-14s %10s %8s %11s %8s %10s %11s\n", "fault", "operations", "unasked",
                "unreported", "crashes", "peak MiB", "growth KiB");
    int failures = 0;
    for (const char *fault : FaultNames) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(self, {QStringLiteral("--fault"), QLatin1String(fault),
                           QStringLiteral("--seconds"), QString::number(seconds)});
        const bool finished = child.waitForFinished(seconds * 1000 + ChildExtraMs);
        const bool crashed = !finished || child.exitStatus() != QProcess::NormalExit
                             || child.exitCode() != 0;
        QList<QByteArray> f;
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("RESULT "))
                f = line.split(' ');
        }
        if (crashed || f.size() < 7) {
            std::printf("%-14s %10s %8s %11s %8d %10s %11s\n", fault, "-", "-", "-", 1, "-", "-");
            ++failures;
            continue;
        }
        std::printf("%-14s %10s %8s %11s %8d %10.1f %11s\n", fault, f[2].constData(),
                    f[3].constData(), f[4].constData(), 0, f[5].toDouble() / 1024.0,
                    f[6].constData());
        failures += f[3].toInt() + f[4].toInt();
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    Ptx::useOffscreenPlatform();
    QApplication app(argc, argv);
    qInstallMessageHandler(Ptx::dropDiagnostics);
    const QStringList args = app.arguments();
    int seconds = args.contains(QStringLiteral("--quick")) ? QuickSeconds : DefaultSeconds;
    const qsizetype s = args.indexOf(QStringLiteral("--seconds"));
    if (s > 0 && s + 1 < args.size())
        seconds = args.at(s + 1).toInt();
    const qsizetype f = args.indexOf(QStringLiteral("--fault"));
    if (f > 0 && f + 1 < args.size())
        return soak(args.at(f + 1), seconds);
    return soakAll(app.applicationFilePath(), seconds);
}
