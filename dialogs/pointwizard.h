// PointWizard: the description of a wizard that teaches stage or focus points: its steps
// and prompts, the slots STORE fills, its keypads and the line it writes. The recipe
// editor runs every such wizard (POINT, ALIGN, LINE, ARC, COMB, ...) from one of these.
#pragma once

#include "dialogs/teachcodes.h"

#include <vector>

// A value typed on the keypad and the slot it sets.
struct TeachAsk {
    const char *prompt;
    RealSlot slot;
};

// One point of the line: the prompt of its step and the slots STORE fills with the live
// position. A point without a y slot is a focus position.
struct TeachPoint {
    const char *prompt;
    RealSlot x;
    RealSlot y;
};

struct PointWizard {
    std::vector<TeachPoint> points;
    // The step after the points at which the rest of the line is typed (0: none), the text
    // shown in the step box meanwhile and its keypads.
    int askStep = 0;
    const char *askText = nullptr;
    std::vector<TeachAsk> asks;
    // ENTER: every value of the line, in order.
    std::vector<TeachAsk> enter;
    const char *format = nullptr;
    std::vector<RealSlot> fields;
    // The line is rebuilt and shown after every STORE.
    bool showAfterStore = false;
    // Taught through its points, the line ends with the stage at its second point.
    bool endMove = false;
    // Works out the line's values once its points are stored; the line is then complete.
    void (*afterPoints)(TeachValues &values) = nullptr;
};
