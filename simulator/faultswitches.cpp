#include "simulator/commandline.h"

#include <cmath>
#include <iterator>

namespace PtxSim {

namespace {

constexpr FaultSwitch Switches[] = {
    {"drop", "FRACTION", "drop this share (0 to 1) of the replies, evenly spread"},
    {"delay", "MS", "send every reply MS wall-clock milliseconds late"},
    {"split", "", "send replies one byte per write, each flushed, about 1 ms apart"},
    {"garbage", "N", "send N noise bytes (never \"#\") before every reply"},
    {"coalesce", "", "send replies in pairs, two in one write (a lone one after 100 ms)"},
    {"close-after", "N", "close the connection on receiving the N-th packet (0 = never)"},
    {"refuse-login", "", "answer every log-in with \"Login incorrect\" and hang up"},
    {"flood-hash", "BYTES", "send a burst of BYTES \"#\" bytes before every reply"},
    {"flood-noise", "BYTES", "send BYTES noise bytes (\"#\" among them) before every reply"},
    {"half-frames", "", "send only the first half of every reply; the rest never follows"},
    {"login-flood", "BYTES", "send BYTES of text without a prompt before the log-in prompt"},
};

bool readSwitch(const QString &value, bool *on)
{
    const QString v = value.trimmed().toLower();
    if (v.isEmpty() || v == QLatin1String("on") || v == QLatin1String("1")) {
        *on = true;
        return true;
    }
    if (v == QLatin1String("off") || v == QLatin1String("0")) {
        *on = false;
        return true;
    }
    return false;
}

bool readCount(const QString &value, int *count)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok || n < 0)
        return false;
    *count = n;
    return true;
}

} // namespace

QList<FaultSwitch> faultSwitches()
{
    return QList<FaultSwitch>(std::begin(Switches), std::end(Switches));
}

bool applyFaultSwitch(Faults *faults, const QString &name, const QString &value, QString *error)
{
    bool ok = false;
    if (name == QLatin1String("drop")) {
        const double f = value.trimmed().toDouble(&ok);
        ok = ok && std::isfinite(f) && f >= 0.0 && f <= 1.0;
        if (ok)
            faults->dropFraction = f;
    } else if (name == QLatin1String("delay")) {
        ok = readCount(value, &faults->delayMs);
    } else if (name == QLatin1String("split")) {
        ok = readSwitch(value, &faults->splitBytes);
    } else if (name == QLatin1String("garbage")) {
        ok = readCount(value, &faults->garbageBytes);
    } else if (name == QLatin1String("coalesce")) {
        ok = readSwitch(value, &faults->coalesce);
    } else if (name == QLatin1String("close-after")) {
        ok = readCount(value, &faults->closeAfterPackets);
    } else if (name == QLatin1String("refuse-login")) {
        ok = readSwitch(value, &faults->refuseLogin);
    } else if (name == QLatin1String("flood-hash")) {
        ok = readCount(value, &faults->floodHashBytes);
    } else if (name == QLatin1String("flood-noise")) {
        ok = readCount(value, &faults->floodNoiseBytes);
    } else if (name == QLatin1String("half-frames")) {
        ok = readSwitch(value, &faults->halfFrames);
    } else if (name == QLatin1String("login-flood")) {
        ok = readCount(value, &faults->loginFloodBytes);
    } else {
        *error = QStringLiteral("unknown switch \"%1\"").arg(name);
        return false;
    }
    if (!ok)
        *error = QStringLiteral("bad value \"%1\" for %2").arg(value, name);
    return ok;
}

QString faultSwitchHelp()
{
    QString text;
    for (const FaultSwitch &s : Switches) {
        const QLatin1String argument = *s.argument ? QLatin1String(s.argument) : QLatin1String("on|off");
        const QString head = QStringLiteral("  %1 %2").arg(QLatin1String(s.name), argument);
        text += head.leftJustified(24) + QLatin1String(s.help) + QLatin1Char('\n');
    }
    return text;
}

QString describeFaults(const Faults &f)
{
    auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    return QStringLiteral("drop %1, delay %2, split %3, garbage %4, coalesce %5, close-after %6, "
                          "refuse-login %7, flood-hash %8, flood-noise %9, half-frames %10, "
                          "login-flood %11")
        .arg(f.dropFraction)
        .arg(f.delayMs)
        .arg(onOff(f.splitBytes))
        .arg(f.garbageBytes)
        .arg(onOff(f.coalesce))
        .arg(f.closeAfterPackets)
        .arg(onOff(f.refuseLogin))
        .arg(f.floodHashBytes)
        .arg(f.floodNoiseBytes)
        .arg(onOff(f.halfFrames))
        .arg(f.loginFloodBytes);
}

} // namespace PtxSim
