#include "recipe/pathgeometry.h"

#include <cmath>
#include <limits>

namespace Ptx {

namespace {

qint64 pointsMade = 0;

// Hands one point to the sink, counting it.
bool give(const PointSink &sink, double x, double y)
{
    ++pointsMade;
    return sink(x, y);
}

// A row or column step is taken when it lands no further than half a step past the end.
bool withinEnd(double next, double step, double end)
{
    if (!std::isfinite(next))
        return false;
    return step > 0 ? next <= end + step / 2 : next >= end + step / 2;
}

// A returning COMB row stops exactly at the start column.
bool withinStart(double next, double step, double start)
{
    if (!std::isfinite(next))
        return false;
    return step > 0 ? next >= start : next <= start;
}

} // namespace

qint64 pathPointsMade()
{
    return pointsMade;
}

double midPoint(double a, double b)
{
    return (a + b) / 2;
}

double slope(double x1, double y1, double x2, double y2)
{
    if (x1 == x2)
        return VerticalSlope;
    return (y2 - y1) / (x2 - x1);
}

int subdivisionCount(double value)
{
    if (!(value > 0))
        return 0;
    if (value >= MaxSubdivisions)
        return MaxSubdivisions;
    return static_cast<int>(value);
}

int lineSteps(double length, double step)
{
    return subdivisionCount(length / step);
}

int linePoints(double x1, double y1, double xIncr, double yIncr, int steps, const PointSink &sink)
{
    int count = 0;
    while (count < steps + 1 && count < MaxPathPoints) {
        ++count;
        const int k = count - 1;
        if (!give(sink, x1 + k * xIncr, y1 + k * yIncr))
            break;
    }
    return count;
}

int gridPoints(double sx, double sy, double ix, double iy, double ex, double ey, bool raster,
               const PointSink &sink)
{
    const double dx = ix - sx;
    const double dy = iy - sy;
    double x = sx;
    double y = sy;
    int dir = 1;
    int count = 0;
    bool finished = false;
    while (!finished && count < MaxPathPoints) {
        ++count;
        if (!give(sink, x, y))
            break;
        const double nx = dir > 0 ? x + dx : x - dx;
        const bool accepted = dir > 0 ? withinEnd(nx, dx, ex) : withinStart(nx, dx, sx);
        if (accepted) {
            x = nx;
            continue;
        }
        if (raster) {
            x = sx;
            dir = 1;
        } else {
            dir = -dir;
        }
        const double ny = y + dy;
        if (withinEnd(ny, dy, ey))
            y = ny;
        else
            finished = true;
    }
    return count;
}

bool circleThrough(const double x[3], const double y[3], Circle *circle)
{
    const double m1x = midPoint(x[0], x[2]);
    const double m1y = midPoint(y[0], y[2]);
    const double m2x = midPoint(x[2], x[1]);
    const double m2y = midPoint(y[2], y[1]);
    // Bisector slopes: the chord slope taken with the axes swapped, negated.
    const double s1 = -slope(y[0], x[0], y[2], x[2]);
    const double s2 = -slope(y[1], x[1], y[2], x[2]);
    if (s1 == s2) {
        *circle = Circle();
        return false;
    }
    circle->centerX = (s1 * m1x - s2 * m2x + m2y - m1y) / (s1 - s2);
    circle->centerY = (circle->centerX - m1x) * s1 + m1y;
    circle->radius = std::hypot(x[2] - circle->centerX, y[2] - circle->centerY);
    return true;
}

int circleSubdivisions(double radius, double step)
{
    return subdivisionCount((2 * radius) * HalfTurn / step + SubdivisionRounding);
}

double polarAngle(double px, double py, double cx, double cy)
{
    int quadrant = 1;
    if (px > cx && py >= cy)
        quadrant = 1;
    if (px <= cx && py >= cy)
        quadrant = 2;
    if (px <= cx && py < cy)
        quadrant = 3;
    if (px > cx && py < cy)
        quadrant = 4;
    // Straight above or below the centre the quotient is an infinity of the sign of the
    // numerator, whose arctangent is a quarter turn.
    const double quotient = px == cx
        ? std::copysign(std::numeric_limits<double>::infinity(), cy - py)
        : (cy - py) / (cx - px);
    const double t = std::atan(quotient);
    switch (quadrant) {
    case 2:
    case 3:
        return t + HalfTurn;
    case 4:
        return t + FullTurn;
    default:
        return t;
    }
}

ArcSweep arcSweep(double a0, double a1, double a2)
{
    ArcSweep sweep;
    if ((a2 < a1 && a2 < a0) || (a2 > a1 && a2 > a0)) {
        // The third point lies beyond angle 0 as seen from the two ends: the arc wraps.
        sweep.dir = a0 > a1 ? 1 : -1;
        sweep.angle = FullTurn - std::fabs(a0 - a1);
    } else if (a0 < a2 && a2 < a1) {
        sweep.dir = a0 < a1 ? 1 : -1;
        sweep.angle = a1 - a0;
    } else if (a1 < a2 && a2 < a0) {
        sweep.dir = a0 < a1 ? 1 : -1;
        sweep.angle = a0 - a1;
    }
    return sweep;
}

int circlePoints(const Circle &circle, int steps, const PointSink &sink)
{
    if (steps == 0) {
        give(sink, circle.centerX, circle.centerY + circle.radius);
        return 1;
    }
    int count = 0;
    for (int i = 0; i <= steps && count < MaxPathPoints; ++i) {
        const double a = i * FullTurn / steps;
        ++count;
        if (!give(sink, circle.centerX + circle.radius * std::sin(a), circle.centerY + circle.radius * std::cos(a)))
            break;
    }
    return count;
}

int arcPoints(const Circle &circle, double startAngle, const ArcSweep &sweep, int steps,
              const PointSink &sink)
{
    int count = 0;
    for (int i = 0; i < steps + 1 && count < MaxPathPoints; i += 2) {
        const double fraction = steps == 0 ? 0.0 : sweep.angle * i / steps;
        const double theta = startAngle + fraction * sweep.dir;
        ++count;
        if (!give(sink, circle.centerX + circle.radius * std::cos(theta), circle.centerY + circle.radius * std::sin(theta)))
            break;
    }
    return count;
}

} // namespace Ptx
