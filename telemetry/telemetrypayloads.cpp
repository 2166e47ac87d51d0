// The JSON payloads of the telemetry topics.
#include "telemetry/telemetrypayloads.h"

#include "controller/kelinterface.h"
#include "telemetry/telemetryconstants.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace Ptx {

namespace {

constexpr double MsPerSecond = 1000.0;
constexpr const char *TimeKey = "time";

QString connectionName(int connection)
{
    switch (connection) {
    case KelInterface::Connecting:
        return QStringLiteral("connecting");
    case KelInterface::SystemReady:
        return QStringLiteral("ready");
    default:
        return QStringLiteral("disconnected");
    }
}

// The names of the interface states, by their numbers.
QString interfaceName(unsigned int state)
{
    static const char *const names[] = {"init", "normal", "system check", "waiting for command",
                                        "calibrating", "reading points", "setting points"};
    return state < std::size(names) ? QString::fromLatin1(names[state]) : QString::number(state);
}

QString runName(const PanelState &s)
{
    if (!s.running)
        return QStringLiteral("idle");
    if (!s.prompt.isEmpty())
        return QStringLiteral("waiting");
    return s.paused ? QStringLiteral("paused") : QStringLiteral("running");
}

QJsonValue timeText(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

} // namespace

QJsonObject stateObject(const PanelState &s)
{
    const RunProgress &p = s.progress;
    // Whole seconds: the estimate moves every tick, the state would go out as often.
    const QJsonValue left = p.running && !p.continuous
                                ? QJsonValue(qint64(std::ceil(std::max(0.0, p.leftMs) / MsPerSecond)))
                                : QJsonValue();
    return QJsonObject{
        {QStringLiteral("connection"), connectionName(s.connection)},
        {QStringLiteral("interface"), interfaceName(s.interface)},
        {QStringLiteral("recipe"), s.recipe},
        {QStringLiteral("run"), runName(s)},
        {QStringLiteral("prompt"), s.running ? s.prompt : QString()},
        {QStringLiteral("entry"), p.entry},
        {QStringLiteral("entries"), p.entries},
        {QStringLiteral("pattern"), p.pattern},
        {QStringLiteral("patterns"), p.patterns},
        {QStringLiteral("macro"), p.macro},
        {QStringLiteral("macros"), p.macros},
        {QStringLiteral("secondsLeft"), left},
        {QStringLiteral("position"),
         QJsonObject{{QStringLiteral("x"), s.x},
                     {QStringLiteral("y"), s.y},
                     {QStringLiteral("z"), s.z},
                     {QStringLiteral("wheel1"), qint64(s.wheel1)},
                     {QStringLiteral("wheel2"), qint64(s.wheel2)},
                     {QStringLiteral("shutters"),
                      QJsonArray{qint64(s.shutters[0]), qint64(s.shutters[1]), qint64(s.shutters[2])}}}}};
}

QByteArray stamped(QJsonObject object, const QDateTime &time)
{
    object.insert(QLatin1String(TimeKey), timeText(time));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject displayObject(const QString &line)
{
    return QJsonObject{{QStringLiteral("line"), line}};
}

// The runs.log line itself goes along, so a reader sees every field the log has.
QJsonObject runObject(const RunRecord &record)
{
    const QString line = runLogLine(record);
    return QJsonObject{{QStringLiteral("start"), timeText(record.start)},
                       {QStringLiteral("end"), timeText(record.end)},
                       {QStringLiteral("recipe"), record.recipe},
                       {QStringLiteral("entriesDone"), record.entriesDone},
                       {QStringLiteral("entries"), record.entries},
                       {QStringLiteral("ending"), runEndingText(record.ending)},
                       {QStringLiteral("firstEntry"), record.firstEntry},
                       {QStringLiteral("lastCompleted"), record.lastCompleted},
                       {QStringLiteral("checksum"), record.checksum},
                       {QStringLiteral("log"), line}};
}

QString topicPrefix(const QString &configured, const QString &hostName)
{
    QString prefix = configured.trimmed();
    if (prefix.isEmpty())
        prefix = QLatin1String(Telemetry::DefaultPrefixStart) + hostName;
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    return prefix;
}

} // namespace Ptx
