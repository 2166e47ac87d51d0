#include "motion/travellimits.h"

#include "config/numbertext.h"

#include <utility>

namespace Ptx {

QString travelRefusal(const char *name, double value, const AxisRange &range)
{
    // A target that is not a number is refused elsewhere, before any limit is looked at.
    if (range.contains(value) || value != value)
        return QString();
    const bool below = value < range.min;
    return QStringLiteral("%1=%2 %3 TRAVEL LIMIT %4")
        .arg(QLatin1String(name), numberText(value),
             below ? QStringLiteral("BELOW") : QStringLiteral("ABOVE"),
             numberText(below ? range.min : range.max));
}

QStringList TravelLimits::dropCrossed()
{
    QStringList dropped;
    const std::pair<const char *, AxisRange *> ranges[] = {{"X", &x}, {"Y", &y}, {"Z", &z}};
    for (const auto &[name, range] : ranges) {
        if (range->min > range->max) {
            *range = AxisRange();
            dropped << QLatin1String(name);
        }
    }
    return dropped;
}

QString TravelLimits::refusalXY(double stageX, double stageY) const
{
    const QString why = travelRefusal("X", stageX, x);
    return why.isEmpty() ? travelRefusal("Y", stageY, y) : why;
}

QString TravelLimits::refusalZ(double stageZ) const
{
    return travelRefusal("Z", stageZ, z);
}

} // namespace Ptx
