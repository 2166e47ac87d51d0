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
constexpr double InitialStepsPerMM = 10000.0;
constexpr double InitialMicronsPerStep = 0.1;
} // namespace

KelInterface::KelInterface(QString addr, QObject *parent)
{
    // The interface object has no parent: the main window owns it and ends its thread.
    Q_UNUSED(parent);

    modulespresent = 0;
    ipAddr = addr;
    connectionState = 0;
    rxbufptr = 0;

    inRelative = false;
    inSkew = false;
    relx = rely = relz = 0.0;
    AlnPoint1x = AlnPoint1y = AlnPoint2x = AlnPoint2y = 0.0;

    recipeState = 0;
    recipeRunning = false;
    recipePaused = false;
    recipeInDelay = false;
    recipeDelay = -1;
    contMacro = false;

    connected = false;
    longWaitForResp = false;
    doStageCenterTemp = false;

    cfgFile = new QFile(QString::fromLatin1(ConfigFileName), this);

    rcpFileName = QString::fromLatin1(NewRecipeFileName);

    stepsPerMMxy = InitialStepsPerMM;
    micronsPerStepZ = InitialMicronsPerStep;
    speedXY = InitialSpeedSteps / stepsPerMMxy;
    speedZ = InitialSpeedSteps;

    readConfigData();
    writeConfigData();

    xincr = defxincr;
    yincr = defyincr;
    zincr = defzincr;

    for (cmdBufferStruct &entry : commandBuffer)
        entry.done = true;
    cmdBufHead = 0;
    cmdBufTail = 0;
    interfaceState = INT_INIT;
    nextInterfaceState = INT_INIT;
    interfaceSubState = 0;

    timer = new QTimer(this);
    tcpSocket = new QTcpSocket(this);
    tcpSocket->abort();
    connect(tcpSocket, &QTcpSocket::readyRead, this, &KelInterface::readData);
    connect(timer, &QTimer::timeout, this, &KelInterface::onTimer);
    // Queued, so that a lost connection is handled from the event loop and never inside
    // a write or a read that is still running.
    connect(tcpSocket, &QTcpSocket::disconnected, this, &KelInterface::onSocketLost,
            Qt::QueuedConnection);
    connect(tcpSocket, &QTcpSocket::errorOccurred, this, &KelInterface::onSocketLost,
            Qt::QueuedConnection);
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
    // setInterval restarts a running timer with the new period.
    timer->setInterval(tickMs);
}

void KelInterface::run()
{
    exec();
}

void KelInterface::resetLink()
{
    ++linkGeneration;
    linkUp = false;
    timer->stop();
    connectionState = 0;
    rxbufptr = 0;
}

bool KelInterface::openConnection()
{
    resetLink();
    tcpSocket->abort();

    QString host;
    quint16 port = Ptx::DefaultPort;
    const bool addressOk = Ptx::splitAddress(ipAddr, &host, &port);
    if (addressOk)
        tcpSocket->connectToHost(host, port, QIODevice::ReadWrite);
    emit connectChanged(0);
    connected = false;

    if (!addressOk || !tcpSocket->waitForConnected(Ptx::ConnectTimeoutMs)) {
        if (!addressOk)
            Ptx::diag(QStringLiteral("Bad controller address \"%1\"").arg(ipAddr));
        tcpSocket->abort();
        emit connectChanged(0);
        emit addDispLine(QStringLiteral("CONNECT FAILED!!!!"));
        return false;
    }
    linkUp = true;
    Ptx::diag(QStringLiteral("Connected!"));
    emit clrDisp();
    emit addDispLine(QStringLiteral("Connected!"));
    emit connectChanged(1);
    return true;
}

bool KelInterface::openConnection(QString ipaddr)
{
    ipAddr = ipaddr;
    return openConnection();
}

void KelInterface::closeConnection()
{
    resetLink();
    connected = false;
    tcpSocket->abort();
    emit connectChanged(0);
    emit clrDisp();
    emit addDispLine(QStringLiteral("DisConnected!"));
    emit connectChanged(0);
    rxbufptr = 0;
    interfaceState = INT_INIT;
    interfaceSubState = 0;
    nextInterfaceState = INT_INIT;
    Ptx::diag(QStringLiteral("DisConnected!"));
}

void KelInterface::onSocketLost()
{
    // Only a connection that was open and is no longer counts; a notice left over from an
    // earlier connection, or a socket error that leaves the connection up, is ignored.
    if (!linkUp || tcpSocket->state() == QAbstractSocket::ConnectedState)
        return;
    Ptx::diag(QStringLiteral("Connection lost: %1").arg(tcpSocket->errorString()));
    closeConnection();
    emit addDispLine(QStringLiteral("CONNECTION LOST!"));
    if (recipeRunning) {
        runEnding = Ptx::RunEnding::LinkLost;
        stopRecipe();
    }
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
