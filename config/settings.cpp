// Settings accessors of KelInterface. The setters change the field only; the configuration
// dialog writes the file once it is accepted.
#include "config/configdefaults.h"
#include "config/resolution.h"
#include "controller/kelinterface.h"

double KelInterface::getXYSpeed()
{
    return speedXY;
}

void KelInterface::setXYSpeed(double spd)
{
    speedXY = spd;
}

double KelInterface::getXYRes()
{
    return stepsPerMMxy;
}

void KelInterface::setXYRes(double res)
{
    stepsPerMMxy = Ptx::usableResolution(res, Ptx::DefaultStepsPerMMxy,
                                         QString::fromLatin1(Ptx::ConfigKey::StepsPerMM));
}

double KelInterface::getXYCenSpeed()
{
    return cenSpeedXY;
}

void KelInterface::setXYCenSpeed(double spd)
{
    cenSpeedXY = spd;
}

double KelInterface::getXYDefIncr()
{
    return defxincr;
}

void KelInterface::setXYDefIncr(double incr)
{
    defxincr = incr;
    defyincr = incr;
}

bool KelInterface::getXYdoCenter()
{
    return doStageCenter;
}

void KelInterface::setXYdoCenter(bool center)
{
    doStageCenter = center;
}

double KelInterface::getFocusSpeed()
{
    return speedZ;
}

void KelInterface::setFocusSpeed(double spd)
{
    speedZ = spd;
}

double KelInterface::getFocusRes()
{
    return micronsPerStepZ;
}

void KelInterface::setFocusRes(double res)
{
    micronsPerStepZ = Ptx::usableResolution(res, Ptx::DefaultMicronsPerStepZ,
                                            QString::fromLatin1(Ptx::ConfigKey::MicronsPerStep));
}

double KelInterface::getFocusDefIncr()
{
    return defzincr;
}

void KelInterface::setFocusDefIncr(double incr)
{
    defzincr = incr;
}

QString KelInterface::getDefRecipeName()
{
    return defaultRecipeName;
}

void KelInterface::setDefRecipeName(QString name)
{
    defaultRecipeName = name;
}

bool KelInterface::getRecipeAutoStart()
{
    return doRecipeAutoStart;
}

void KelInterface::setRecipeAutoStart(bool aut)
{
    doRecipeAutoStart = aut;
}

Ptx::TravelLimits KelInterface::getTravelLimits() const
{
    return travelLimits;
}

// A range whose minimum lies above its maximum is dropped, as when the file is read.
void KelInterface::setTravelLimits(const Ptx::TravelLimits &limits)
{
    travelLimits = limits;
    travelLimits.dropCrossed();
}

Ptx::TelemetrySettings KelInterface::getTelemetry() const
{
    return telemetry;
}

void KelInterface::setTelemetry(const Ptx::TelemetrySettings &settings)
{
    telemetry = settings;
}
