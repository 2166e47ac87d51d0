// CompilerState: the recipe's lines and the compiler's lists and working values.
#pragma once

#include "controller/protocol.h"
#include "recipe/recipepoint.h"

#include <QString>
#include <QStringList>

struct CompilerState {
    // A DELAY in force until a recipe sets one, in milliseconds.
    static constexpr qint32 DefaultDwellMs = 1000;

    // Starts a compile afresh: empty lists, no blocks, the given speeds and the default
    // dwell; the recipe's lines stay.
    void reset(double speedXY, double speedZ);
    // Takes a line's first count values (at most six) as its points: x1, y1, x2, y2, x3, y3.
    void takePoints(const double *f, int count);

    // The recipe as edited, and the file it came from.
    QStringList recipe;
    QString rcpFileName;

    // The run list, the repeated pattern and the filter macro of the last compile.
    recipePointStruct pointList[Ptx::PointListSize];
    recipePointStruct rptPointList[Ptx::RptListSize];
    recipePointStruct fmacroPointList[Ptx::MacroListSize];
    Ptx::EntryOrigin pointOrigin[Ptx::PointListSize];
    int patternPlacements = 0;
    int macroInsertions = 0;
    int numPointsDefined = 0;
    int numRptPointsDefined = 0;
    int numMacroPointsDefined = 0;

    // The line being compiled and the blocks it stands in.
    int curLineProcessing = 0;
    QString procLine;
    bool repeatDefining = false;
    bool repeatDefined = false;
    bool repeatActive = false;
    bool macroDefining = false;
    bool macroDefined = false;
    bool scanRecipe = false;
    bool teachAlign = false;

    // The ALIGN points and INCR steps of the compiled recipe, in force once START runs it.
    double rcpAlnPoint1x = 0.0;
    double rcpAlnPoint1y = 0.0;
    double rcpAlnPoint2x = 0.0;
    double rcpAlnPoint2y = 0.0;
    double rcpXIncr = 1.0;
    double rcpYIncr = 1.0;

    // The values the lines set for the entries that follow.
    double fpt1x = 0.0, fpt1y = 0.0, fpt2x = 0.0, fpt2y = 0.0;
    double fpt3x = 0.0, fpt3y = 0.0, fpt4x = 0.0, fpt4y = 0.0;
    qint32 curDelay = DefaultDwellMs;
    qint32 rptDelay = 0;
    qint32 curFDelay = 0;
    double curSpeedXY = 0.0;
    double curSpeedZ = 0.0;
    double rptSpeedXY = 0.0;
    double rptSpeedZ = 0.0;
    double defrepx = 0.0;
    double defrepy = 0.0;

    // Path geometry working values of LINE, CIRCLE and ARC; reset at every compile.
    double line_x[2] = {};
    double line_y[2] = {};
    double line_dist = 0.0;
    int line_steps = 0;
    double line_x_incr = 0.0;
    double line_y_incr = 0.0;
    int line_count = 0;
    double circle_x[3] = {};
    double circle_y[3] = {};
    double center_x = 0.0;
    double center_y = 0.0;
    double circle_radius = 0.0;
    int circle_steps = 0;
    double circle_start_angle = 0.0;
    double circle_angle = 0.0;
    int circle_dir = 1;         // 0 after find_arc when the arc's direction is undefined

    // Lines of the last compile that were skipped or stopped it, ready for display.
    QStringList compileProblemLines;
    int compileProblemsUnlisted = 0;
};
