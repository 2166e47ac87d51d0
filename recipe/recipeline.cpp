#include "recipe/recipeline.h"

#include <charconv>
#include <cmath>

namespace Ptx {

namespace {

struct Keyword {
    const char16_t *text;
    RecipeCommand command;
};

// POINTZ comes before POINT: a POINTZ line is a focus point only. No other keyword is a
// prefix of another.
constexpr Keyword keywords[] = {
    {u"POINTZ", RecipeCommand::PointZ},
    {u"POINT", RecipeCommand::Point},
    {u"ZPOINT", RecipeCommand::PointZ},
    {u"DELAY", RecipeCommand::Delay},
    {u"FDELAY", RecipeCommand::FDelay},
    {u"EXPTIM", RecipeCommand::ExpTim},
    {u"SPEEDXY", RecipeCommand::SpeedXY},
    {u"SPEEDZ", RecipeCommand::SpeedZ},
    {u"COMB", RecipeCommand::Comb},
    {u"RASTER", RecipeCommand::Raster},
    {u"CIRCLE", RecipeCommand::Circle},
    {u"ARC", RecipeCommand::Arc},
    {u"LINE", RecipeCommand::Line},
    {u"DEFREP", RecipeCommand::DefRep},
    {u"ENDREP", RecipeCommand::EndRep},
    {u"CLRREP", RecipeCommand::ClrRep},
    {u"ALIGN", RecipeCommand::Align},
    {u"INCR", RecipeCommand::Incr},
    {u"DEFMAC", RecipeCommand::DefMac},
    {u"ENDMAC", RecipeCommand::EndMac},
    {u"FMACRO", RecipeCommand::FMacro},
    {u"FMOVE", RecipeCommand::FMove},
    {u"SCTRL", RecipeCommand::SCtrl},
    {u"F1MOVE", RecipeCommand::F1Move},
    {u"F2MOVE", RecipeCommand::F2Move},
    {u"SHOPEN", RecipeCommand::ShOpen},
    {u"SHCLOSE", RecipeCommand::ShClose},
    {u"SHEXP", RecipeCommand::ShExp},
};

} // namespace

RecipeCommand recipeCommand(QStringView line, QStringView *args)
{
    if (line.isEmpty()) {
        *args = QStringView();
        return RecipeCommand::None;
    }
    const char16_t first = line.front().unicode();
    for (const Keyword &keyword : keywords) {
        // The first letter rules out nearly every keyword at the cost of one comparison.
        if (keyword.text[0] != first)
            continue;
        const QStringView text(keyword.text);
        if (line.startsWith(text)) {
            *args = line.mid(text.size());
            return keyword.command;
        }
    }
    *args = QStringView();
    return RecipeCommand::None;
}

QString recipeKeyword(RecipeCommand command)
{
    for (const Keyword &keyword : keywords) {
        if (keyword.command == command)
            return QString::fromUtf16(keyword.text);
    }
    return QString();
}

int splitRecipeFields(QStringView args, QStringView *fields, int maxFields)
{
    int count = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = args.indexOf(u',', start);
        const qsizetype end = comma < 0 ? args.size() : comma;
        if (count < maxFields)
            fields[count] = args.mid(start, end - start);
        ++count;
        if (comma < 0)
            return count;
        start = comma + 1;
    }
}

namespace {

constexpr int MaxFastDecimal = 64;

// Plain decimal texts (digits, point, sign, exponent) are by far the most common fields;
// they are converted straight from their characters. Anything else, and anything this
// cannot convert, is left to the full conversion.
bool fastDecimal(QStringView field, double *value)
{
    field = field.trimmed();
    if (field.isEmpty() || field.size() > MaxFastDecimal)
        return false;
    char text[MaxFastDecimal];
    int length = 0;
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'0' && u <= u'9') || u == u'.' || u == u'-' || u == u'e' || u == u'E'
            || (u == u'+' && length > 0);
        if (!plain)
            return false;
        text[length++] = static_cast<char>(u);
    }
    const auto result = std::from_chars(text, text + length, *value);
    return result.ec == std::errc() && result.ptr == text + length;
}

} // namespace

double recipeDecimal(QStringView field)
{
    double fast = 0.0;
    if (fastDecimal(field, &fast))
        return fast;
    bool ok = false;
    const double value = field.toDouble(&ok);
    if (ok)
        return value;
    // An overflowing decimal comes back as an infinity and is kept as one, so that it is
    // refused like "inf" rather than read as 0.
    return std::isinf(value) ? value : 0.0;
}

bool isHoldLabel(QStringView field)
{
    return field.trimmed().compare(HoldLabel, Qt::CaseInsensitive) == 0;
}

qint32 recipeInteger(QStringView field)
{
    bool ok = false;
    const int value = field.toInt(&ok, 10);
    return ok ? value : 0;
}

RecipeFieldShape recipeFieldShape(RecipeCommand command)
{
    switch (command) {
    case RecipeCommand::Point:
    case RecipeCommand::DefRep:
    case RecipeCommand::Incr:
        return {2, false, false};
    case RecipeCommand::PointZ:
    case RecipeCommand::SpeedXY:
    case RecipeCommand::SpeedZ:
        return {1, true, false};
    case RecipeCommand::Delay:
    case RecipeCommand::FDelay:
        return {1, true, true};
    case RecipeCommand::ExpTim:
    case RecipeCommand::FMove:
        return {2, false, true};
    case RecipeCommand::Comb:
    case RecipeCommand::Raster:
        return {6, false, false};
    case RecipeCommand::Circle:
    case RecipeCommand::Arc:
        return {7, false, false};
    case RecipeCommand::Line:
        return {5, false, false};
    case RecipeCommand::Align:
        return {4, false, false};
    case RecipeCommand::SCtrl:
        return {3, false, true};
    case RecipeCommand::F1Move:
    case RecipeCommand::F2Move:
    case RecipeCommand::ShOpen:
    case RecipeCommand::ShClose:
    case RecipeCommand::ShExp:
        return {1, false, true};
    case RecipeCommand::None:
    case RecipeCommand::EndRep:
    case RecipeCommand::ClrRep:
    case RecipeCommand::DefMac:
    case RecipeCommand::EndMac:
    case RecipeCommand::FMacro:
        break;
    }
    return {};
}

RecipeFieldStatus readRecipeFields(RecipeCommand command, QStringView args, double *values)
{
    const RecipeFieldShape shape = recipeFieldShape(command);
    if (shape.count == 0)
        return RecipeFieldStatus::Ok;
    QStringView fields[MaxRecipeFields];
    int present = 1;
    if (shape.whole)
        fields[0] = args;
    else
        present = splitRecipeFields(args, fields, MaxRecipeFields);
    if (present < shape.count)
        return RecipeFieldStatus::Missing;
    for (int i = 0; i < shape.count; ++i) {
        if (shape.integer) {
            values[i] = recipeInteger(fields[i]);
        } else {
            values[i] = recipeDecimal(fields[i]);
            if (!std::isfinite(values[i]))
                return RecipeFieldStatus::NotFinite;
        }
    }
    return RecipeFieldStatus::Ok;
}

} // namespace Ptx
