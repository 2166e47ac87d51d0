// TravelLimits: the optional range of each axis, in stage millimetres (X, Y) and microns (Z).
#pragma once

#include <QString>
#include <QStringList>

#include <limits>

namespace Ptx {

// One axis's range; a side without a limit is infinite.
struct AxisRange {
    double min = -std::numeric_limits<double>::infinity();
    double max = std::numeric_limits<double>::infinity();

    bool contains(double value) const { return value >= min && value <= max; }
    bool hasMin() const { return min > -std::numeric_limits<double>::infinity(); }
    bool hasMax() const { return max < std::numeric_limits<double>::infinity(); }
    bool isSet() const { return hasMin() || hasMax(); }
};

struct TravelLimits {
    AxisRange x;
    AxisRange y;
    AxisRange z;

    bool isSet() const { return x.isSet() || y.isSet() || z.isSet(); }
    // Clears every range whose minimum lies above its maximum, since it would refuse every
    // target; returns the names of the axes cleared.
    QStringList dropCrossed();
    // An empty text when the target lies within every range; otherwise the display line
    // naming the first axis outside and its limit ("Y=120 ABOVE TRAVEL LIMIT 100").
    QString refusalXY(double stageX, double stageY) const;
    QString refusalZ(double stageZ) const;
};

// The display line for value on the axis called name, or empty when range holds it.
QString travelRefusal(const char *name, double value, const AxisRange &range);

} // namespace Ptx
