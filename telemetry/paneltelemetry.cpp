// PanelTelemetry: the panel's state, display lines and finished runs as MQTT messages.
#include "telemetry/paneltelemetry.h"

#include "controller/address.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "telemetry/mqttlink.h"
#include "telemetry/telemetryconstants.h"

#include <QHostInfo>

namespace Ptx {

using namespace Telemetry;

PanelTelemetry::PanelTelemetry(const TelemetrySettings &settings, KelInterface *kel, QObject *parent)
    : QObject(parent), kel(kel)
{
    if (!settings.enabled)
        return;
    topicPrefix = Ptx::topicPrefix(settings.prefix, QHostInfo::localHostName());
    MqttEndpoint endpoint{QString(), 0, settings.user, settings.password, settings.cafile, topic(OnlineTopic)};
    const quint16 defaultPort = settings.cafile.isEmpty() ? PlainPort : TlsPort;
    if (!splitAddress(settings.broker, &endpoint.host, &endpoint.port, defaultPort)) {
        const QString text = QStringLiteral("TELEMETRY: BAD BROKER ADDRESS %1").arg(settings.broker);
        diag(text);
        QTimer::singleShot(0, this, [this, text] { emit notice(text); });
        return;
    }
    link = new MqttLink(endpoint, this);
    connect(link, &MqttLink::problem, this, &PanelTelemetry::notice);
    // A new connection gets the state at once: the broker may have lost the retained one.
    connect(link, &MqttLink::connectedChanged, this, [this](bool up) {
        if (up)
            publishState(true);
    });
    stateTimer.setSingleShot(true);
    stateTimer.setInterval(StateIntervalMs);
    connect(&stateTimer, &QTimer::timeout, this, [this] {
        // A run's time left moves without a signal; while one goes, look again each interval.
        if (stateChanged || this->kel->isRecipeRunning())
            publishState(false);
    });
    watch();
    // The thread starts from the event loop, once whoever made this object has connected
    // its signals (and a test has set its seams).
    QMetaObject::invokeMethod(link, [l = link] { l->start(); }, Qt::QueuedConnection);
}

PanelTelemetry::~PanelTelemetry()
{
    delete link;
}

void PanelTelemetry::watch()
{
    connect(kel, &KelInterface::connectChanged, this, [this](int value) {
        seen.connection = value;
        noteChange();
    });
    connect(kel, &KelInterface::xPosChanged, this, [this](double v) { seen.x = v; noteChange(); });
    connect(kel, &KelInterface::yPosChanged, this, [this](double v) { seen.y = v; noteChange(); });
    connect(kel, &KelInterface::zPosChanged, this, [this](double v) { seen.z = v; noteChange(); });
    connect(kel, &KelInterface::fw1PosChanged, this, [this](long v) { seen.wheel1 = v; noteChange(); });
    connect(kel, &KelInterface::fw2PosChanged, this, [this](long v) { seen.wheel2 = v; noteChange(); });
    connect(kel, &KelInterface::fwShutChanged, this, [this](long a, long b, long c) {
        seen.shutters[0] = a;
        seen.shutters[1] = b;
        seen.shutters[2] = c;
        noteChange();
    });
    connect(kel, &KelInterface::updateFileName, this, &PanelTelemetry::noteChange);
    connect(kel, &KelInterface::busyChanged, this, &PanelTelemetry::noteChange);
    connect(kel, &KelInterface::updateRecipeSts, this, [this] {
        checkRunEnded();
        noteChange();
    });
}

QString PanelTelemetry::topic(const char *name) const
{
    return topicPrefix + QLatin1Char('/') + QLatin1String(name);
}

// The first change after a quiet spell goes out at once, later ones at most once per interval.
void PanelTelemetry::noteChange()
{
    if (stateTimer.isActive()) {
        stateChanged = true;
        return;
    }
    publishState(false);
}

void PanelTelemetry::publishState(bool always)
{
    stateChanged = false;
    stateTimer.start();
    const QJsonObject state = stateObject(currentState());
    if (!always && state == lastState)
        return;
    lastState = state;
    link->publish(topic(StateTopic), stamped(state, QDateTime::currentDateTimeUtc()),
                  QosAtMostOnce, true);
}

PanelState PanelTelemetry::currentState() const
{
    PanelState s = seen;
    s.interface = kel->currentInterfaceState();
    s.recipe = kel->getFileName();
    s.running = kel->isRecipeRunning();
    s.paused = kel->isRecipePaused();
    s.prompt = kel->operatorPrompt();
    s.progress = kel->runProgress();
    return s;
}

// A run has ended when the interface's record of it gains an end time not seen before.
void PanelTelemetry::checkRunEnded()
{
    const RunRecord record = kel->lastRunRecord();
    if (!record.end.isValid() || record.end == lastRunEnd)
        return;
    lastRunEnd = record.end;
    // The state goes first, so a reader of both sees the run idle when its record comes.
    publishState(false);
    link->publish(topic(RunsTopic), stamped(runObject(record), QDateTime::currentDateTimeUtc()),
                  QosAtLeastOnce, true);
}

void PanelTelemetry::publishDisplayLine(const QString &line)
{
    if (link)
        link->publish(topic(DisplayTopic), stamped(displayObject(line), QDateTime::currentDateTimeUtc()),
                      QosAtMostOnce, false);
}

} // namespace Ptx
