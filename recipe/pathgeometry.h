// Path geometry of the recipe commands LINE, CIRCLE, ARC, COMB and RASTER, free of any
// controller state: each expansion hands its points, in order, to a sink, and ends early
// when the sink answers false (its list is full).
#pragma once

#include <QtGlobal>

#include <functional>
#include <limits>

namespace Ptx {

// The half and full turn as the path geometry has always used them (not the exact pi).
constexpr double HalfTurn = 3.1415926;
constexpr double FullTurn = 6.2831852;
// Slope taken for a chord whose end points share their first coordinate.
constexpr double VerticalSlope = 99999999.99;
// No single path command makes more points than this.
constexpr int MaxPathPoints = 10000;
// Subdivision counts are kept to this, one below the largest int, so that counting up to
// them cannot overflow; every count below it is kept exactly.
constexpr int MaxSubdivisions = std::numeric_limits<int>::max() - 1;
// Added before truncating the circle's subdivision count.
constexpr double SubdivisionRounding = 0.05;
// Radius reported for three points in a line.
constexpr double NoCircleRadius = 1.0;

using PointSink = std::function<bool(double x, double y)>;

// The points the expansions below have worked out since the program started: the work a
// compile spends on paths, which stays within the lists' room plus one point per line.
qint64 pathPointsMade();

// (a + b) / 2.
double midPoint(double a, double b);

// (y2 - y1) / (x2 - x1), or VerticalSlope when x1 equals x2.
double slope(double x1, double y1, double x2, double y2);

// Truncates toward zero into 0 .. MaxSubdivisions; anything not a positive number gives 0.
int subdivisionCount(double value);

// Number of intervals of a line of the given length: length / step, truncated.
int lineSteps(double length, double step);

// Adds the steps + 1 points from (x1, y1) on, xIncr and yIncr apart, at most MaxPathPoints.
// Returns the number of points made.
int linePoints(double x1, double y1, double xIncr, double yIncr, int steps, const PointSink &sink);

// The serpentine (COMB) or same-direction (RASTER) grid from the start point to the end
// point, steps taken from the increment point. Returns the number of points made.
int gridPoints(double sx, double sy, double ix, double iy, double ex, double ey, bool raster,
               const PointSink &sink);

struct Circle {
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = NoCircleRadius;
};

// The circle through three points. Returns false for points in a line; the circle is then
// centred on the origin with radius NoCircleRadius.
bool circleThrough(const double x[3], const double y[3], Circle *circle);

// Subdivisions of the full circumference for points about step apart.
int circleSubdivisions(double radius, double step);

// Polar angle of (px, py) about (cx, cy), counter-clockwise from +X, in [0, FullTurn).
double polarAngle(double px, double py, double cx, double cy);

struct ArcSweep {
    double angle = 0.0; // swept angle, positive
    int dir = 0;        // +1 counter-clockwise, -1 clockwise, 0 when undefined
};

// Sweep from the start angle a0 to the end angle a1 that passes the third point's angle a2.
// When a2 equals a0 or a1 the direction is undefined (dir 0, angle 0).
ArcSweep arcSweep(double a0, double a1, double a2);

// Points of the full circle, steps + 1 of them from the top clockwise, the last closing onto
// the first; the top point alone when steps is 0. At most MaxPathPoints.
int circlePoints(const Circle &circle, int steps, const PointSink &sink);

// Points of an arc at every second of the steps subdivisions of the sweep, from the start
// angle on; the start point alone when steps is 0. At most MaxPathPoints.
int arcPoints(const Circle &circle, double startAngle, const ArcSweep &sweep, int steps,
              const PointSink &sink);

} // namespace Ptx
