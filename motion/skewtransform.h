// SkewTransform: converts between stage and specimen coordinates given two alignment points.
#pragma once

namespace Ptx {

// The half turn added when the second alignment point lies left of the first. The panel has
// always used this rounded value, so aligned coordinates stay as they were taught.
constexpr double SkewHalfTurn = 3.1415926;

// The specimen frame has its origin at alignment point 1 and its X axis pointing from point 1
// towards point 2. While the two points coincide no direction is defined: the angle is then
// taken as 0, so specimen coordinates are stage coordinates shifted by point 1.
class SkewTransform
{
public:
    SkewTransform(double p1x, double p1y, double p2x, double p2y);

    bool coincident() const { return pointsCoincide; }
    double angle() const { return theta; }

    void toSpecimen(double ox, double oy, double *nx, double *ny) const;
    void toStage(double ox, double oy, double *nx, double *ny) const;

private:
    double x1;
    double y1;
    bool pointsCoincide;
    double theta;
};

} // namespace Ptx
