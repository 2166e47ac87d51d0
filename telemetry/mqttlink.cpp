// MqttLink: libmosquitto's client, driven from a thread of its own.
#include "telemetry/mqttlink.h"

#include "controller/diagnostics.h"
#include "telemetry/telemetryconstants.h"

#include <QDeadlineTimer>
#include <QFile>

#include <mosquitto.h>

#include <algorithm>
#include <mutex>

namespace Ptx {

using namespace Telemetry;

namespace {

constexpr const char *OnlineText = "true";
constexpr const char *OfflineText = "false";
// The broker's answers to a log-in it refuses: bad user name or password, not authorised.
constexpr int RefusedCredentials = 4;
constexpr int RefusedNotAuthorised = 5;
// The panel waits this long for its thread to end before it stops it the hard way (a
// connection attempt to a host that never answers can take minutes).
constexpr int StopWaitMs = 3000;

QByteArray bytes(const QString &text)
{
    return text.toUtf8();
}

} // namespace

MqttLink::MqttLink(const MqttEndpoint &endpoint, QObject *parent)
    : QThread(parent), endpoint(endpoint), firstRetryMs(FirstRetryMs)
{
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });
    // No client name of its own: the broker gives each connection a fresh one, so two panels
    // never push each other off.
    mosq = mosquitto_new(nullptr, true, this);
    if (!mosq)
        return;
    mosquitto_threaded_set(mosq, true);
    mosquitto_connect_callback_set(mosq, &MqttLink::onConnect);
    mosquitto_disconnect_callback_set(mosq, &MqttLink::onDisconnect);
    const QByteArray will = bytes(endpoint.onlineTopic);
    mosquitto_will_set(mosq, will.constData(), int(qstrlen(OfflineText)), OfflineText,
                       QosAtLeastOnce, true);
    if (!endpoint.user.isEmpty())
        mosquitto_username_pw_set(mosq, bytes(endpoint.user).constData(),
                                  bytes(endpoint.password).constData());
}

MqttLink::~MqttLink()
{
    // The "offline" word is queued first; queueing it also wakes the network thread.
    if (brokerConnected)
        publish(endpoint.onlineTopic, OfflineText, QosAtLeastOnce, true);
    stopping = true;
    {
        QMutexLocker lock(&waitLock);
        wake.wakeAll();
    }
    if (!wait(QDeadlineTimer(StopWaitMs))) {
        diag(QStringLiteral("TELEMETRY: NETWORK THREAD STOPPED BY FORCE"));
        terminate();
        wait();
    }
    if (mosq)
        mosquitto_destroy(mosq);
}

void MqttLink::publish(const QString &topic, const QByteArray &payload, int qos, bool retain)
{
    if (!mosq)
        return;
    mosquitto_publish(mosq, nullptr, bytes(topic).constData(), int(payload.size()),
                      payload.constData(), qos, retain);
}

void MqttLink::onConnect(mosquitto *, void *self, int result)
{
    auto *link = static_cast<MqttLink *>(self);
    link->refusal = result;
    if (result != 0)
        return;
    link->publish(link->endpoint.onlineTopic, OnlineText, QosAtLeastOnce, true);
    link->setConnected(true);
}

void MqttLink::onDisconnect(mosquitto *, void *self, int)
{
    static_cast<MqttLink *>(self)->setConnected(false);
}

void MqttLink::setConnected(bool connected)
{
    if (brokerConnected.exchange(connected) != connected)
        emit connectedChanged(connected);
}

// The certificate authority must be readable before a connection is tried at all.
bool MqttLink::setUp()
{
    if (!mosq) {
        emit problem(QStringLiteral("TELEMETRY: NO MQTT CLIENT"));
        return false;
    }
    if (endpoint.cafile.isEmpty())
        return true;
    if (!QFile::exists(endpoint.cafile)
        || mosquitto_tls_set(mosq, QFile::encodeName(endpoint.cafile).constData(), nullptr,
                             nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
        const QString text = QStringLiteral("TELEMETRY: CA FILE %1 UNREADABLE").arg(endpoint.cafile);
        diag(text);
        emit problem(text);
        return false;
    }
    return true;
}

void MqttLink::run()
{
    if (setUp())
        serve();
}

// Connects, serves the connection until it ends, waits, and tries again.
void MqttLink::serve()
{
    const QByteArray host = bytes(endpoint.host);
    int retryMs = firstRetryMs;
    while (!stopping) {
        refusal = 0;
        int result = mosquitto_connect(mosq, host.constData(), endpoint.port, KeepAliveSeconds);
        while (result == MOSQ_ERR_SUCCESS && !stopping)
            result = mosquitto_loop(mosq, LoopWaitMs, 1);
        if (stopping)
            break;
        if (brokerConnected) {
            retryMs = firstRetryMs;
            problemsSaid.clear();
        }
        setConnected(false);
        const int refused = refusal;
        report(result, refused == RefusedCredentials || refused == RefusedNotAuthorised);
        waitBeforeRetry(retryMs);
        retryMs = std::min(retryMs * 2, LongestRetryMs);
    }
    sayGoodbye();
}

// A refused log-in and an untrusted certificate go to the operator, once each until a
// connection succeeds; a broker out of reach goes to the log, once.
void MqttLink::report(int result, bool refused)
{
    const QString broker = QStringLiteral("%1:%2").arg(endpoint.host).arg(endpoint.port);
    QString text;
    bool operatorMustKnow = true;
    if (refused) {
        text = QStringLiteral("TELEMETRY: BROKER %1 REFUSED THE LOG-IN").arg(broker);
    } else if (result == MOSQ_ERR_TLS) {
        text = QStringLiteral("TELEMETRY: BROKER %1 CERTIFICATE NOT ACCEPTED").arg(broker);
    } else {
        text = QStringLiteral("TELEMETRY: BROKER %1 NOT REACHED").arg(broker);
        operatorMustKnow = false;
    }
    if (problemsSaid.contains(text))
        return;
    problemsSaid << text;
    diag(QStringLiteral("%1 (%2)").arg(text, QString::fromUtf8(mosquitto_strerror(result))));
    if (operatorMustKnow)
        emit problem(text);
}

void MqttLink::waitBeforeRetry(int ms)
{
    QMutexLocker lock(&waitLock);
    if (!stopping)
        wake.wait(&waitLock, QDeadlineTimer(ms));
}

// The queued "offline" word and the DISCONNECT go out before the socket closes, so the
// broker keeps "false" rather than sending the last will.
void MqttLink::sayGoodbye()
{
    if (!brokerConnected)
        return;
    mosquitto_disconnect(mosq);
    QDeadlineTimer deadline(GoodbyeMs);
    while (!deadline.hasExpired() && mosquitto_loop(mosq, LoopWaitMs, 1) == MOSQ_ERR_SUCCESS) {
    }
    setConnected(false);
}

} // namespace Ptx
