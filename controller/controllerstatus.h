// ControllerStatus: what the controller last reported: fitted and busy modules, positions.
#pragma once

// Raw values as the status reads return them: steps for the axes, slots for the wheels.
struct ControllerStatus {
    static constexpr unsigned int MaskBits = 32;

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
