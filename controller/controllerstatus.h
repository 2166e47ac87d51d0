// ControllerStatus: what the controller last reported: fitted and busy modules, positions.
#pragma once

// Raw values as the status reads return them: steps for the axes, slots for the wheels.
struct ControllerStatus {
    static constexpr unsigned int MaskBits = 32;

    // What a status reply changed, for the interface to tell the screens.
    enum Change : unsigned int {
        NoChange = 0,
        ModulesSeen = 1,  // a reply came from an axis or wheel: it is fitted
        PositionChanged = 2,
        ShuttersChanged = 4,
        BusyChanged = 8
    };

    // Takes the answer to a status read (command 84) of device dev, index index; returns
    // the Change bits.
    unsigned int applyRead(unsigned int dev, unsigned int index, long value);

    bool modPresent(unsigned int module) const
    {
        return module < MaskBits && (modulespresent & (1u << module)) != 0;
    }
    bool modBusy(unsigned int module) const
    {
        return module < MaskBits && (mbusy & (1u << module)) != 0;
    }
    void setModPresent(unsigned int module, bool state)
    {
        if (module >= MaskBits)
            return;
        if (state)
            modulespresent |= 1u << module;
        else
            modulespresent &= ~(1u << module);
    }

    unsigned int modulespresent = 0;
    unsigned int mbusy = 0;
    long xpos = 0;
    long ypos = 0;
    long zpos = 0;
    long fw1CurPos = 0;
    long fw2CurPos = 0;
    long fwShut1Pos = 0;
    long fwShut2Pos = 0;
    long fwShut3Pos = 0;
};
