#include "simulator/commandline.h"

#include "simulator/hardwareclock.h"
#include "simulator/shutter.h"
#include "simulator/wheel.h"

#include "ptxversion.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cmath>
#include <limits>

namespace PtxSim {

namespace {

const QString Description = QStringLiteral(
    "Simulated PTX4100 motion controller: XY stage (modules 1, 2), focus (3), filter wheel 1 "
    "with three shutters (17), filter wheel 2 (27).\n"
    "While it runs, fault switches can be changed by typing \"<switch> <value>\" on standard "
    "input (\"status\" shows them, \"help\" lists them).");

bool readPort(const QString &text, quint16 *port)
{
    bool ok = false;
    const uint n = text.toUInt(&ok);
    if (!ok || n > std::numeric_limits<quint16>::max())
        return false;
    *port = quint16(n);
    return true;
}

bool readPair(const QString &text, QList<int> *pair)
{
    return parseNumberList(text, pair) && pair->size() == 2;
}

} // namespace

bool parseNumberList(const QString &text, QList<int> *numbers)
{
    numbers->clear();
    for (const QString &item : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int n = item.trimmed().toInt(&ok);
        if (!ok)
            return false;
        numbers->append(n);
    }
    return true;
}

ParseResult parseCommandLine(const QStringList &arguments, LaunchSettings *settings,
                             QString *message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption listenOpt(QStringLiteral("listen"),
        QStringLiteral("Listen on ADDR (default 127.0.0.1)."), QStringLiteral("ADDR"));
    const QCommandLineOption portOpt(QStringLiteral("port"),
        QStringLiteral("Listen on port N (default 2323; 0 picks a free port)."), QStringLiteral("N"));
    const QCommandLineOption userOpt(QStringLiteral("user"),
        QStringLiteral("Log-in user name (default the panel's own)."), QStringLiteral("NAME"));
    const QCommandLineOption passwordOpt(QStringLiteral("password"),
        QStringLiteral("Log-in password (default the panel's own)."), QStringLiteral("WORD"));
    const QCommandLineOption modulesOpt(QStringLiteral("modules"),
        QStringLiteral("Fitted modules, comma-separated, 1 to 31 (default 1,2,3,17,27)."),
        QStringLiteral("LIST"));
    const QCommandLineOption wheelsOpt(QStringLiteral("wheel-positions"),
        QStringLiteral("Positions of wheel 1 and wheel 2, 1 to 32 each (default 10,10)."),
        QStringLiteral("N1,N2"));
    const QCommandLineOption scaleOpt(QStringLiteral("time-scale"),
        QStringLiteral("Run all hardware timing F times faster, up to 1000000 (default 1)."), QStringLiteral("F"));
    const QCommandLineOption speedOpt(QStringLiteral("speed"),
        QStringLiteral("Power-up speed of every axis in steps/s (default 50000)."),
        QStringLiteral("N"));
    const QCommandLineOption travelOpt(QStringLiteral("travel"),
        QStringLiteral("Travel limits of every axis in steps (default -1000000,1000000)."),
        QStringLiteral("MIN,MAX"));
    const QCommandLineOption exposureOpt(QStringLiteral("exposure"),
        QStringLiteral("Power-up exposure time of every shutter in ms (default 100)."),
        QStringLiteral("MS"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"),
        QStringLiteral("Print every packet received and sent, decoded, one line each."));
    parser.addOptions({help, version, listenOpt, portOpt, userOpt, passwordOpt, modulesOpt,
                       wheelsOpt, scaleOpt, speedOpt, travelOpt, exposureOpt, verboseOpt});
    QList<QCommandLineOption> faultOpts;
    for (const FaultSwitch &s : faultSwitches()) {
        const QString name = QLatin1String(s.name);
        const QString text = QLatin1String("Fault: ") + QLatin1String(s.help) + QLatin1Char('.');
        faultOpts.append(*s.argument ? QCommandLineOption(name, text, QLatin1String(s.argument))
                                     : QCommandLineOption(name, text));
    }
    parser.addOptions(faultOpts);

    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        return ParseResult::Help;
    }
    if (parser.isSet(version)) {
        *message = QStringLiteral("ptx-sim " PTX_VERSION);
        return ParseResult::Version;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return ParseResult::Error;
    }
    Options &o = settings->options;
    auto fail = [message](const QString &what, const QString &value) {
        *message = QStringLiteral("bad value \"%1\" for --%2").arg(value, what);
        return ParseResult::Error;
    };
    if (parser.isSet(listenOpt)) {
        const QString text = parser.value(listenOpt);
        const QHostAddress addr = text == QLatin1String("localhost")
                                      ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(text);
        if (addr.isNull())
            return fail(listenOpt.names().first(), text);
        settings->address = addr;
    }
    if (parser.isSet(portOpt) && !readPort(parser.value(portOpt), &settings->port))
        return fail(portOpt.names().first(), parser.value(portOpt));
    if (parser.isSet(userOpt))
        o.user = parser.value(userOpt);
    if (parser.isSet(passwordOpt))
        o.password = parser.value(passwordOpt);
    if (parser.isSet(modulesOpt)) {
        QList<int> modules;
        const bool ok = parseNumberList(parser.value(modulesOpt), &modules)
                        && std::all_of(modules.begin(), modules.end(),
                                       [](int m) { return m >= 1 && m < Ptx::ModuleLimit; });
        if (!ok)
            return fail(modulesOpt.names().first(), parser.value(modulesOpt));
        o.modules = modules;
    }
    if (parser.isSet(wheelsOpt)) {
        QList<int> sizes;
        if (!readPair(parser.value(wheelsOpt), &sizes) || sizes[0] < 1
            || sizes[0] > Wheel::MaxPositions || sizes[1] < 1 || sizes[1] > Wheel::MaxPositions)
            return fail(wheelsOpt.names().first(), parser.value(wheelsOpt));
        o.wheel1Positions = sizes[0];
        o.wheel2Positions = sizes[1];
    }
    if (parser.isSet(scaleOpt)) {
        bool ok = false;
        const double f = parser.value(scaleOpt).toDouble(&ok);
        if (!ok || !std::isfinite(f) || f <= 0.0 || f > HardwareClock::MaxScale)
            return fail(scaleOpt.names().first(), parser.value(scaleOpt));
        o.timeScale = f;
    }
    if (parser.isSet(speedOpt)) {
        bool ok = false;
        const int speed = parser.value(speedOpt).toInt(&ok);
        if (!ok || speed <= 0)
            return fail(speedOpt.names().first(), parser.value(speedOpt));
        o.axisSpeed = speed;
    }
    if (parser.isSet(travelOpt)) {
        QList<int> limits;
        if (!readPair(parser.value(travelOpt), &limits) || limits[0] > limits[1])
            return fail(travelOpt.names().first(), parser.value(travelOpt));
        o.travelMin = limits[0];
        o.travelMax = limits[1];
    }
    if (parser.isSet(exposureOpt)) {
        bool ok = false;
        const int ms = parser.value(exposureOpt).toInt(&ok);
        if (!ok || ms < 0 || ms > Shutter::MaxExposureMs)
            return fail(exposureOpt.names().first(), parser.value(exposureOpt));
        o.exposureMs = ms;
    }
    o.verbose = parser.isSet(verboseOpt);
    for (const QCommandLineOption &opt : faultOpts) {
        if (!parser.isSet(opt))
            continue;
        const QString name = opt.names().first();
        const QString value = opt.valueName().isEmpty() ? QString() : parser.value(opt);
        if (!applyFaultSwitch(&o.faults, name, value, message))
            return ParseResult::Error;
    }
    return ParseResult::Run;
}

} // namespace PtxSim
