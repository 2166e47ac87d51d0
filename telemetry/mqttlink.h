// MqttLink: one connection to an MQTT broker, kept up by a thread of its own.
#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

struct mosquitto;

namespace Ptx {

struct MqttEndpoint {
    QString host;
    quint16 port = 0;
    QString user;        // empty: no log-in
    QString password;
    QString cafile;      // set: the connection is encrypted and the broker's certificate checked
    QString onlineTopic; // retained "true" on connecting; the broker's last word "false"
};

// The network work (connecting, retrying, writing, keep-alive) runs on this thread, so a
// slow or absent broker never holds up the caller. publish() only queues a message.
class MqttLink : public QThread
{
    Q_OBJECT

public:
    explicit MqttLink(const MqttEndpoint &endpoint, QObject *parent = nullptr);
    // Says "offline" when connected and ends the thread.
    ~MqttLink() override;

    // Queues a message for the broker and returns at once. A message of QoS 0 that finds no
    // connection is dropped; one of QoS 1 waits for the next connection.
    void publish(const QString &topic, const QByteArray &payload, int qos, bool retain);
    bool isConnected() const { return brokerConnected; }
    // Test seam: the wait before the first retry (doubled up to the longest after each).
    void setFirstRetryMs(int ms) { firstRetryMs = ms; }

signals:
    void connectedChanged(bool connected);
    // A problem the operator must fix (refused log-in, untrusted certificate); each is said
    // once until a connection succeeds.
    void problem(const QString &text);

protected:
    void run() override;

private:
    static void onConnect(mosquitto *mosq, void *self, int result);
    static void onDisconnect(mosquitto *mosq, void *self, int result);
    bool setUp();
    void serve();
    void sayGoodbye();
    void report(int result, bool refused);
    void waitBeforeRetry(int ms);
    void setConnected(bool connected);

    const MqttEndpoint endpoint;
    mosquitto *mosq = nullptr;
    std::atomic_bool stopping{false};
    std::atomic_bool brokerConnected{false};
    std::atomic_int refusal{0};      // the broker's refusal of the last attempt, 0 for none
    QMutex waitLock;
    QWaitCondition wake;
    std::atomic_int firstRetryMs;
    QStringList problemsSaid;        // cleared by a connection
};

} // namespace Ptx
