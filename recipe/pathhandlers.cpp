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

// Takes a path line's points and the step that follows them in f; false when the line is
// passed over in a macro or refused for its step.
bool KelInterface::takePathPoints(const double *f, int points, QLatin1StringView keyword)
{
    if (skippedInMacro(compiler.macroDefining, compiler.procLine))
        return false;
    const double step = f[points];
    if (!(step > 0)) {
        rejectLine(QStringLiteral("%1 STEP NOT POSITIVE").arg(keyword));
        return false;
    }
    compiler.takePoints(f, points);
    compiler.fpt4x = step;
    return true;
}

// f: x1, y1, x2, y2, step.
int KelInterface::compileLine(const double *f)
{
    if (!takePathPoints(f, 4, QLatin1StringView("LINE")))
        return 0;
    const double step = compiler.fpt4x;
    compiler.line_x[0] = compiler.fpt1x;
    compiler.line_y[0] = compiler.fpt1y;
    compiler.line_x[1] = compiler.fpt2x;
    compiler.line_y[1] = compiler.fpt2y;
    // The square root of the sum of squares, as recipes have always had it: hypot differs
    // from it in the last bit for some lengths (3.7 from 1.2 and 3.5), and that changes
    // the truncated step count.
    const double dx = compiler.line_x[1] - compiler.line_x[0];
    const double dy = compiler.line_y[1] - compiler.line_y[0];
    compiler.line_dist = std::sqrt(dx * dx + dy * dy);
    compiler.line_steps = Ptx::lineSteps(compiler.line_dist, step);
    find_line();
    if (!std::isfinite(compiler.line_dist) || !std::isfinite(compiler.line_x_incr) || !std::isfinite(compiler.line_y_incr)) {
        rejectLine(QStringLiteral("LINE OUT OF RANGE"));
        return 0;
    }
    Ptx::diag(pathEcho(compiler.procLine, "LINE", f, 5));
    return HandleLine();
}

// f: x1, y1, x2, y2, x3, y3, step. Returns the negative solver result for points in a line.
int KelInterface::compileCircle(const double *f, bool arc)
{
    const char *keyword = arc ? "ARC" : "CIRCLE";
    if (!takePathPoints(f, 6, QLatin1StringView(keyword)))
        return 0;
    const double step = compiler.fpt4x;
    compiler.circle_x[0] = compiler.fpt1x;
    compiler.circle_y[0] = compiler.fpt1y;
    compiler.circle_x[1] = compiler.fpt2x;
    compiler.circle_y[1] = compiler.fpt2y;
    compiler.circle_x[2] = compiler.fpt3x;
    compiler.circle_y[2] = compiler.fpt3y;
    const int result = arc ? find_arc() : find_circle();
    compiler.circle_steps = Ptx::circleSubdivisions(compiler.circle_radius, step);
    if (result < 0) {
        const QString reason = QStringLiteral("%1 POINTS IN A LINE").arg(QLatin1String(keyword));
        Ptx::diag(QStringLiteral("LINE:%1 ---STOPPED, RECIPE LINE %2: %3---")
                      .arg(compiler.procLine).arg(compiler.curLineProcessing + 1).arg(reason));
        noteCompileProblem(reason);
        return result;
    }
    if (!std::isfinite(compiler.center_x) || !std::isfinite(compiler.center_y) || !std::isfinite(compiler.circle_radius)) {
        rejectLine(QStringLiteral("%1 OUT OF RANGE").arg(QLatin1String(keyword)));
        return 0;
    }
    if (arc && compiler.circle_dir == 0) {
        rejectLine(QStringLiteral("ARC THIRD POINT AT START OR END ANGLE"));
        return 0;
    }
    Ptx::diag(pathEcho(compiler.procLine, keyword, f, 7));
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
    if (skippedInMacro(compiler.macroDefining, compiler.procLine))
        return 0;
    Ptx::gridPoints(compiler.fpt1x, compiler.fpt1y, compiler.fpt2x, compiler.fpt2y, compiler.fpt3x, compiler.fpt3y, raster,
                    [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

int KelInterface::find_line()
{
    // A line shorter than its step has no interval: its start point stands alone.
    if (compiler.line_steps == 0) {
        compiler.line_x_incr = 0.0;
        compiler.line_y_incr = 0.0;
        return 0;
    }
    compiler.line_x_incr = (compiler.line_x[1] - compiler.line_x[0]) / compiler.line_steps;
    compiler.line_y_incr = (compiler.line_y[1] - compiler.line_y[0]) / compiler.line_steps;
    return 0;
}

int KelInterface::HandleLine()
{
    compiler.line_count = Ptx::linePoints(compiler.line_x[0], compiler.line_y[0], compiler.line_x_incr, compiler.line_y_incr, compiler.line_steps,
                                 [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

int KelInterface::find_circle()
{
    Ptx::Circle circle;
    const bool found = Ptx::circleThrough(compiler.circle_x, compiler.circle_y, &circle);
    compiler.center_x = circle.centerX;
    compiler.center_y = circle.centerY;
    compiler.circle_radius = circle.radius;
    return found ? 0 : -1;
}

int KelInterface::find_arc()
{
    const int result = find_circle();
    if (result < 0)
        return result;
    const double a0 = find_angle(compiler.circle_x[0], compiler.circle_y[0], compiler.center_x, compiler.center_y);
    const double a1 = find_angle(compiler.circle_x[1], compiler.circle_y[1], compiler.center_x, compiler.center_y);
    const double a2 = find_angle(compiler.circle_x[2], compiler.circle_y[2], compiler.center_x, compiler.center_y);
    const Ptx::ArcSweep sweep = Ptx::arcSweep(a0, a1, a2);
    compiler.circle_dir = sweep.dir;
    compiler.circle_angle = sweep.angle;
    compiler.circle_start_angle = a0;
    return 0;
}

int KelInterface::HandleCircle()
{
    Ptx::circlePoints({compiler.center_x, compiler.center_y, compiler.circle_radius}, compiler.circle_steps,
                      [this](double x, double y) { return addPathPoint(x, y); });
    return 0;
}

int KelInterface::HandleArc()
{
    Ptx::arcPoints({compiler.center_x, compiler.center_y, compiler.circle_radius}, compiler.circle_start_angle, {compiler.circle_angle, compiler.circle_dir},
                   compiler.circle_steps, [this](double x, double y) { return addPathPoint(x, y); });
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
