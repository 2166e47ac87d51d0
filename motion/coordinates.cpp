// Coordinate modes of KelInterface: absolute, relative to an origin, and skew-aligned
// specimen coordinates, with the position update that shows the stage in the current mode.
#include "controller/kelinterface.h"
#include "motion/skewtransform.h"

namespace {

constexpr int AlignPointFirst = 1;
constexpr int AlignPointSecond = 2;

} // namespace

bool KelInterface::isAbs()
{
    return !inRelative && !inSkew;
}

bool KelInterface::isRel()
{
    return inRelative;
}

bool KelInterface::isSkew()
{
    return inSkew;
}

int KelInterface::posMode()
{
    return (inSkew ? ModeSkew : 0) + (inRelative ? ModeRelative : 0);
}

void KelInterface::setAbs()
{
    inRelative = false;
    inSkew = false;
    relx = 0.0;
    rely = 0.0;
    relz = 0.0;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setRel()
{
    setRel(true);
}

void KelInterface::setRel(bool b)
{
    // The origin is the position shown without the old origin, in the skew frame when on.
    inRelative = false;
    updatePosition();
    inRelative = b;
    relx = fxpos;
    rely = fypos;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setRel(double x, double y)
{
    relx = x;
    rely = y;
    inRelative = true;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setSkew()
{
    inSkew = true;
    inRelative = false;
    relx = 0.0;
    rely = 0.0;
    relz = 0.0;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setNoSkew()
{
    // The display follows with the next position reply.
    inSkew = false;
    emit posModeChanged(posMode());
}

void KelInterface::setAlignPt1(double x, double y)
{
    AlnPoint1x = x;
    AlnPoint1y = y;
}

void KelInterface::setAlignPt2(double x, double y)
{
    AlnPoint2x = x;
    AlnPoint2y = y;
}

void KelInterface::storeAln(int point)
{
    if (point != AlignPointFirst && point != AlignPointSecond)
        return;
    setAbs();
    if (point == AlignPointFirst)
        setAlignPt1(fxpos, fypos);
    else
        setAlignPt2(fxpos, fypos);
}

void KelInterface::moveToAln(int point)
{
    if (point != AlignPointFirst && point != AlignPointSecond)
        return;
    setAbs();
    if (point == AlignPointFirst)
        moveXYTo(AlnPoint1x, AlnPoint1y);
    else
        moveXYTo(AlnPoint2x, AlnPoint2y);
}

void KelInterface::SkewAbsToSpecimen(double ox, double oy, double *nx, double *ny)
{
    Ptx::SkewTransform(AlnPoint1x, AlnPoint1y, AlnPoint2x, AlnPoint2y).toSpecimen(ox, oy, nx, ny);
}

void KelInterface::SkewSpecimenToAbs(double ox, double oy, double *nx, double *ny)
{
    Ptx::SkewTransform(AlnPoint1x, AlnPoint1y, AlnPoint2x, AlnPoint2y).toStage(ox, oy, nx, ny);
}

void KelInterface::updatePosition()
{
    fxpos = static_cast<double>(xpos) / stepsPerMMxy;
    fypos = static_cast<double>(ypos) / stepsPerMMxy;
    fzpos = static_cast<double>(zpos) * micronsPerStepZ;
    if (inSkew)
        SkewAbsToSpecimen(fxpos, fypos, &fxpos, &fypos);
    if (inRelative) {
        fxpos -= relx;
        fypos -= rely;
    }
    emit xPosChanged(fxpos);
    emit yPosChanged(fypos);
    emit zPosChanged(fzpos);
    if (getModPresent(Ptx::DevWheel1)) {
        emit fw1PosChanged(fw1CurPos);
        emit fw2PosChanged(fw2CurPos);
    }
}

QPointF KelInterface::stagePositionXY() const
{
    return QPointF(xpos / stepsPerMMxy, ypos / stepsPerMMxy);
}

QPointF KelInterface::xyLoadPoint() const
{
    return QPointF(loadptX, loadptY);
}

QPointF KelInterface::alignPoint(int point) const
{
    return point == 1 ? QPointF(AlnPoint1x, AlnPoint1y) : QPointF(AlnPoint2x, AlnPoint2y);
}

Ptx::SkewTransform KelInterface::alignment() const
{
    return Ptx::SkewTransform(AlnPoint1x, AlnPoint1y, AlnPoint2x, AlnPoint2y);
}

bool KelInterface::alignmentTaught() const
{
    return alignTaught;
}

QPointF KelInterface::runAlignPoint(int point) const
{
    if (alignTaught)
        return alignPoint(point);
    return point == AlignPointFirst ? QPointF(rcpAlnPoint1x, rcpAlnPoint1y) : QPointF(rcpAlnPoint2x, rcpAlnPoint2y);
}

Ptx::SkewTransform KelInterface::runAlignment() const
{
    const QPointF first = runAlignPoint(AlignPointFirst);
    const QPointF second = runAlignPoint(AlignPointSecond);
    return Ptx::SkewTransform(first.x(), first.y(), second.x(), second.y());
}
