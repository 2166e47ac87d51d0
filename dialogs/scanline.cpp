#include "dialogs/scanline.h"

#include "config/numbertext.h"
#include "recipe/recipeline.h"

#include <vector>

namespace {

enum class Fields {
    None,
    Reals,          // comma-separated decimals
    WholeReal,      // the whole rest of the line as one decimal
    Integers,       // comma-separated integers
    WholeInteger    // the whole rest of the line as one integer
};

struct Rule {
    const char *keyword;
    Fields fields;
    std::vector<RealSlot> reals;
    std::vector<IntSlot> integers;
    const char *format;
    int commandType;
    const char *zeroText = nullptr;   // shown instead of format when the one value is 0
};

const std::vector<Rule> &rules()
{
    using T = TeachValues;
    static const std::vector<Rule> table = {
        {"ALIGN", Fields::Reals, {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y}, {},
         "ALIGN %1,%2,%3,%4", CMD_ALIGN},
        // A focus point under the keyword the recipe language also knows; it must come
        // before POINT, which would otherwise read it as an XY point.
        {"POINTZ", Fields::WholeReal, {&T::fpt1x}, {}, "ZPOINT %1", CMD_ZPOINT},
        {"POINT", Fields::Reals, {&T::fpt1x, &T::fpt1y}, {}, "POINT %1,%2", CMD_POINT},
        {"ZPOINT", Fields::WholeReal, {&T::fpt1x}, {}, "ZPOINT %1", CMD_ZPOINT},
        {"DELAY", Fields::WholeInteger, {}, {&T::pt1x}, "DELAY %1", CMD_DELAY, "DELAY 0-Inf"},
        {"COMB", Fields::Reals, {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y, &T::fpt3x, &T::fpt3y},
         {}, "COMB %1,%2,%3,%4,%5,%6", CMD_COMB},
        {"RASTER", Fields::Reals,
         {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y, &T::fpt3x, &T::fpt3y}, {},
         "RASTER %1,%2,%3,%4,%5,%6", CMD_RASTER},
        {"ARC", Fields::Reals,
         {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y, &T::fpt3x, &T::fpt3y, &T::fpt4x}, {},
         "ARC %1,%2,%3,%4,%5,%6,%7", CMD_ARC},
        {"CIRCLE", Fields::Reals,
         {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y, &T::fpt3x, &T::fpt3y, &T::fpt4x}, {},
         "CIRCLE %1,%2,%3,%4,%5,%6,%7", CMD_CIRCLE},
        {"LINE", Fields::Reals, {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y, &T::fpt4x}, {},
         "LINE %1,%2,%3,%4,%5", CMD_LINE},
        {"INCR", Fields::Reals, {&T::fpt1x, &T::fpt1y}, {}, "INCR %1,%2", CMD_INCR},
        {"SPEEDXY", Fields::WholeReal, {&T::fpt1x}, {}, "SPEEDXY %1", CMD_SPEED},
        {"SPEEDZ", Fields::WholeReal, {&T::fpt1x}, {}, "SPEEDZ %1", CMD_ZSPEED},
        {"DEFREP", Fields::Reals, {&T::fpt1x, &T::fpt1y}, {}, "DEFREP %1,%2", CMD_DEFREP},
        {"DEFMAC", Fields::None, {}, {}, "DEFMAC", CMD_DEFMAC},
        {"ENDMAC", Fields::None, {}, {}, "ENDMAC", CMD_ENDMAC},
        {"FMACRO", Fields::None, {}, {}, "FMACRO", CMD_FMACRO},
        {"FMOVE", Fields::Integers, {}, {&T::pt1x, &T::pt2x}, "FMOVE %1,%2", CMD_FMOVE},
        {"SCTRL", Fields::Integers, {}, {&T::pt1x, &T::pt2x, &T::pt1y}, "SCTRL %1,%2,%3",
         CMD_SCTRL},
        {"F1MOVE", Fields::Integers, {}, {&T::pt1x}, "F1MOVE %1", CMD_F1MOVE},
        {"F2MOVE", Fields::Integers, {}, {&T::pt1x}, "F2MOVE %1", CMD_F2MOVE},
        {"SHOPEN", Fields::Integers, {}, {&T::pt1x}, "SHOPEN %1", CMD_SHOPEN},
        {"SHCLOSE", Fields::Integers, {}, {&T::pt1x}, "SHCLOSE %1", CMD_SHCLOSE},
        {"SHEXP", Fields::Integers, {}, {&T::pt1x}, "SHEXP %1", CMD_SHEXP},
        {"EXPTIM", Fields::Integers, {}, {&T::pt1x, &T::pt2x}, "EXPTIM %1,%2", CMD_EXPTIM},
        {"FDELAY", Fields::WholeInteger, {}, {&T::pt1x}, "FDELAY %1", CMD_FDELAY,
         "FDELAY 0-Inf"},
    };
    return table;
}

constexpr int MaxFields = Ptx::MaxRecipeFields;

// Reads the rule's values from the text after its keyword and rebuilds the line.
QString applyRule(const Rule &rule, QStringView rest, TeachValues *values)
{
    QStringView fields[MaxFields];
    int present = 1;
    if (rule.fields == Fields::WholeReal || rule.fields == Fields::WholeInteger)
        fields[0] = rest;
    else
        present = Ptx::splitRecipeFields(rest, fields, MaxFields);

    QString line = QString::fromLatin1(rule.format);
    for (int i = 0; i < int(rule.reals.size()); ++i) {
        const double v = i < present ? Ptx::recipeDecimal(fields[i]) : 0.0;
        values->*rule.reals[i] = v;
        line = line.arg(Ptx::numberText(v));
    }
    bool allZero = true;
    for (int i = 0; i < int(rule.integers.size()); ++i) {
        const int v = i < present ? Ptx::recipeInteger(fields[i]) : 0;
        values->*rule.integers[i] = v;
        allZero = allZero && v == 0;
        line = line.arg(v);
    }
    if (rule.zeroText && allZero)
        line = QString::fromLatin1(rule.zeroText);
    return line;
}

} // namespace

ScannedLine scanTeachLine(const QString &line, TeachValues *values)
{
    ScannedLine scanned{CMD_END, line};
    for (const Rule &rule : rules()) {
        const QLatin1String keyword(rule.keyword);
        if (!scanned.line.startsWith(keyword))
            continue;
        const QString rest = scanned.line.mid(keyword.size());
        scanned.line = applyRule(rule, rest, values);
        scanned.commandType = rule.commandType;
    }
    return scanned;
}

void readTeachReals(QStringView text, double *values, int count)
{
    QStringView fields[MaxFields];
    const int present = Ptx::splitRecipeFields(text, fields, MaxFields);
    for (int i = 0; i < count; ++i)
        values[i] = i < present && i < MaxFields ? Ptx::recipeDecimal(fields[i]) : 0.0;
}
