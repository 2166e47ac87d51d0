#include "motion/skewtransform.h"

#include <cmath>

namespace Ptx {

SkewTransform::SkewTransform(double p1x, double p1y, double p2x, double p2y)
    : x1(p1x), y1(p1y), pointsCoincide(p1x == p2x && p1y == p2y), theta(0.0)
{
    if (pointsCoincide)
        return;
    double dx = p2x - p1x;
    // A vertical chord must give +90 degrees upwards whatever the sign of the zero.
    if (dx == 0.0)
        dx = 0.0;
    theta = std::atan((p2y - p1y) / dx);
    if (p2x < p1x)
        theta += SkewHalfTurn;
}

void SkewTransform::toSpecimen(double ox, double oy, double *nx, double *ny) const
{
    const double dx = ox - x1;
    const double dy = oy - y1;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    *nx = dx * c + dy * s;
    *ny = dy * c - dx * s;
}

void SkewTransform::toStage(double ox, double oy, double *nx, double *ny) const
{
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    *nx = c * ox - s * oy + x1;
    *ny = s * ox + c * oy + y1;
}

} // namespace Ptx
