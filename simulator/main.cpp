// ptx-sim: runs the simulated PTX4100 controller until it is interrupted.
#include "simulator/commandline.h"
#include "simulator/console.h"
#include "simulator/simulator.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ptx-sim"));

    PtxSim::LaunchSettings settings;
    QString message;
    switch (PtxSim::parseCommandLine(app.arguments(), &settings, &message)) {
    case PtxSim::ParseResult::Help:
        std::printf("%s\nFault switches (also typed on standard input while running):\n%s",
                    qPrintable(message), qPrintable(PtxSim::faultSwitchHelp()));
        return 0;
    case PtxSim::ParseResult::Version:
        std::printf("%s\n", qPrintable(message));
        return 0;
    case PtxSim::ParseResult::Error:
        std::fprintf(stderr, "ptx-sim: %s (see --help)\n", qPrintable(message));
        return 2;
    case PtxSim::ParseResult::Run:
        break;
    }

    PtxSim::Simulator simulator(settings.options);
    if (!simulator.listen(settings.address, settings.port)) {
        std::fprintf(stderr, "ptx-sim: cannot listen on %s:%u: %s\n",
                     qPrintable(settings.address.toString()), unsigned(settings.port),
                     qPrintable(simulator.errorString()));
        return 1;
    }
    std::printf("ptx-sim listening on %s port %u, modules %s\n",
                qPrintable(settings.address.toString()), unsigned(simulator.serverPort()),
                qPrintable([&] {
                    QStringList list;
                    for (int m : simulator.modules())
                        list.append(QString::number(m));
                    return list.join(QLatin1Char(','));
                }()));
    std::fflush(stdout);
    PtxSim::Console console(&simulator);
    return app.exec();
}
