// Motion operations of KelInterface: stage and focus moves and jogs, the stage origin, load
// points, filter wheels and shutters. Each queues its commands and returns at once.
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "motion/skewtransform.h"
#include "motion/stepconvert.h"

namespace {

constexpr int FirstWheel = 1;
constexpr const char *AlignPointsIdentical = "ALIGN POINTS IDENTICAL";

QString refusal(uint dev, uint cmd, uint index, double value)
{
    return QStringLiteral("TARGET REFUSED %1,%2,%3,%4").arg(dev).arg(cmd).arg(index).arg(value);
}

} // namespace

int KelInterface::queueChecked(uint dev, uint cmd, uint index, double value)
{
    qint32 data = 0;
    if (!Ptx::toSteps(value, &data)) {
        Ptx::diag(refusal(dev, cmd, index, value));
        return Ptx::NotQueued;
    }
    return addCommand(dev, cmd, index, data, false);
}

void KelInterface::moveXYTo(double x, double y)
{
    int index = 0;
    moveXYTo(x, y, &index);
}

// Converts a target in the current coordinate mode into stage millimetres. False while skew
// mode has no direction to convert with.
bool KelInterface::stageTargetXY(double x, double y, double *stageX, double *stageY) const
{
    if (frame.inRelative) {
        x += frame.relx;
        y += frame.rely;
    }
    if (frame.inSkew) {
        const Ptx::SkewTransform skew(frame.AlnPoint1x, frame.AlnPoint1y, frame.AlnPoint2x, frame.AlnPoint2y);
        if (skew.coincident())
            return false;
        skew.toStage(x, y, &x, &y);
    }
    *stageX = x;
    *stageY = y;
    return true;
}

// True, with the operator told why, when why names a travel limit the move would break.
bool KelInterface::refuseOutsideTravel(const QString &why)
{
    if (why.isEmpty())
        return false;
    Ptx::diag(QStringLiteral("MOVE REFUSED: %1").arg(why));
    emit addDispLine(QStringLiteral("MOVE REFUSED: %1").arg(why));
    return true;
}

void KelInterface::moveXYTo(double x, double y, int *index)
{
    *index = Ptx::NotQueued;
    if (!stageTargetXY(x, y, &x, &y)) {
        // The specimen has no direction: the stage is not sent anywhere.
        Ptx::diag(QStringLiteral("MOVE REFUSED: %1").arg(AlignPointsIdentical));
        emit addDispLine(QString::fromLatin1(AlignPointsIdentical));
        return;
    }
    moveStageTo(x, y, index);
}

void KelInterface::moveStageXYTo(double x, double y)
{
    int index = 0;
    moveStageTo(x, y, &index);
}

void KelInterface::moveStageTo(double x, double y, int *index)
{
    *index = Ptx::NotQueued;
    if (refuseOutsideTravel(settings.travelLimits.refusalXY(x, y)))
        return;
    // Both axes or neither: half a move would leave the stage somewhere nobody asked for.
    qint32 xsteps = 0;
    qint32 ysteps = 0;
    const double xs = x * settings.stepsPerMMxy;
    const double ys = y * settings.stepsPerMMxy;
    if (!Ptx::toSteps(xs, &xsteps)) {
        Ptx::diag(refusal(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute, xs));
        return;
    }
    if (!Ptx::toSteps(ys, &ysteps)) {
        Ptx::diag(refusal(Ptx::DevY, Ptx::CmdMove, Ptx::IdxAbsolute, ys));
        return;
    }
    addCommand(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute, xsteps, false);
    *index = addCommand(Ptx::DevY, Ptx::CmdMove, Ptx::IdxAbsolute, ysteps, false);
}

void KelInterface::moveXTo(double x)
{
    moveXYTo(x, frame.fypos);
}

void KelInterface::moveYTo(double y)
{
    moveXYTo(frame.fxpos, y);
}

void KelInterface::moveZTo(double z)
{
    int index = 0;
    moveZTo(z, &index);
}

void KelInterface::moveZTo(double z, int *index)
{
    *index = Ptx::NotQueued;
    if (refuseOutsideTravel(settings.travelLimits.refusalZ(z)))
        return;
    *index = queueChecked(Ptx::DevZ, Ptx::CmdMove, Ptx::IdxAbsolute, z / settings.micronsPerStepZ);
}

void KelInterface::incX(bool pos)
{
    int index = 0;
    incX(pos, &index);
}

void KelInterface::incY(bool pos)
{
    int index = 0;
    incY(pos, &index);
}

void KelInterface::incZ(bool pos)
{
    int index = 0;
    incZ(pos, &index);
}

// A jog is checked from the last polled position, where the stage stands once idle.
void KelInterface::incX(bool pos, int *index)
{
    *index = Ptx::NotQueued;
    if (refuseOutsideTravel(Ptx::travelRefusal("X", status.xpos / settings.stepsPerMMxy + (pos ? frame.xincr : -frame.xincr),
                                                settings.travelLimits.x)))
        return;
    *index = queueChecked(Ptx::DevX, Ptx::CmdMove,
                          pos ? Ptx::IdxRelPositive : Ptx::IdxRelNegative, frame.xincr * settings.stepsPerMMxy);
}

void KelInterface::incY(bool pos, int *index)
{
    *index = Ptx::NotQueued;
    if (refuseOutsideTravel(Ptx::travelRefusal("Y", status.ypos / settings.stepsPerMMxy + (pos ? frame.yincr : -frame.yincr),
                                                settings.travelLimits.y)))
        return;
    *index = queueChecked(Ptx::DevY, Ptx::CmdMove,
                          pos ? Ptx::IdxRelPositive : Ptx::IdxRelNegative, frame.yincr * settings.stepsPerMMxy);
}

void KelInterface::incZ(bool pos, int *index)
{
    *index = Ptx::NotQueued;
    if (refuseOutsideTravel(Ptx::travelRefusal("Z", status.zpos * settings.micronsPerStepZ + (pos ? frame.zincr : -frame.zincr),
                                                settings.travelLimits.z)))
        return;
    *index = queueChecked(Ptx::DevZ, Ptx::CmdMove,
                          pos ? Ptx::IdxRelPositive : Ptx::IdxRelNegative, frame.zincr / settings.micronsPerStepZ);
}

void KelInterface::homeXY()
{
    if (refuseOutsideTravel(settings.travelLimits.refusalXY(0.0, 0.0)))
        return;
    addCommand(Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute, 0, false);
    addCommand(Ptx::DevY, Ptx::CmdMove, Ptx::IdxAbsolute, 0, false);
}

// The load point is where the stage stands, whatever coordinate mode the display is in.
void KelInterface::setXYLdPt()
{
    settings.loadptX = static_cast<double>(status.xpos) / settings.stepsPerMMxy;
    settings.loadptY = static_cast<double>(status.ypos) / settings.stepsPerMMxy;
    writeConfigData();
}

void KelInterface::goXYLdPt()
{
    int index = 0;
    moveStageTo(settings.loadptX, settings.loadptY, &index);
}

void KelInterface::setZLdPt()
{
    settings.loadptZ = frame.fzpos;
    writeConfigData();
}

void KelInterface::goZLdPt()
{
    moveZTo(settings.loadptZ);
}

void KelInterface::setXYLdPtEnable(bool enable)
{
    settings.loadptEnXY = enable;
    writeConfigData();
    emit loadPtXYEnableChanged(settings.loadptEnXY);
}

void KelInterface::setZLdPtEnable(bool enable)
{
    settings.loadptEnZ = enable;
    writeConfigData();
    emit loadPtZEnableChanged(settings.loadptEnZ);
}

bool KelInterface::getXYLdPtEnable()
{
    return settings.loadptEnXY;
}

bool KelInterface::getZLdPtEnable()
{
    return settings.loadptEnZ;
}

void KelInterface::moveFW(int wh, long pos)
{
    int index = 0;
    moveFW(wh, pos, &index);
}

void KelInterface::moveFW(int wh, long pos, int *index)
{
    const uint dev = wh == FirstWheel ? Ptx::DevWheel1 : Ptx::DevWheel2;
    *index = queueChecked(dev, Ptx::CmdMove, Ptx::IdxWheelMove, static_cast<double>(pos));
}

void KelInterface::moveFWboth(long pos1, long pos2)
{
    int index = 0;
    moveFWboth(pos1, pos2, &index);
}

void KelInterface::moveFWboth(long pos1, long pos2, int *index)
{
    // Worked out in double so that no wheel value can overflow the arithmetic.
    const double word = static_cast<double>(pos1 & Ptx::LowWordMask)
                        + static_cast<double>(pos2) * Ptx::HighWordScale;
    *index = queueChecked(Ptx::DevWheel1, Ptx::CmdMove, Ptx::IdxWheelBoth, word);
}

void KelInterface::ctrlShutter(int sh, int pos)
{
    int index = 0;
    ctrlShutter(sh, pos, &index);
}

void KelInterface::ctrlShutter(int sh, int pos, int *index)
{
    const double word = (static_cast<double>(sh) + Ptx::ShutterBase) * Ptx::HighWordScale + pos;
    *index = queueChecked(Ptx::DevWheel1, Ptx::CmdWrite, Ptx::IdxShutter, word);
}

long KelInterface::getFWnumPos(int wh)
{
    return wh == FirstWheel ? startup.fw1NumPos : startup.fw2NumPos;
}
