// Placeholder bodies, replaced as the subsystem is written.
#include "controller/kelinterface.h"

bool KelInterface::isAbs()
{
    return false;
}

bool KelInterface::isRel()
{
    return false;
}

bool KelInterface::isSkew()
{
    return false;
}

int KelInterface::posMode()
{
    return 0;
}

void KelInterface::setAbs()
{
}

void KelInterface::setRel()
{
}

void KelInterface::setRel(bool b)
{
    Q_UNUSED(b);
}

void KelInterface::setRel(double x, double y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void KelInterface::setSkew()
{
}

void KelInterface::setNoSkew()
{
}

void KelInterface::setAlignPt1(double x, double y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void KelInterface::setAlignPt2(double x, double y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void KelInterface::storeAln(int point)
{
    Q_UNUSED(point);
}

void KelInterface::moveToAln(int point)
{
    Q_UNUSED(point);
}

void KelInterface::SkewAbsToSpecimen(double ox, double oy, double *nx, double *ny)
{
    Q_UNUSED(ox);
    Q_UNUSED(oy);
    Q_UNUSED(nx);
    Q_UNUSED(ny);
}

void KelInterface::SkewSpecimenToAbs(double ox, double oy, double *nx, double *ny)
{
    Q_UNUSED(ox);
    Q_UNUSED(oy);
    Q_UNUSED(nx);
    Q_UNUSED(ny);
}

void KelInterface::moveXYTo(double x, double y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
}

void KelInterface::moveXYTo(double x, double y, int *index)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    Q_UNUSED(index);
}

void KelInterface::moveXTo(double x)
{
    Q_UNUSED(x);
}

void KelInterface::moveYTo(double y)
{
    Q_UNUSED(y);
}

void KelInterface::moveZTo(double z)
{
    Q_UNUSED(z);
}

void KelInterface::moveZTo(double z, int *index)
{
    Q_UNUSED(z);
    Q_UNUSED(index);
}

void KelInterface::incX(bool pos)
{
    Q_UNUSED(pos);
}

void KelInterface::incY(bool pos)
{
    Q_UNUSED(pos);
}

void KelInterface::incZ(bool pos)
{
    Q_UNUSED(pos);
}

void KelInterface::homeXY()
{
}

void KelInterface::setXYLdPt()
{
}

void KelInterface::goXYLdPt()
{
}

void KelInterface::setZLdPt()
{
}

void KelInterface::goZLdPt()
{
}

void KelInterface::setXYLdPtEnable(bool enable)
{
    Q_UNUSED(enable);
}

void KelInterface::setZLdPtEnable(bool enable)
{
    Q_UNUSED(enable);
}

bool KelInterface::getXYLdPtEnable()
{
    return false;
}

bool KelInterface::getZLdPtEnable()
{
    return false;
}

void KelInterface::moveFW(int wh, long pos)
{
    Q_UNUSED(wh);
    Q_UNUSED(pos);
}

void KelInterface::moveFW(int wh, long pos, int *index)
{
    Q_UNUSED(wh);
    Q_UNUSED(pos);
    Q_UNUSED(index);
}

void KelInterface::moveFWboth(long pos1, long pos2)
{
    Q_UNUSED(pos1);
    Q_UNUSED(pos2);
}

void KelInterface::moveFWboth(long pos1, long pos2, int *index)
{
    Q_UNUSED(pos1);
    Q_UNUSED(pos2);
    Q_UNUSED(index);
}

void KelInterface::ctrlShutter(int sh, int pos)
{
    Q_UNUSED(sh);
    Q_UNUSED(pos);
}

void KelInterface::ctrlShutter(int sh, int pos, int *index)
{
    Q_UNUSED(sh);
    Q_UNUSED(pos);
    Q_UNUSED(index);
}

long KelInterface::getFWnumPos(int wh)
{
    Q_UNUSED(wh);
    return 0;
}

void KelInterface::updatePosition()
{
}
