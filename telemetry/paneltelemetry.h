// PanelTelemetry: publishes what the panel is doing to an MQTT broker, and listens to nothing.
#pragma once

#include "config/telemetrysettings.h"
#include "telemetry/telemetrypayloads.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

class KelInterface;

namespace Ptx {

class MqttLink;

// Watches the interface through its signals and getters on the screen's thread; the network
// work is MqttLink's, on a thread of its own.
class PanelTelemetry : public QObject
{
    Q_OBJECT

public:
    // Starts publishing when the settings are enabled and name a usable broker.
    PanelTelemetry(const TelemetrySettings &settings, KelInterface *kel, QObject *parent = nullptr);
    ~PanelTelemetry() override;

    bool isActive() const { return link != nullptr; }
    QString prefix() const { return topicPrefix; }
    MqttLink *mqttLink() const { return link; }

public slots:
    // One line as the message display shows it.
    void publishDisplayLine(const QString &line);

signals:
    // A line for the message display (a problem the operator must fix).
    void notice(const QString &line);

private:
    void watch();
    void noteChange();
    void publishState(bool always);
    void checkRunEnded();
    PanelState currentState() const;
    QString topic(const char *name) const;

    KelInterface *kel = nullptr;
    MqttLink *link = nullptr;
    QString topicPrefix;
    QTimer stateTimer;           // holds the next state message back to the interval
    bool stateChanged = false;
    QJsonObject lastState;
    QDateTime lastRunEnd;
    PanelState seen;             // what the signals told of connection and positions
};

} // namespace Ptx
