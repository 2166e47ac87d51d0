// The path commands of the compiler: LINE, CIRCLE, ARC, COMB and RASTER expanded through
// the path geometry into run-list points.
#include "controller/kelinterface.h"
#include "controller/diagnostics.h"
#include "recipe/diagtext.h"
#include "recipe/pathgeometry.h"

#include <cmath>

namespace {

// A macro records only filter, shutter, exposure-time and pause entries: a path inside its
// definition would add nothing, so its points are never worked out.
bool skippedInMacro(bool macroDefining, const QString &procLine)
{
    if (macroDefining)
        Ptx::diag(QStringLiteral("LINE:%1 ---NO POINTS INSIDE DEFMAC---").arg(procLine));
    return macroDefining;
}

QString pathEcho(const QString &procLine, const char *keyword, const double *values, int count)
{
    Ptx::DiagText echo;
    echo.text(" ").text(keyword).text(" ").generalList(values, count);
    return Ptx::lineEcho(procLine, echo);
}

} // namespace

// f: x1, y1, x2, y2, step.
int KelInterface::compileLine(const double *f)
{
    if (skippedInMacro(macroDefining, procLine))
        return 0;
    const double step = f[4];
    if (!(step > 0)) {
        rejectLine(QStringLiteral("LINE STEP NOT POSITIVE"));
        return 0;
    }
    fpt1x = f[0];
    fpt1y = f[1];
    fpt2x = f[2];
    fpt2y = f[3];
    fpt4x = step;
    line_x[0] = fpt1x;
    line_y[0] = fpt1y;
    line_x[1] = fpt2x;
    line_y[1] = fpt2y;
    // The square root of the sum of squares, as recipes have always had it: hypot differs
    // from it in the last bit for some lengths (3.7 from 1.2 and 3.5), and that changes
    // the truncated step count.
    const double dx = line_x[1] - line_x[0];
    const double dy = line_y[1] - line_y[0];
    line_dist = std::sqrt(dx * dx + dy * dy);
    line_steps = Ptx::lineSteps(line_dist, step);
    find_line();
    if (!std::isfinite(line_dist) || !std::isfinite(line_x_incr) || !std::isfinite(line_y_incr)) {
        rejectLine(QStringLiteral("LINE OUT OF RANGE"));
        return 0;
    }
    Ptx::diag(pathEcho(procLine, "LINE", f, 5));
    return HandleLine();
}

// f: x1, y1, x2, y2, x3, y3, step. Returns the negative solver result for points in a line.
int KelInterface::compileCircle(const double *f, bool arc)
{
    if (skippedInMacro(macroDefining, procLine))
        return 0;
    const char *keyword = arc ? "ARC" : "CIRCLE";
    const double step = f[6];
    if (!(step > 0)) {
        rejectLine(QStringLiteral("%1 STEP NOT POSITIVE").arg(QLatin1String(keyword)));
        return 0;
    }
    fpt1x = f[0];
    fpt1y = f[1];
    fpt2x = f[2];
    fpt2y = f[3];
    fpt3x = f[4];
    fpt3y = f[5];
    fpt4x = step;
    circle_x[0] = fpt1x;
    circle_y[0] = fpt1y;
    circle_x[1] = fpt2x;
    circle_y[1] = fpt2y;
    circle_x[2] = fpt3x;
    circle_y[2] = fpt3y;
    const int result = arc ? find_arc() : find_circle();
    circle_steps = Ptx::circleSubdivisions(circle_radius, step);
    if (result < 0) {
        const QString reason = QStringLiteral("%1 POINTS IN A LINE").arg(QLatin1String(keyword));
        Ptx::diag(QStringLiteral("LINE:%1 ---STOPPED, RECIPE LINE %2: %3---")
                      .arg(procLine).arg(curLineProcessing + 1).arg(reason));
        noteCompileProblem(reason);
        return result;
    }
    if (!std::isfinite(center_x) || !std::isfinite(center_y) || !std::isfinite(circle_radius)) {
        rejectLine(QStringLiteral("%1 OUT OF RANGE").arg(QLatin1String(keyword)));
        return 0;
    }
    if (arc && circle_dir == 0) {
        rejectLine(QStringLiteral("ARC THIRD POINT AT START OR END ANGLE"));
        return 0;
    }
    Ptx::diag(pathEcho(procLine, keyword, f, 7));
    return arc ? HandleArc() : HandleCircle();
}

// The path's points enter the run list (or the pattern) like POINTs; once the list is full
// every further point would be dropped, so the expansion ends there, as it does at a point
// beyond the range of numbers.
bool KelInterface::addPathPoint(double x, double y)
{
    return AddPoint(x, y, 0.0, false) >= 0;
}

int KelInterface::HandleComb(bool raster)
{
    if (skippedInMacro(macroDefining, procLine))
        return 0;
    Ptx::gridPoints(fpt1x, fpt1y, fpt2x, fpt2y, fpt3x, fpt3y, raster,
                    [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

int KelInterface::find_line()
{
    // A line shorter than its step has no interval: its start point stands alone.
    if (line_steps == 0) {
        line_x_incr = 0.0;
        line_y_incr = 0.0;
        return 0;
    }
    line_x_incr = (line_x[1] - line_x[0]) / line_steps;
    line_y_incr = (line_y[1] - line_y[0]) / line_steps;
    return 0;
}

int KelInterface::HandleLine()
{
    line_count = Ptx::linePoints(line_x[0], line_y[0], line_x_incr, line_y_incr, line_steps,
                                 [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

int KelInterface::find_circle()
{
    Ptx::Circle circle;
    const bool found = Ptx::circleThrough(circle_x, circle_y, &circle);
    center_x = circle.centerX;
    center_y = circle.centerY;
    circle_radius = circle.radius;
    return found ? 0 : -1;
}

int KelInterface::find_arc()
{
    const int result = find_circle();
    if (result < 0)
        return result;
    const double a0 = find_angle(circle_x[0], circle_y[0], center_x, center_y);
    const double a1 = find_angle(circle_x[1], circle_y[1], center_x, center_y);
    const double a2 = find_angle(circle_x[2], circle_y[2], center_x, center_y);
    const Ptx::ArcSweep sweep = Ptx::arcSweep(a0, a1, a2);
    circle_dir = sweep.dir;
    circle_angle = sweep.angle;
    circle_start_angle = a0;
    return 0;
}

int KelInterface::HandleCircle()
{
    Ptx::circlePoints({center_x, center_y, circle_radius}, circle_steps,
                      [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

int KelInterface::HandleArc()
{
    Ptx::arcPoints({center_x, center_y, circle_radius}, circle_start_angle, {circle_angle, circle_dir},
                   circle_steps, [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

double KelInterface::find_angle(double x1, double y1, double ctr_x, double ctr_y)
{
    return Ptx::polarAngle(x1, y1, ctr_x, ctr_y);
}

double KelInterface::calc_slope(double x1, double y1, double x2, double y2)
{
    return Ptx::slope(x1, y1, x2, y2);
}

double KelInterface::calc_mid_points(double x1, double x2)
{
    return Ptx::midPoint(x1, x2);
}
