// Teach wizards of point patterns (COMB, RASTER): start, increment and end point.
#include "dialogs/kelscriptedit.h"

#include "dialogs/pointwizard.h"

using T = TeachValues;

namespace {

const std::vector<TeachPoint> PatternPoints = {
    {"Move Stage to Start Point:", &T::fpt1x, &T::fpt1y},
    {"Move Stage to increment Point", &T::fpt2x, &T::fpt2y},
    {"Move Stage to End Point", &T::fpt3x, &T::fpt3y}};

const std::vector<RealSlot> PatternFields = {&T::fpt1x, &T::fpt1y, &T::fpt2x,
                                             &T::fpt2y, &T::fpt3x, &T::fpt3y};

} // namespace

void KelScriptEdit::handleComb(int cmd, bool comb)
{
    static const PointWizard combWizard{
        PatternPoints, 0, nullptr, {},
        {{"Enter Start COMB X Position", &T::fpt1x}, {"Enter Start COMB Y Position", &T::fpt1y},
         {"Enter COMB INCR X Position", &T::fpt2x}, {"Enter COMB INCR Y Position", &T::fpt2y},
         {"Enter COMB END X Position", &T::fpt3x}, {"Enter COMB END Y Position", &T::fpt3y}},
        "COMB %1,%2,%3,%4,%5,%6", PatternFields,
        true};
    static const PointWizard rasterWizard{
        PatternPoints, 0, nullptr, {},
        {{"Enter RASTER COMB X Position", &T::fpt1x},
         {"Enter RASTER COMB Y Position", &T::fpt1y},
         {"Enter RASTER INCR X Position", &T::fpt2x},
         {"Enter RASTER INCR Y Position", &T::fpt2y},
         {"Enter RASTER END X Position", &T::fpt3x},
         {"Enter RASTER END Y Position", &T::fpt3y}},
        "RASTER %1,%2,%3,%4,%5,%6", PatternFields,
        true};
    teachPoints(comb ? combWizard : rasterWizard, cmd);
}
