// KelInterface: construction, the connection to the controller and its loss.
#include "controller/kelinterface.h"

#include "controller/address.h"
#include "controller/diagnostics.h"

#include <QFile>
#include <QTcpSocket>
#include <QTimer>

namespace {
const char *const ConfigFileName = "config.xml";
const char *const NewRecipeFileName = "newfile.rcp";
// Speed set before the settings are read: 50000 steps/s on every axis.
constexpr double InitialSpeedSteps = 50000.0;
} // namespace

KelInterface::KelInterface(QString addr, QObject *parent)
{
    // The interface object has no parent: the main window owns it and ends its thread.
    Q_UNUSED(parent);

    ipAddr = addr;
    cfgFile = new QFile(QString::fromLatin1(ConfigFileName), this);

    compiler.rcpFileName = QString::fromLatin1(NewRecipeFileName);

    settings.stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    settings.micronsPerStepZ = Ptx::DefaultMicronsPerStepZ;
    settings.speedXY = InitialSpeedSteps / settings.stepsPerMMxy;
    settings.speedZ = InitialSpeedSteps;

    readConfigData();
    if (!settings.keepConfigFile)
        writeConfigData();

    frame.xincr = settings.defxincr;
    frame.yincr = settings.defyincr;
    frame.zincr = settings.defzincr;

    timer = new QTimer(this);
    tcpSocket = new QTcpSocket(this);
    tcpSocket->abort();
    connect(tcpSocket, &QTcpSocket::readyRead, this, &KelInterface::readData);
    connect(tcpSocket, &QTcpSocket::connected, this, &KelInterface::onSocketConnected);
    connect(timer, &QTimer::timeout, this, &KelInterface::onTimer);
    // Handled from the event loop, never inside a write or a read that is still running,
    // and only while the link is still the one the notice came from.
    auto lostLater = [this] {
        QMetaObject::invokeMethod(
            this,
            [this, generation = linkGeneration] {
                if (generation == linkGeneration)
                    onSocketLost();
            },
            Qt::QueuedConnection);
    };
    connect(tcpSocket, &QTcpSocket::disconnected, this, lostLater);
    connect(tcpSocket, &QTcpSocket::errorOccurred, this, lostLater);
}

KelInterface::~KelInterface()
{
    timer->stop();
    tcpSocket->disconnect(this);
    tcpSocket->abort();
}

void KelInterface::setTickPeriod(int ms)
{
    tickMs = ms;
    if (tickMs <= 0)
        timer->stop();
    else
        // setInterval restarts a running timer with the new period.
        timer->setInterval(tickMs);
}

void KelInterface::startTick()
{
    if (tickMs > 0)
        timer->start(tickMs);
}

void KelInterface::tick()
{
    onTimer();
}

QStringList KelInterface::pendingCommands() const
{
    return ring.pendingTexts();
}

KelInterface::ReceiveState KelInterface::receiveState() const
{
    return static_cast<ReceiveState>(receiver.connectionState);
}

void KelInterface::run()
{
    exec();
}

void KelInterface::resetLink()
{
    ++linkGeneration;
    linkUp = false;
    connecting = false;
    packetSeen = false;
    timer->stop();
    receiver.reset();
    // Nothing queued for one connection is sent on another: whoever waits on an entry
    // learns that it was withdrawn.
    withdrawPending();
}

// Starts the connection and returns at once; the log-in follows as the controller's text
// arrives. The work tick already runs, watching the connection limit, so that a
// controller that never completes the log-in does not hold the panel at "Connecting".
// False when the address cannot be used, after "CONNECT FAILED!!!!".
bool KelInterface::openConnection()
{
    tcpSocket->abort();
    resetLink();

    QString host;
    quint16 port = Ptx::DefaultPort;
    const bool addressOk = Ptx::splitAddress(ipAddr, &host, &port);
    emit connectChanged(NotConnected);
    connected = false;
    if (!addressOk) {
        Ptx::diag(QStringLiteral("Bad controller address \"%1\"").arg(ipAddr));
        connectFailed();
        return false;
    }
    connecting = true;
    connectDeadline.setRemainingTime(Ptx::ConnectTimeoutMs, Qt::PreciseTimer);
    startTick();
    tcpSocket->connectToHost(host, port, QIODevice::ReadWrite);
    return true;
}

bool KelInterface::openConnection(QString ipaddr)
{
    ipAddr = ipaddr;
    return openConnection();
}

void KelInterface::onSocketConnected()
{
    if (!connecting)
        return;
    linkUp = true;
    Ptx::diag(QStringLiteral("Connected!"));
    emit clrDisp();
    emit addDispLine(QStringLiteral("Connected!"));
    emit connectChanged(Connecting);
}

void KelInterface::loginFinished()
{
    connecting = false;
    if (!timer->isActive())
        startTick();
}

void KelInterface::connectFailed()
{
    resetLink();
    tcpSocket->abort();
    startup.reset();
    emit connectChanged(NotConnected);
    emit addDispLine(QStringLiteral("CONNECT FAILED!!!!"));
}

void KelInterface::closeConnection()
{
    resetLink();
    connected = false;
    tcpSocket->abort();
    emit connectChanged(NotConnected);
    emit clrDisp();
    emit addDispLine(QStringLiteral("DisConnected!"));
    emit connectChanged(NotConnected);
    receiver.rxbufptr = 0;
    startup.reset();
    Ptx::diag(QStringLiteral("DisConnected!"));
    // A run does not outlive its connection: after the next log-in nothing carries on.
    if (runner.recipeRunning)
        stopRecipe();
}

void KelInterface::onSocketLost()
{
    // Before the controller has answered a packet, any failure of the socket is a failed
    // connection: a controller that refuses the log-in ends its greeting and hangs up.
    const bool loggingIn = connecting || (linkUp && !packetSeen);
    if (loggingIn && tcpSocket->state() != QAbstractSocket::ConnectedState) {
        Ptx::diag(QStringLiteral("Connection failed: %1").arg(tcpSocket->errorString()));
        connectFailed();
        return;
    }
    // Only a connection that was open and is no longer counts; a notice left over from an
    // earlier connection, or a socket error that leaves the connection up, is ignored.
    if (!linkUp || tcpSocket->state() == QAbstractSocket::ConnectedState)
        return;
    Ptx::diag(QStringLiteral("Connection lost: %1").arg(tcpSocket->errorString()));
    // The run that closing the connection stops is logged as ended by the lost link.
    if (runner.recipeRunning)
        runner.runEnding = Ptx::RunEnding::LinkLost;
    closeConnection();
    emit addDispLine(QStringLiteral("CONNECTION LOST!"));
}

void KelInterface::setIpAddr(QString val)
{
    ipAddr = val;
    closeConnection();
}

QString KelInterface::getIpAddr()
{
    return ipAddr;
}

bool KelInterface::isConnected()
{
    return connected;
}
