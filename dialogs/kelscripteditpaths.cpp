// Teach wizards of paths (LINE, ARC, CIRCLE): their points are stored, the step distance is
// typed, and the stage ends at the path's second point.
#include "dialogs/kelscriptedit.h"

#include "dialogs/pointwizard.h"

using T = TeachValues;

namespace {

// The step keypad comes after the points: step 2 of a line, step 3 of an arc or circle.
constexpr int LineAskStep = 2;
constexpr int ArcAskStep = 3;

const std::vector<RealSlot> ArcFields = {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y,
                                         &T::fpt3x, &T::fpt3y, &T::fpt4x};

} // namespace

void KelScriptEdit::handleLine(int cmd)
{
    static const PointWizard wizard{
        {{"Move Stage to Line Start Point:", &T::fpt1x, &T::fpt1y},
         {"Move Stage to Line End Point:", &T::fpt2x, &T::fpt2y}},
        LineAskStep, "Enter Step Distance in mm",
        {{"Enter X Incr Distance in mm", &T::fpt4x}},
        {{"Enter Start Line X Position", &T::fpt1x}, {"Enter Start Line Y Position", &T::fpt1y},
         {"Enter End Line X Position", &T::fpt2x}, {"Enter End Line Y Position", &T::fpt2y},
         {"Enter Line Step Distance", &T::fpt4x}},
        "LINE %1,%2,%3,%4,%5", {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y, &T::fpt4x},
        true, true};
    teachPoints(wizard, cmd);
}

void KelScriptEdit::handleArc(int cmd, bool arc)
{
    static const PointWizard arcWizard{
        {{"Move Stage to Arc Start Point:", &T::fpt1x, &T::fpt1y},
         {"Move Stage to Arc End Point:", &T::fpt2x, &T::fpt2y},
         {"Move Stage to Arc 3rd Point:", &T::fpt3x, &T::fpt3y}},
        ArcAskStep, "Enter Arc Step Distance in mm",
        {{"Enter X Incr Distance in mm", &T::fpt4x}},
        {{"Enter Start ARC X Position", &T::fpt1x}, {"Enter Start ARC Y Position", &T::fpt1y},
         {"Enter End ARC X Position", &T::fpt2x}, {"Enter End ARC Y Position", &T::fpt2y},
         {"Enter ARC 3rd Pt X Position", &T::fpt3x}, {"Enter ARC 3rd Pt Y Position", &T::fpt3y},
         {"Enter ARC Step Distance", &T::fpt4x}},
        "ARC %1,%2,%3,%4,%5,%6,%7", ArcFields,
        true, true};
    static const PointWizard circleWizard{
        {{"Move Stage to Circle Start Point:", &T::fpt1x, &T::fpt1y},
         {"Move Stage to Circle 2nd Point Point:", &T::fpt2x, &T::fpt2y},
         {"Move Stage to Circle 3rd Point:", &T::fpt3x, &T::fpt3y}},
        ArcAskStep, "Enter Arc Step Distance in mm",
        {{"Enter X Incr Distance in mm", &T::fpt4x}},
        {{"Enter Start CIRCLE X Position", &T::fpt1x},
         {"Enter Start CIRCLE Y Position", &T::fpt1y},
         {"Enter CIRCLE 2nd Pt X Position", &T::fpt2x},
         {"Enter CIRCLE 2nd Pt Y Position", &T::fpt2y},
         {"Enter CIRCLE 3rd Pt X Position", &T::fpt3x},
         {"Enter CIRCLE 3rd Pt Y Position", &T::fpt3y},
         {"Enter CIRCLE Step Distance", &T::fpt4x}},
        "CIRCLE %1,%2,%3,%4,%5,%6,%7", ArcFields,
        true, true};
    teachPoints(arc ? arcWizard : circleWizard, cmd);
}
