// Command-line options of ptx-sim and the fault switches shared with its console.
#pragma once

#include "simulator/simoptions.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

namespace PtxSim {

constexpr quint16 DefaultSimPort = 2323;

// What ptx-sim is started with.
struct LaunchSettings {
    Options options;
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = DefaultSimPort;
};

enum class ParseResult { Run, Help, Version, Error };

// Reads the arguments (the program name first). On Help `message` holds the help text, on
// Version the version line, on Error the reason.
ParseResult parseCommandLine(const QStringList &arguments, LaunchSettings *settings,
                             QString *message);

// "1,2,3" into numbers; false on an empty item or a non-number.
bool parseNumberList(const QString &text, QList<int> *numbers);

// One fault switch as the command line and the console know it.
struct FaultSwitch {
    const char *name;
    const char *argument;   // empty for on/off switches
    const char *help;
};
QList<FaultSwitch> faultSwitches();

// One fault switch by its option name ("drop", "delay", "split", "garbage", "coalesce",
// "close-after", "refuse-login", "flood-hash", "flood-noise", "half-frames", "login-flood");
// on/off switches take "on", "off", "1", "0" or nothing (on).
bool applyFaultSwitch(Faults *faults, const QString &name, const QString &value,
                      QString *error);
// One line per fault switch: name, argument and what it does.
QString faultSwitchHelp();
// The current switches in the console's own syntax.
QString describeFaults(const Faults &faults);

} // namespace PtxSim
