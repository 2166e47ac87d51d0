// Placeholder bodies, replaced as the subsystem is written.
#include "controller/kelinterface.h"

void KelInterface::readConfigData()
{
}

void KelInterface::writeConfigData()
{
}

double KelInterface::getXYSpeed()
{
    return 0;
}

void KelInterface::setXYSpeed(double spd)
{
    Q_UNUSED(spd);
}

double KelInterface::getXYRes()
{
    return 0;
}

void KelInterface::setXYRes(double res)
{
    Q_UNUSED(res);
}

double KelInterface::getXYCenSpeed()
{
    return 0;
}

void KelInterface::setXYCenSpeed(double spd)
{
    Q_UNUSED(spd);
}

double KelInterface::getXYDefIncr()
{
    return 0;
}

void KelInterface::setXYDefIncr(double incr)
{
    Q_UNUSED(incr);
}

bool KelInterface::getXYdoCenter()
{
    return false;
}

void KelInterface::setXYdoCenter(bool center)
{
    Q_UNUSED(center);
}

double KelInterface::getFocusSpeed()
{
    return 0;
}

void KelInterface::setFocusSpeed(double spd)
{
    Q_UNUSED(spd);
}

double KelInterface::getFocusRes()
{
    return 0;
}

void KelInterface::setFocusRes(double res)
{
    Q_UNUSED(res);
}

double KelInterface::getFocusDefIncr()
{
    return 0;
}

void KelInterface::setFocusDefIncr(double incr)
{
    Q_UNUSED(incr);
}

QString KelInterface::getDefRecipeName()
{
    return {};
}

void KelInterface::setDefRecipeName(QString name)
{
    Q_UNUSED(name);
}

bool KelInterface::getRecipeAutoStart()
{
    return false;
}

void KelInterface::setRecipeAutoStart(bool aut)
{
    Q_UNUSED(aut);
}
