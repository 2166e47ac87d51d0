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
    return !frame.inRelative && !frame.inSkew;
}

bool KelInterface::isRel()
{
    return frame.inRelative;
}

bool KelInterface::isSkew()
{
    return frame.inSkew;
}

int KelInterface::posMode()
{
    return (frame.inSkew ? ModeSkew : 0) + (frame.inRelative ? ModeRelative : 0);
}

void KelInterface::setAbs()
{
    frame.inRelative = false;
    frame.inSkew = false;
    frame.relx = 0.0;
    frame.rely = 0.0;
    frame.relz = 0.0;
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
    frame.inRelative = false;
    updatePosition();
    frame.inRelative = b;
    frame.relx = frame.fxpos;
    frame.rely = frame.fypos;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setRel(double x, double y)
{
    frame.relx = x;
    frame.rely = y;
    frame.inRelative = true;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setSkew()
{
    frame.inSkew = true;
    frame.inRelative = false;
    frame.relx = 0.0;
    frame.rely = 0.0;
    frame.relz = 0.0;
    updatePosition();
    emit posModeChanged(posMode());
}

void KelInterface::setNoSkew()
{
    // The display follows with the next position reply.
    frame.inSkew = false;
    emit posModeChanged(posMode());
}

void KelInterface::setAlignPt1(double x, double y)
{
    frame.AlnPoint1x = x;
    frame.AlnPoint1y = y;
}

void KelInterface::setAlignPt2(double x, double y)
{
    frame.AlnPoint2x = x;
    frame.AlnPoint2y = y;
}

void KelInterface::storeAln(int point)
{
    if (point != AlignPointFirst && point != AlignPointSecond)
        return;
    setAbs();
    if (point == AlignPointFirst)
        setAlignPt1(frame.fxpos, frame.fypos);
    else
        setAlignPt2(frame.fxpos, frame.fypos);
}

void KelInterface::moveToAln(int point)
{
    if (point != AlignPointFirst && point != AlignPointSecond)
        return;
    setAbs();
    if (point == AlignPointFirst)
        moveXYTo(frame.AlnPoint1x, frame.AlnPoint1y);
    else
        moveXYTo(frame.AlnPoint2x, frame.AlnPoint2y);
}

void KelInterface::SkewAbsToSpecimen(double ox, double oy, double *nx, double *ny)
{
    frame.alignment().toSpecimen(ox, oy, nx, ny);
}

void KelInterface::SkewSpecimenToAbs(double ox, double oy, double *nx, double *ny)
{
    frame.alignment().toStage(ox, oy, nx, ny);
}

void KelInterface::updatePosition()
{
    frame.show(static_cast<double>(status.xpos) / settings.stepsPerMMxy,
               static_cast<double>(status.ypos) / settings.stepsPerMMxy,
               static_cast<double>(status.zpos) * settings.micronsPerStepZ);
    emit xPosChanged(frame.fxpos);
    emit yPosChanged(frame.fypos);
    emit zPosChanged(frame.fzpos);
    if (getModPresent(Ptx::DevWheel1)) {
        emit fw1PosChanged(status.fw1CurPos);
        emit fw2PosChanged(status.fw2CurPos);
    }
}

QPointF KelInterface::stagePositionXY() const
{
    return QPointF(status.xpos / settings.stepsPerMMxy, status.ypos / settings.stepsPerMMxy);
}

QPointF KelInterface::xyLoadPoint() const
{
    return QPointF(settings.loadptX, settings.loadptY);
}

QPointF KelInterface::alignPoint(int point) const
{
    return point == 1 ? QPointF(frame.AlnPoint1x, frame.AlnPoint1y) : QPointF(frame.AlnPoint2x, frame.AlnPoint2y);
}

Ptx::SkewTransform KelInterface::alignment() const
{
    return frame.alignment();
}

bool KelInterface::alignmentTaught() const
{
    return runner.alignTaught;
}

QPointF KelInterface::runAlignPoint(int point) const
{
    if (runner.alignTaught)
        return alignPoint(point);
    return point == AlignPointFirst ? QPointF(compiler.rcpAlnPoint1x, compiler.rcpAlnPoint1y) : QPointF(compiler.rcpAlnPoint2x, compiler.rcpAlnPoint2y);
}

Ptx::SkewTransform KelInterface::runAlignment() const
{
    const QPointF first = runAlignPoint(AlignPointFirst);
    const QPointF second = runAlignPoint(AlignPointSecond);
    return Ptx::SkewTransform(first.x(), first.y(), second.x(), second.y());
}
