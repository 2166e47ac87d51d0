// StartupState: where the start-up and the system check stand, kept from one tick to the next.
#pragma once

struct StartupState {
    // The interface's states: start-up, normal work, the system check and its steps.
    enum InterfaceState : unsigned int {
        INT_INIT = 0,
        INT_NORMAL = 1,
        INT_SYSCHECK = 2,
        INT_WAITFORCMD = 3,
        INT_CALIB = 4,
        INT_GETPTS = 5,
        INT_SETPTS = 6
    };

    // Every state's steps begin here.
    static constexpr unsigned int FirstStep = 0;

    // Back to the start: the next connection begins with the start-up.
    void reset()
    {
        interfaceState = INT_INIT;
        interfaceSubState = FirstStep;
        nextInterfaceState = INT_INIT;
    }

    unsigned int interfaceState = INT_INIT;
    unsigned int nextInterfaceState = INT_INIT;
    unsigned int interfaceSubState = FirstStep;
    bool doStageCenter = false;
    bool doStageCenterTemp = false;
    // Slots of each filter wheel, as the system check found them.
    long fw1NumPos = 0;
    long fw2NumPos = 0;
    // Working values of the state machines.
    int stateCmdIndex = 0;
    unsigned int probeModule = 0;
    int settleCount = 0;
};
