// Position texts: integer part, point, the fraction in ten-thousandths cut toward zero.
#include "app/positiontext.h"

#include <cmath>

namespace Ptx {

namespace {
constexpr double FractionScale = 10000.0;
// Lifts a fraction that binary arithmetic left just below a whole ten-thousandth.
constexpr double FractionLift = 0.00005;
constexpr double LargestFraction = FractionScale - 1.0;
constexpr int FractionDigits = 4;
} // namespace

QString positionText(double position)
{
    if (!std::isfinite(position))
        return QStringLiteral("Error");
    const double integerPart = std::trunc(position);
    // A fraction within the lift of the next whole number stays a cut: 4.99999997 is 4.9999.
    const double fraction = std::fmin(
        std::trunc(std::fabs(position - integerPart) * FractionScale + FractionLift), LargestFraction);
    QString text = QString::number(std::fabs(integerPart), 'f', 0) + QLatin1Char('.')
                   + QString::number(fraction, 'f', 0).rightJustified(FractionDigits, QLatin1Char('0'));
    if (position < 0.0)
        text.prepend(QLatin1Char('-'));
    return text;
}

QString fittedPositionText(double position, int places)
{
    QString text = positionText(position);
    if (text.size() <= places)
        return text;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0 || point > places)
        return QString(qMax(places, 0), QLatin1Char('-'));
    // Cut decimals (never round); with no room for one, the point goes too.
    text.truncate(places);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace Ptx
