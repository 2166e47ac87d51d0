// Settings accessors of KelInterface. The setters change the field only; the configuration
// dialog writes the file once it is accepted.
#include "config/configdefaults.h"
#include "config/resolution.h"
#include "controller/kelinterface.h"

double KelInterface::getXYSpeed()
{
    return settings.speedXY;
}

void KelInterface::setXYSpeed(double spd)
{
    settings.speedXY = spd;
}

double KelInterface::getXYRes()
{
    return settings.stepsPerMMxy;
}

void KelInterface::setXYRes(double res)
{
    settings.stepsPerMMxy = Ptx::usableResolution(res, Ptx::DefaultStepsPerMMxy,
                                         QString::fromLatin1(Ptx::ConfigKey::StepsPerMM));
}

double KelInterface::getXYCenSpeed()
{
    return settings.cenSpeedXY;
}

void KelInterface::setXYCenSpeed(double spd)
{
    settings.cenSpeedXY = spd;
}

double KelInterface::getXYDefIncr()
{
    return settings.defxincr;
}

void KelInterface::setXYDefIncr(double incr)
{
    settings.defxincr = incr;
    settings.defyincr = incr;
}

bool KelInterface::getXYdoCenter()
{
    return startup.doStageCenter;
}

void KelInterface::setXYdoCenter(bool center)
{
    startup.doStageCenter = center;
}

double KelInterface::getFocusSpeed()
{
    return settings.speedZ;
}

void KelInterface::setFocusSpeed(double spd)
{
    settings.speedZ = spd;
}

double KelInterface::getFocusRes()
{
    return settings.micronsPerStepZ;
}

void KelInterface::setFocusRes(double res)
{
    settings.micronsPerStepZ = Ptx::usableResolution(res, Ptx::DefaultMicronsPerStepZ,
                                            QString::fromLatin1(Ptx::ConfigKey::MicronsPerStep));
}

double KelInterface::getFocusDefIncr()
{
    return settings.defzincr;
}

void KelInterface::setFocusDefIncr(double incr)
{
    settings.defzincr = incr;
}

QString KelInterface::getDefRecipeName()
{
    return settings.defaultRecipeName;
}

void KelInterface::setDefRecipeName(QString name)
{
    settings.defaultRecipeName = name;
}

bool KelInterface::getRecipeAutoStart()
{
    return settings.doRecipeAutoStart;
}

void KelInterface::setRecipeAutoStart(bool aut)
{
    settings.doRecipeAutoStart = aut;
}

Ptx::TravelLimits KelInterface::getTravelLimits() const
{
    return settings.travelLimits;
}

// A range whose minimum lies above its maximum is dropped, as when the file is read.
void KelInterface::setTravelLimits(const Ptx::TravelLimits &limits)
{
    settings.travelLimits = limits;
    settings.travelLimits.dropCrossed();
}

Ptx::TelemetrySettings KelInterface::getTelemetry() const
{
    return settings.telemetry;
}

void KelInterface::setTelemetry(const Ptx::TelemetrySettings &publishing)
{
    settings.telemetry = publishing;
}
