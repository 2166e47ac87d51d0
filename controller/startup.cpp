// KelInterface: the start-up after log-in and the system check.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"
#include "motion/stepconvert.h"

namespace {

// Start-up sub-states.
enum InitStep : unsigned int {
    InitAnnounce = StartupState::FirstStep,
    InitSettle = 1,
    InitProbe = 2,
    InitProbeWait = 3,
    InitSpeeds = 8,
    InitSpeedsWait = 9
};

// System check sub-states.
enum CheckStep : unsigned int {
    CheckStart = StartupState::FirstStep,
    CheckStageSpeed = 1,
    CheckCentreSpeed = 2,
    CheckCalibrate = 3,
    CheckCalibrateSent = 4,
    CheckStageBusy = 5,
    CheckStageBusyWait = 6,
    CheckFocusSpeed = 20,
    CheckFocusSpeedWait = 21,
    CheckXYLoad = 30,
    CheckXYLoadSent = 31,
    CheckXYLoadBusy = 32,
    CheckXYLoadBusyWait = 33,
    CheckZLoad = 40,
    CheckZLoadSent = 41,
    CheckZLoadBusy = 42,
    CheckZLoadBusyWait = 43,
    CheckWheels = 50,
    CheckWheelsWait = 51,
    CheckFinish = 90
};

constexpr int DotEvery = 100;
constexpr unsigned int XBit = 1u << Ptx::DevX;
constexpr unsigned int YBit = 1u << Ptx::DevY;
constexpr unsigned int ZBit = 1u << Ptx::DevZ;
const QString CarriageReturn = QStringLiteral("\r");

} // namespace

void KelInterface::processState()
{
    switch (startup.interfaceState) {
    case StartupState::INT_INIT:
        stateInit();
        break;
    case StartupState::INT_NORMAL:
        stateNormal();
        break;
    case StartupState::INT_SYSCHECK:
        stateSysCheck();
        break;
    default:
        break;
    }
}

void KelInterface::forceStageInit()
{
    runner.runSpeeds.forgetAll();
    startup.doStageCenterTemp = true;
    startup.nextInterfaceState = StartupState::INT_SYSCHECK;
}

void KelInterface::queueDefaultSpeeds()
{
    startup.stateCmdIndex = Ptx::NotQueued;
    qint32 xySteps = 0;
    if (Ptx::toSteps(settings.speedXY * settings.stepsPerMMxy, &xySteps)) {
        addCommand(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed, xySteps, false);
        startup.stateCmdIndex = addCommand(Ptx::DevY, Ptx::CmdWrite, Ptx::IdxSpeed, xySteps, false);
    } else {
        Ptx::diag(QStringLiteral("Stage speed %1 mm/s cannot be sent").arg(settings.speedXY));
    }
    qint32 zSteps = 0;
    if (Ptx::toSteps(settings.speedZ, &zSteps)) {
        const int slot = addCommand(Ptx::DevZ, Ptx::CmdWrite, Ptx::IdxSpeed, zSteps, false);
        if (slot >= 0)
            startup.stateCmdIndex = slot;
    } else {
        Ptx::diag(QStringLiteral("Focus speed %1 steps/s cannot be sent").arg(settings.speedZ));
    }
}

void KelInterface::stateInit()
{
    switch (startup.interfaceSubState) {
    case InitAnnounce:
        Ptx::diag(QStringLiteral("Initializing.  Please Wait....."));
        emit addDispLine(QStringLiteral("Initializing.  Please Wait."));
        startup.settleCount = 0;
        startup.interfaceSubState = InitSettle;
        return;
    case InitSettle:
        ++startup.settleCount;
        if (startup.settleCount % DotEvery == 0) {
            Ptx::diag(QStringLiteral("."));
            emit addDispLine(QStringLiteral("."));
        }
        if (startup.settleCount <= Ptx::SettleTicks)
            return;
        // Whatever was queued before the controller was ready is forgotten.
        ring.clear();
        startup.probeModule = Ptx::FirstProbedModule;
        startup.interfaceSubState = InitProbe;
        return;
    case InitProbe: {
        const int slot = addCommand(startup.probeModule, Ptx::CmdRead, Ptx::IdxPosition, 0, true);
        if (slot < 0)
            return;
        startup.stateCmdIndex = slot;
        Ptx::diag(QStringLiteral("Checking Module %1").arg(startup.probeModule));
        emit addDispLine(QStringLiteral("Scanning for Module %1").arg(startup.probeModule));
        startup.interfaceSubState = InitProbeWait;
        return;
    }
    case InitProbeWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        setModPresent(startup.probeModule, !ring.cmdError(startup.stateCmdIndex));
        ++startup.probeModule;
        if (startup.probeModule == Ptx::SkippedModule)
            ++startup.probeModule;
        startup.interfaceSubState = startup.probeModule < Ptx::ModuleLimit ? InitProbe : InitSpeeds;
        return;
    case InitSpeeds:
        emit addDispLine(QStringLiteral("Setting Def SPeeds"));
        queueDefaultSpeeds();
        startup.interfaceSubState = InitSpeedsWait;
        return;
    case InitSpeedsWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        emit clrDisp();
        emit addDispLine(QStringLiteral("SYTEM OK!"));
        startup.interfaceState = StartupState::INT_SYSCHECK;
        startup.nextInterfaceState = StartupState::INT_NORMAL;
        startup.interfaceSubState = CheckStart;
        connected = true;
        emit connectChanged(SystemReady);
        return;
    default:
        startup.interfaceSubState = InitAnnounce;
        return;
    }
}

void KelInterface::stateSysCheck()
{
    unsigned int present = 0;
    if (getModPresent(Ptx::DevX))
        present |= XBit;
    if (getModPresent(Ptx::DevY))
        present |= YBit;
    if (getModPresent(Ptx::DevZ))
        present |= ZBit;

    // Queues a text command to the controller itself; false when the ring refused it.
    auto queueText = [this](const QString &text, bool reply) {
        const int slot = addWrapperCommand(Ptx::DevController, text + CarriageReturn, reply);
        if (slot < 0)
            return false;
        startup.stateCmdIndex = slot;
        return true;
    };
    // Queues a text command carrying a speed in steps/s, or nothing when the speed cannot
    // be sent; advances to the next sub-state unless the ring refused it.
    auto queueSpeedText = [this, &queueText](const QString &format, double stepsPerSecond,
                                             int fields, unsigned int next) {
        qint32 steps = 0;
        if (!Ptx::toSteps(stepsPerSecond, &steps)) {
            Ptx::diag(QStringLiteral("Speed %1 steps/s cannot be sent").arg(stepsPerSecond));
            startup.stateCmdIndex = Ptx::NotQueued;
            startup.interfaceSubState = next;
            return;
        }
        const QString text = fields == 2 ? format.arg(steps).arg(steps) : format.arg(steps);
        if (queueText(text, true))
            startup.interfaceSubState = next;
    };
    auto queueBusyRead = [this](unsigned int next) {
        const int slot = addCommand(Ptx::DevController, Ptx::CmdRead, Ptx::IdxBusyMask, 0, true);
        if (slot >= 0) {
            startup.stateCmdIndex = slot;
            startup.interfaceSubState = next;
        }
    };

    switch (startup.interfaceSubState) {
    case CheckStart:
        startup.interfaceSubState = CheckStageSpeed;
        if (!(present & (XBit | YBit))) {
            startup.interfaceSubState = CheckFocusSpeed;
            return;
        }
        emit addDispLine(QStringLiteral("Setting Stage Speeds...."));
        return;
    case CheckStageSpeed:
        queueSpeedText(QStringLiteral("speed x=%1 y=%2"), settings.speedXY * settings.stepsPerMMxy, 2,
                       CheckCentreSpeed);
        return;
    case CheckCentreSpeed:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        queueSpeedText(QStringLiteral("x99=%1 y99=%2"), settings.cenSpeedXY * settings.stepsPerMMxy, 2,
                       CheckCalibrate);
        return;
    case CheckCalibrate:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        if (!startup.doStageCenter && !startup.doStageCenterTemp) {
            startup.interfaceSubState = CheckStageBusy;
            return;
        }
        emit addDispLine(QStringLiteral("Calibrating Stage...."));
        startup.doStageCenterTemp = false;
        startup.interfaceSubState = queueText(QStringLiteral("calib"), false) ? CheckCalibrateSent
                                                                      : CheckStageBusy;
        return;
    case CheckCalibrateSent:
        if (ring.cmdDone(startup.stateCmdIndex))
            startup.interfaceSubState = CheckStageBusy;
        return;
    case CheckStageBusy:
        queueBusyRead(CheckStageBusyWait);
        return;
    case CheckStageBusyWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        startup.interfaceSubState = (status.mbusy & (XBit | YBit)) ? CheckStageBusy : CheckFocusSpeed;
        return;
    case CheckFocusSpeed:
        if (!(present & ZBit)) {
            startup.interfaceSubState = CheckXYLoad;
            return;
        }
        emit addDispLine(QStringLiteral("setting Z speeds"));
        queueSpeedText(QStringLiteral("speed b=%1"), settings.speedZ, 1, CheckFocusSpeedWait);
        return;
    case CheckFocusSpeedWait:
        if (ring.cmdDone(startup.stateCmdIndex))
            startup.interfaceSubState = CheckXYLoad;
        return;
    case CheckXYLoad:
        if (!(settings.loadptEnXY && startup.doStageCenter)) {
            startup.interfaceSubState = CheckZLoad;
            return;
        }
        emit addDispLine(QStringLiteral("Moving to XY Load Point"));
        moveStageTo(settings.loadptX, settings.loadptY, &startup.stateCmdIndex);
        status.mbusy |= XBit | YBit;
        startup.interfaceSubState = CheckXYLoadSent;
        return;
    case CheckXYLoadSent:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        status.mbusy |= XBit | YBit;
        startup.interfaceSubState = CheckXYLoadBusy;
        return;
    case CheckXYLoadBusy:
        queueBusyRead(CheckXYLoadBusyWait);
        return;
    case CheckXYLoadBusyWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        startup.interfaceSubState = (status.mbusy & present) ? CheckXYLoadBusy : CheckZLoad;
        return;
    case CheckZLoad:
        if (!settings.loadptEnZ) {
            startup.interfaceSubState = CheckWheels;
            return;
        }
        emit addDispLine(QStringLiteral("Moving to Z Load Point"));
        moveZTo(settings.loadptZ, &startup.stateCmdIndex);
        status.mbusy |= ZBit;
        startup.interfaceSubState = CheckZLoadSent;
        return;
    case CheckZLoadSent:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        status.mbusy |= ZBit;
        startup.interfaceSubState = CheckZLoadBusy;
        return;
    case CheckZLoadBusy:
        queueBusyRead(CheckZLoadBusyWait);
        return;
    case CheckZLoadBusyWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        startup.interfaceSubState = (status.mbusy & present) ? CheckZLoadBusy : CheckWheels;
        return;
    case CheckWheels:
        if (!getModPresent(Ptx::DevWheel1)) {
            startup.interfaceSubState = CheckFinish;
            return;
        }
        addCommand(Ptx::DevWheel1, Ptx::CmdRead, Ptx::IdxWheelSize, 0, true, &startup.fw1NumPos);
        addCommand(Ptx::DevWheel2, Ptx::CmdRead, Ptx::IdxWheelSize, 0, true, &startup.fw2NumPos);
        addCommand(Ptx::DevWheel1, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &status.fw1CurPos);
        startup.stateCmdIndex =
            addCommand(Ptx::DevWheel2, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &status.fw2CurPos);
        startup.interfaceSubState = CheckWheelsWait;
        return;
    case CheckWheelsWait:
        if (ring.cmdDone(startup.stateCmdIndex))
            startup.interfaceSubState = CheckFinish;
        return;
    case CheckFinish:
        emit addDispLine(QStringLiteral("Intialization Finished!!!"));
        startup.interfaceState = startup.nextInterfaceState;
        startup.nextInterfaceState = StartupState::INT_NORMAL;
        startup.interfaceSubState = StartupState::FirstStep;
        return;
    default:
        startup.interfaceSubState = CheckStart;
        return;
    }
}
