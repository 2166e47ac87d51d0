#include "simulator/textcommand.h"

#include "simulator/hardware.h"

#include <QHash>
#include <QStringList>

namespace PtxSim {

namespace {

// A speed setting: the axis and whether it is the centring speed.
struct SpeedKey {
    int dev;
    bool centring;
};

// "speed" takes x, y and b (the focus drive); a line without a leading word takes x99, y99.
const QHash<QString, SpeedKey> &speedKeys()
{
    static const QHash<QString, SpeedKey> keys{
        {QStringLiteral("x"), {DevX, false}},
        {QStringLiteral("y"), {DevY, false}},
        {QStringLiteral("b"), {DevZ, false}},
    };
    return keys;
}

const QHash<QString, SpeedKey> &centringKeys()
{
    static const QHash<QString, SpeedKey> keys{
        {QStringLiteral("x99"), {DevX, true}},
        {QStringLiteral("y99"), {DevY, true}},
    };
    return keys;
}

// Reads "key=value" words into settings; false on any unknown key or bad value.
bool parseSettings(const QStringList &words, const QHash<QString, SpeedKey> &keys,
                   QList<QPair<SpeedKey, qint32>> *settings)
{
    if (words.isEmpty())
        return false;
    for (const QString &word : words) {
        const int eq = int(word.indexOf(QLatin1Char('=')));
        if (eq <= 0)
            return false;
        const auto key = keys.constFind(word.left(eq));
        bool ok = false;
        const qint32 value = word.mid(eq + 1).toInt(&ok);
        if (key == keys.constEnd() || !ok || value <= 0)
            return false;
        settings->append({key.value(), value});
    }
    return true;
}

} // namespace

QString runTextCommand(Hardware &hardware, const QString &text)
{
    QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 1 && words.first() == QLatin1String("calib")) {
        hardware.calibrate();
        return TextAccepted;
    }
    QList<QPair<SpeedKey, qint32>> settings;
    bool ok;
    if (!words.isEmpty() && words.first() == QLatin1String("speed")) {
        words.removeFirst();
        ok = parseSettings(words, speedKeys(), &settings);
    } else {
        ok = parseSettings(words, centringKeys(), &settings);
    }
    if (!ok)
        return TextRefused;
    for (const auto &[key, value] : settings) {
        Axis &axis = hardware.axis(key.dev);
        if (key.centring)
            axis.setCentringSpeed(value);
        else
            axis.setSpeed(value);
    }
    return TextAccepted;
}

} // namespace PtxSim
