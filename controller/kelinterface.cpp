// Placeholder bodies, replaced as the subsystem is written.
#include "controller/kelinterface.h"

KelInterface::KelInterface(QString addr, QObject *parent)
{
    Q_UNUSED(parent);
    ipAddr = addr;
}

KelInterface::~KelInterface() = default;

void KelInterface::setTickPeriod(int ms)
{
    tickMs = ms;
}

void KelInterface::run()
{
    exec();
}

bool KelInterface::openConnection()
{
    return false;
}

bool KelInterface::openConnection(QString ipaddr)
{
    Q_UNUSED(ipaddr);
    return false;
}

void KelInterface::closeConnection()
{
}

void KelInterface::setIpAddr(QString val)
{
    Q_UNUSED(val);
}

QString KelInterface::getIpAddr()
{
    return {};
}

bool KelInterface::isConnected()
{
    return false;
}

int KelInterface::addCommand(uint dev, uint cmd, uint index, long data, bool ret, long *val)
{
    Q_UNUSED(dev);
    Q_UNUSED(cmd);
    Q_UNUSED(index);
    Q_UNUSED(data);
    Q_UNUSED(ret);
    Q_UNUSED(val);
    return 0;
}

int KelInterface::addCommand(uint dev, uint cmd, uint index, long data, bool ret)
{
    Q_UNUSED(dev);
    Q_UNUSED(cmd);
    Q_UNUSED(index);
    Q_UNUSED(data);
    Q_UNUSED(ret);
    return 0;
}

int KelInterface::addWrapperCommand(uint dev, QString cmd, bool ret)
{
    Q_UNUSED(dev);
    Q_UNUSED(cmd);
    Q_UNUSED(ret);
    return 0;
}

bool KelInterface::waitForDone()
{
    return false;
}

bool KelInterface::getModPresent(uint module)
{
    Q_UNUSED(module);
    return false;
}

bool KelInterface::getModBusy(uint module)
{
    Q_UNUSED(module);
    return false;
}

void KelInterface::haltAll()
{
}

void KelInterface::forceStageInit()
{
}

void KelInterface::readData()
{
}

void KelInterface::processPacket()
{
}

void KelInterface::sendPacket(uint dev, uint cmd, uint index, uint dlen, long data)
{
    Q_UNUSED(dev);
    Q_UNUSED(cmd);
    Q_UNUSED(index);
    Q_UNUSED(dlen);
    Q_UNUSED(data);
}

void KelInterface::sendWrapPacket(uint dev, QString cmd)
{
    Q_UNUSED(dev);
    Q_UNUSED(cmd);
}

void KelInterface::onTimer()
{
}

void KelInterface::processCommand()
{
}

void KelInterface::onSocketLost()
{
}

void KelInterface::setModPresent(uint module, bool state)
{
    Q_UNUSED(module);
    Q_UNUSED(state);
}

void KelInterface::processState()
{
}

void KelInterface::stateNormal()
{
}

void KelInterface::stateSysCheck()
{
}
