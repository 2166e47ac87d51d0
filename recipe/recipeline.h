// Recipe line syntax: keyword prefix tests, field splitting and number conversion.
#pragma once

#include <QString>
#include <QStringView>

namespace Ptx {

// The commands of the recipe language, as recognised by their keyword.
enum class RecipeCommand {
    None,
    Point,
    PointZ,    // "POINTZ" and the editor's "ZPOINT"
    Delay,
    FDelay,
    ExpTim,
    SpeedXY,
    SpeedZ,
    Comb,
    Raster,
    Circle,
    Arc,
    Line,
    DefRep,
    EndRep,
    ClrRep,
    Align,
    Incr,
    DefMac,
    EndMac,
    FMacro,
    FMove,
    SCtrl,
    F1Move,
    F2Move,
    ShOpen,
    ShClose,
    ShExp
};

// Most fields any command reads (CIRCLE and ARC).
constexpr int MaxRecipeFields = 7;

// The command whose keyword the line starts with, exactly and in upper case, or None.
// *args receives the text after the keyword.
RecipeCommand recipeCommand(QStringView line, QStringView *args);

// The keyword text of a command ("POINTZ" for PointZ); empty for None.
QString recipeKeyword(RecipeCommand command);

// Splits the argument text at every comma, empty fields included. Fills at most maxFields
// views and returns how many fields the text holds in all.
int splitRecipeFields(QStringView args, QStringView *fields, int maxFields);

// Decimal field in the C locale, white space around it ignored. A text that is not
// entirely a number gives 0. "nan" and "inf" are numbers, and so is a decimal too large
// for a double, which reads as an infinity of its sign.
double recipeDecimal(QStringView field);

// The editor's label of a pause without end, "0-INF" (also shown as "0-Inf").
inline constexpr QStringView HoldLabel = u"0-INF";
bool isHoldLabel(QStringView field);

// Base-10 integer field, white space around it ignored; anything else, "2.5" and numbers
// outside the 32-bit range included, gives 0.
qint32 recipeInteger(QStringView field);

// How a command's fields are read: their number, whether the whole argument text is the
// one field, and whether they are integers (all fields of a command share one type).
struct RecipeFieldShape {
    int count = 0;
    bool whole = false;
    bool integer = false;
};

RecipeFieldShape recipeFieldShape(RecipeCommand command);

enum class RecipeFieldStatus {
    Ok,
    Missing,    // the line holds fewer fields than its command reads
    NotFinite   // a decimal field reads as nan or an infinity
};

// Converts the fields a command reads into values[0 .. count-1] (integers as whole-numbered
// doubles). Never reads beyond the fields present.
RecipeFieldStatus readRecipeFields(RecipeCommand command, QStringView args, double *values);

} // namespace Ptx
