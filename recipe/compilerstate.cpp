#include "recipe/compilerstate.h"

#include <algorithm>
#include <iterator>

void CompilerState::reset(double speedXY, double speedZ)
{
    numPointsDefined = 0;
    numRptPointsDefined = 0;
    numMacroPointsDefined = 0;
    repeatDefined = false;
    repeatDefining = false;
    repeatActive = false;
    macroDefined = false;
    macroDefining = false;
    curLineProcessing = 0;
    curDelay = DefaultDwellMs;
    curFDelay = 0;
    rptDelay = 0;
    curSpeedXY = speedXY;
    curSpeedZ = speedZ;
    rptSpeedXY = speedXY;
    rptSpeedZ = speedZ;

    std::fill(std::begin(line_x), std::end(line_x), 0.0);
    std::fill(std::begin(line_y), std::end(line_y), 0.0);
    line_dist = 0.0;
    line_steps = 0;
    line_x_incr = 0.0;
    line_y_incr = 0.0;
    line_count = 0;
    std::fill(std::begin(circle_x), std::end(circle_x), 0.0);
    std::fill(std::begin(circle_y), std::end(circle_y), 0.0);
    center_x = 0.0;
    center_y = 0.0;
    circle_radius = 0.0;
    circle_steps = 0;
    circle_start_angle = 0.0;
    circle_angle = 0.0;
    circle_dir = 1;

    compileProblemLines.clear();
    compileProblemsUnlisted = 0;
    patternPlacements = 0;
    macroInsertions = 0;
}

void CompilerState::takePoints(const double *f, int count)
{
    double *const fields[] = {&fpt1x, &fpt1y, &fpt2x, &fpt2y, &fpt3x, &fpt3y};
    for (int i = 0; i < count && i < int(std::size(fields)); ++i)
        *fields[i] = f[i];
}
