#include "simulator/console.h"

#include "simulator/commandline.h"
#include "simulator/simulator.h"

#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace PtxSim {

namespace {
constexpr int LineBufferSize = 512;
}

Console::Console(Simulator *simulator, QObject *parent)
    : QObject(parent), sim(simulator),
      notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(notifier, &QSocketNotifier::activated, this, &Console::readLine);
}

QString Console::execute(const QString &line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QString();
    const QString name = words.first().startsWith(QLatin1String("--")) ? words.first().mid(2)
                                                                        : words.first();
    if (name == QLatin1String("help"))
        return QStringLiteral("switches:\n") + faultSwitchHelp()
               + QStringLiteral("  status                show the switches and counters");
    if (name == QLatin1String("status")) {
        return describeFaults(sim->faults())
               + QStringLiteral("\npackets received %1, replies sent %2, malformed %3, "
                                "flood bytes sent %4, half frames sent %5, client %6")
                     .arg(sim->total())
                     .arg(sim->repliesSent())
                     .arg(sim->malformed())
                     .arg(sim->floodBytesSent())
                     .arg(sim->halfFramesSent())
                     .arg(sim->isLoggedIn() ? QStringLiteral("logged in")
                          : sim->hasClient() ? QStringLiteral("logging in")
                                             : QStringLiteral("none"));
    }
    Faults faults = sim->faults();
    QString error;
    if (!applyFaultSwitch(&faults, name, words.mid(1).join(QLatin1Char(' ')), &error))
        return error;
    sim->setFaults(faults);
    return describeFaults(faults);
}

void Console::readLine()
{
    char buffer[LineBufferSize];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        notifier->setEnabled(false);   // end of input: nothing more to read
        return;
    }
    const QString input = QString::fromLocal8Bit(buffer, int(n));
    for (const QString &line : input.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString answer = execute(line);
        if (!answer.isEmpty())
            std::printf("%s\n", qPrintable(answer));
    }
    std::fflush(stdout);
}

} // namespace PtxSim
