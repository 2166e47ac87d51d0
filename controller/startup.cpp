// KelInterface: the start-up after log-in and the system check.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"
#include "motion/stepconvert.h"

namespace {

// Start-up sub-states.
enum InitStep : unsigned int {
    InitAnnounce = 0,
    InitSettle = 1,
    InitProbe = 2,
    InitProbeWait = 3,
    InitSpeeds = 8,
    InitSpeedsWait = 9
};

// System check sub-states.
enum CheckStep : unsigned int {
    CheckStart = 0,
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
    switch (interfaceState) {
    case INT_INIT:
        stateInit();
        break;
    case INT_NORMAL:
        stateNormal();
        break;
    case INT_SYSCHECK:
        stateSysCheck();
        break;
    default:
        break;
    }
}

void KelInterface::forceStageInit()
{
    runSpeeds.forgetAll();
    doStageCenterTemp = true;
    nextInterfaceState = INT_SYSCHECK;
}

void KelInterface::queueDefaultSpeeds()
{
    stateCmdIndex = Ptx::NotQueued;
    qint32 xySteps = 0;
    if (Ptx::toSteps(speedXY * stepsPerMMxy, &xySteps)) {
        addCommand(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed, xySteps, false);
        stateCmdIndex = addCommand(Ptx::DevY, Ptx::CmdWrite, Ptx::IdxSpeed, xySteps, false);
    } else {
        Ptx::diag(QStringLiteral("Stage speed %1 mm/s cannot be sent").arg(speedXY));
    }
    qint32 zSteps = 0;
    if (Ptx::toSteps(speedZ, &zSteps)) {
        const int slot = addCommand(Ptx::DevZ, Ptx::CmdWrite, Ptx::IdxSpeed, zSteps, false);
        if (slot >= 0)
            stateCmdIndex = slot;
    } else {
        Ptx::diag(QStringLiteral("Focus speed %1 steps/s cannot be sent").arg(speedZ));
    }
}

void KelInterface::stateInit()
{
    switch (interfaceSubState) {
    case InitAnnounce:
        Ptx::diag(QStringLiteral("Initializing.  Please Wait....."));
        emit addDispLine(QStringLiteral("Initializing.  Please Wait."));
        settleCount = 0;
        interfaceSubState = InitSettle;
        return;
    case InitSettle:
        ++settleCount;
        if (settleCount % DotEvery == 0) {
            Ptx::diag(QStringLiteral("."));
            emit addDispLine(QStringLiteral("."));
        }
        if (settleCount <= Ptx::SettleTicks)
            return;
        // Whatever was queued before the controller was ready is forgotten.
        for (cmdBufferStruct &entry : commandBuffer)
            entry = cmdBufferStruct();
        cmdBufHead = 0;
        cmdBufTail = 0;
        cmdBufState = 0;
        probeModule = Ptx::FirstProbedModule;
        interfaceSubState = InitProbe;
        return;
    case InitProbe: {
        const int slot = addCommand(probeModule, Ptx::CmdRead, Ptx::IdxPosition, 0, true);
        if (slot < 0)
            return;
        stateCmdIndex = slot;
        Ptx::diag(QStringLiteral("Checking Module %1").arg(probeModule));
        emit addDispLine(QStringLiteral("Scanning for Module %1").arg(probeModule));
        interfaceSubState = InitProbeWait;
        return;
    }
    case InitProbeWait:
        if (!cmdDone(stateCmdIndex))
            return;
        setModPresent(probeModule, !cmdError(stateCmdIndex));
        ++probeModule;
        if (probeModule == Ptx::SkippedModule)
            ++probeModule;
        interfaceSubState = probeModule < Ptx::ModuleLimit ? InitProbe : InitSpeeds;
        return;
    case InitSpeeds:
        emit addDispLine(QStringLiteral("Setting Def SPeeds"));
        queueDefaultSpeeds();
        interfaceSubState = InitSpeedsWait;
        return;
    case InitSpeedsWait:
        if (!cmdDone(stateCmdIndex))
            return;
        emit clrDisp();
        emit addDispLine(QStringLiteral("SYTEM OK!"));
        interfaceState = INT_SYSCHECK;
        nextInterfaceState = INT_NORMAL;
        interfaceSubState = CheckStart;
        connected = true;
        emit connectChanged(SystemReady);
        return;
    default:
        interfaceSubState = InitAnnounce;
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
        stateCmdIndex = slot;
        return true;
    };
    // Queues a text command carrying a speed in steps/s, or nothing when the speed cannot
    // be sent; advances to the next sub-state unless the ring refused it.
    auto queueSpeedText = [this, &queueText](const QString &format, double stepsPerSecond,
                                             int fields, unsigned int next) {
        qint32 steps = 0;
        if (!Ptx::toSteps(stepsPerSecond, &steps)) {
            Ptx::diag(QStringLiteral("Speed %1 steps/s cannot be sent").arg(stepsPerSecond));
            stateCmdIndex = Ptx::NotQueued;
            interfaceSubState = next;
            return;
        }
        const QString text = fields == 2 ? format.arg(steps).arg(steps) : format.arg(steps);
        if (queueText(text, true))
            interfaceSubState = next;
    };
    auto queueBusyRead = [this](unsigned int next) {
        const int slot = addCommand(Ptx::DevController, Ptx::CmdRead, Ptx::IdxBusyMask, 0, true);
        if (slot >= 0) {
            stateCmdIndex = slot;
            interfaceSubState = next;
        }
    };

    switch (interfaceSubState) {
    case CheckStart:
        interfaceSubState = CheckStageSpeed;
        if (!(present & (XBit | YBit))) {
            interfaceSubState = CheckFocusSpeed;
            return;
        }
        emit addDispLine(QStringLiteral("Setting Stage Speeds...."));
        return;
    case CheckStageSpeed:
        queueSpeedText(QStringLiteral("speed x=%1 y=%2"), speedXY * stepsPerMMxy, 2,
                       CheckCentreSpeed);
        return;
    case CheckCentreSpeed:
        if (!cmdDone(stateCmdIndex))
            return;
        queueSpeedText(QStringLiteral("x99=%1 y99=%2"), cenSpeedXY * stepsPerMMxy, 2,
                       CheckCalibrate);
        return;
    case CheckCalibrate:
        if (!cmdDone(stateCmdIndex))
            return;
        if (!doStageCenter && !doStageCenterTemp) {
            interfaceSubState = CheckStageBusy;
            return;
        }
        emit addDispLine(QStringLiteral("Calibrating Stage...."));
        doStageCenterTemp = false;
        interfaceSubState = queueText(QStringLiteral("calib"), false) ? CheckCalibrateSent
                                                                      : CheckStageBusy;
        return;
    case CheckCalibrateSent:
        if (cmdDone(stateCmdIndex))
            interfaceSubState = CheckStageBusy;
        return;
    case CheckStageBusy:
        queueBusyRead(CheckStageBusyWait);
        return;
    case CheckStageBusyWait:
        if (!cmdDone(stateCmdIndex))
            return;
        interfaceSubState = (mbusy & (XBit | YBit)) ? CheckStageBusy : CheckFocusSpeed;
        return;
    case CheckFocusSpeed:
        if (!(present & ZBit)) {
            interfaceSubState = CheckXYLoad;
            return;
        }
        emit addDispLine(QStringLiteral("setting Z speeds"));
        queueSpeedText(QStringLiteral("speed b=%1"), speedZ, 1, CheckFocusSpeedWait);
        return;
    case CheckFocusSpeedWait:
        if (cmdDone(stateCmdIndex))
            interfaceSubState = CheckXYLoad;
        return;
    case CheckXYLoad:
        if (!(loadptEnXY && doStageCenter)) {
            interfaceSubState = CheckZLoad;
            return;
        }
        emit addDispLine(QStringLiteral("Moving to XY Load Point"));
        moveStageTo(loadptX, loadptY, &stateCmdIndex);
        mbusy |= XBit | YBit;
        interfaceSubState = CheckXYLoadSent;
        return;
    case CheckXYLoadSent:
        if (!cmdDone(stateCmdIndex))
            return;
        mbusy |= XBit | YBit;
        interfaceSubState = CheckXYLoadBusy;
        return;
    case CheckXYLoadBusy:
        queueBusyRead(CheckXYLoadBusyWait);
        return;
    case CheckXYLoadBusyWait:
        if (!cmdDone(stateCmdIndex))
            return;
        interfaceSubState = (mbusy & present) ? CheckXYLoadBusy : CheckZLoad;
        return;
    case CheckZLoad:
        if (!loadptEnZ) {
            interfaceSubState = CheckWheels;
            return;
        }
        emit addDispLine(QStringLiteral("Moving to Z Load Point"));
        moveZTo(loadptZ, &stateCmdIndex);
        mbusy |= ZBit;
        interfaceSubState = CheckZLoadSent;
        return;
    case CheckZLoadSent:
        if (!cmdDone(stateCmdIndex))
            return;
        mbusy |= ZBit;
        interfaceSubState = CheckZLoadBusy;
        return;
    case CheckZLoadBusy:
        queueBusyRead(CheckZLoadBusyWait);
        return;
    case CheckZLoadBusyWait:
        if (!cmdDone(stateCmdIndex))
            return;
        interfaceSubState = (mbusy & present) ? CheckZLoadBusy : CheckWheels;
        return;
    case CheckWheels:
        if (!getModPresent(Ptx::DevWheel1)) {
            interfaceSubState = CheckFinish;
            return;
        }
        addCommand(Ptx::DevWheel1, Ptx::CmdRead, Ptx::IdxWheelSize, 0, true, &fw1NumPos);
        addCommand(Ptx::DevWheel2, Ptx::CmdRead, Ptx::IdxWheelSize, 0, true, &fw2NumPos);
        addCommand(Ptx::DevWheel1, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &fw1CurPos);
        stateCmdIndex =
            addCommand(Ptx::DevWheel2, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &fw2CurPos);
        interfaceSubState = CheckWheelsWait;
        return;
    case CheckWheelsWait:
        if (cmdDone(stateCmdIndex))
            interfaceSubState = CheckFinish;
        return;
    case CheckFinish:
        emit addDispLine(QStringLiteral("Intialization Finished!!!"));
        interfaceState = nextInterfaceState;
        nextInterfaceState = INT_NORMAL;
        interfaceSubState = 0;
        return;
    default:
        interfaceSubState = CheckStart;
        return;
    }
}
