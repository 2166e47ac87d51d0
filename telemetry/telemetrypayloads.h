// The JSON payloads of the telemetry topics, built from plain values.
#pragma once

#include "recipe/runlog.h"
#include "recipe/runprogress.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

namespace Ptx {

// What the state topic tells about the panel, as the panel sees it.
struct PanelState {
    int connection = 0;           // 0 not connected, 1 connecting, 2 ready
    unsigned int interface = 0;   // the interface state machine's state
    QString recipe;
    bool running = false;
    bool paused = false;
    QString prompt;               // the prompt the run waits at, empty for none
    RunProgress progress;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    long wheel1 = 0;
    long wheel2 = 0;
    long shutters[3] = {};
};

// The state without its time: two equal objects need not both be sent.
QJsonObject stateObject(const PanelState &state);
// An object with its "time" added, as one compact line of JSON.
QByteArray stamped(QJsonObject object, const QDateTime &time);
QJsonObject displayObject(const QString &line);
QJsonObject runObject(const RunRecord &record);

// "ptx/" and the host name when the settings name no prefix; never ends in "/".
QString topicPrefix(const QString &configured, const QString &hostName);

} // namespace Ptx
