// The recipe editor's teach state: the command types a line is recognised as, the teach
// button codes handed to the wizards, and the value slots of the line being taught.
#pragma once

#include <algorithm>
#include <climits>

// What the current line is, as the editor recognised it; 0 is no command. The repeat
// start and stop types are never assigned by the editor: the values are kept fixed so that
// every type keeps its number.
enum TeachCommand {
    CMD_ALIGN = 1,
    CMD_DEFREP = 2,
    CMD_ENDREP = 3,
    CMD_STARTREP = 4,
    CMD_STOPREP = 5,
    CMD_POINT = 6,
    CMD_CIRCLE = 7,
    CMD_ARC = 8,
    CMD_LINE = 9,
    CMD_COMB = 10,
    CMD_RASTER = 11,
    CMD_INCR = 12,
    CMD_SPEED = 13,
    CMD_DELAY = 14,
    CMD_ZPOINT = 15,
    CMD_ZSPEED = 16,
    CMD_DEFMAC = 17,
    CMD_ENDMAC = 18,
    CMD_FMACRO = 19,
    CMD_FMOVE = 20,
    CMD_SCTRL = 21,
    CMD_F1MOVE = 22,
    CMD_F2MOVE = 23,
    CMD_SHOPEN = 24,
    CMD_SHCLOSE = 25,
    CMD_SHEXP = 26,
    CMD_EXPTIM = 27,
    CMD_FDELAY = 28,
    CMD_END = 29
};

// The teach button a wizard is called with. TEACH_IDLE asks the wizard to show the prompt
// of its current step; codes 5 and 6 are reserved and never produced.
enum TeachButton {
    TEACH_IDLE = 0,
    TEACH_GOTO = 1,
    TEACH_PREV = 2,
    TEACH_NEXT = 3,
    TEACH_STORE = 4,
    TEACH_PROCESS = 5,
    TEACH_WAIT = 6,
    TEACH_ENTER = 7
};

// The values of the line being taught. Which command uses which slot is fixed (POINT the
// first pair, ARC all three pairs and the step in fpt4x, SCTRL pt1x, pt2x and pt1y, ...);
// a line sets only its own slots, so the others keep the values of an earlier line.
struct TeachValues {
    double fpt1x = 0.0;
    double fpt1y = 0.0;
    double fpt2x = 0.0;
    double fpt2y = 0.0;
    double fpt3x = 0.0;
    double fpt3y = 0.0;
    double fpt4x = 0.0;
    int pt1x = 0;
    int pt2x = 0;
    int pt1y = 0;
};

using RealSlot = double TeachValues::*;
using IntSlot = int TeachValues::*;

// value + delta kept within lowest and highest (and the int range), for PREV and NEXT;
// a value read from a line may be any int, so the sum is worked out wider.
inline int stepWithin(int value, int delta, long long lowest = INT_MIN, long long highest = INT_MAX)
{
    const long long low = std::max<long long>(lowest, INT_MIN);
    const long long high = std::max(low, std::min<long long>(highest, INT_MAX));
    return static_cast<int>(std::clamp(static_cast<long long>(value) + delta, low, high));
}
