// The compiler's add operations: the run list, the repeat pattern and the macro.
#include "controller/kelinterface.h"
#include "controller/diagnostics.h"
#include "config/numbertext.h"

#include <cmath>

namespace {

// The last slot of each array is written but never counted: a full list keeps its count.
constexpr int MaxPoints = Ptx::PointListSize - 1;
constexpr int MaxRptPoints = Ptx::RptListSize - 1;
constexpr int MaxMacroPoints = Ptx::MacroListSize - 1;

constexpr int ShutterCodeBits = 2;
constexpr quint32 ShutterCodeMask = 3;

void diagMotion(double x, double y, double z, double speedXY, double speedZ)
{
    Ptx::diag(QString::asprintf("  PT %f,%f,%f  SP=%f SPZ=%f", x, y, z, speedXY, speedZ));
}

void diagFilter(const recipePointStruct &entry)
{
    Ptx::diag(QString::asprintf("  SH %d,%d 0x%x %d", entry.f1pos, entry.f2pos, entry.shopt,
                                entry.fmacro ? 1 : 0));
}

void diagEntry(const recipePointStruct &entry)
{
    if (entry.filtmove)
        diagFilter(entry);
    else
        diagMotion(entry.x, entry.y, entry.z, entry.speedxy, entry.speedz);
}

// A macro entry as it is inserted into the run list or the pattern: no position, no speed.
recipePointStruct macroCopy(const recipePointStruct &m)
{
    recipePointStruct entry = m;
    entry.x = 0.0;
    entry.y = 0.0;
    entry.z = 0.0;
    entry.speedxy = 0.0;
    entry.speedz = 0.0;
    entry.zmove = false;
    entry.options = 0;
    return entry;
}

recipePointStruct filterEntry(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt,
                              bool fmacro, double delay, qint32 fdelay)
{
    recipePointStruct entry;
    entry.delay = delay;
    entry.filtmove = true;
    entry.f1pos = f1pos;
    entry.f2pos = f2pos;
    entry.f1move = f1move;
    entry.f2move = f2move;
    entry.shopt = shopt;
    entry.fmacro = fmacro;
    entry.fdelay = fdelay;
    return entry;
}

QString shutterCodes(quint32 shopt)
{
    return QStringLiteral("SH1=%1 SH2=%2 SH3=%3")
        .arg(shopt & ShutterCodeMask)
        .arg((shopt >> ShutterCodeBits) & ShutterCodeMask)
        .arg((shopt >> (2 * ShutterCodeBits)) & ShutterCodeMask);
}

QString listLine(const recipePointStruct &entry)
{
    if (entry.filtmove) {
        return QStringLiteral("SH W1=%1 W2=%2 ").arg(entry.f1pos).arg(entry.f2pos)
            + shutterCodes(entry.shopt);
    }
    return QStringLiteral("PT x=%1 y=%2 z=%3 spxy=%4 spz=%5")
        .arg(Ptx::numberText(entry.x), Ptx::numberText(entry.y), Ptx::numberText(entry.z),
             Ptx::numberText(entry.speedxy), Ptx::numberText(entry.speedz));
}

} // namespace

// Writes the entry into the next run-list slot and counts it; callers cap the count.
void KelInterface::appendEntry(const recipePointStruct &entry)
{
    pointList[numPointsDefined] = entry;
    ++numPointsDefined;
}

int KelInterface::AddPoint(double x, double y, double z, bool zmove)
{
    if (macroDefining)
        return 0;
    if (repeatDefining) {
        AddRptPoint(x, y, z, zmove);
        return 0;
    }
    // Pattern offsets can carry a sum beyond the range of a double; such a target is
    // never stored.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        Ptx::diag(QStringLiteral("  PT refused: not a finite position"));
        return -1;
    }
    recipePointStruct entry;
    entry.x = x;
    entry.y = y;
    entry.z = z;
    entry.speedxy = curSpeedXY;
    entry.speedz = curSpeedZ;
    entry.delay = curDelay;
    entry.zmove = zmove;
    appendEntry(entry);
    diagMotion(x, y, z, curSpeedXY, curSpeedZ);
    if (numPointsDefined > MaxPoints) {
        numPointsDefined = MaxPoints;
        return -1;
    }
    if (repeatDefined && repeatActive && numRptPointsDefined > 0)
        return placePattern(x, y);
    return 0;
}

// Appends the whole pattern offset by (x, y).
int KelInterface::placePattern(double x, double y)
{
    for (int i = 0; i < numRptPointsDefined; ++i) {
        recipePointStruct entry = rptPointList[i];
        entry.x += x;
        entry.y += y;
        entry.options = 0;
        if (!std::isfinite(entry.x) || !std::isfinite(entry.y)) {
            Ptx::diag(QStringLiteral("  PT refused: not a finite position"));
            continue;
        }
        appendEntry(entry);
        diagEntry(entry);
        if (numPointsDefined > MaxPoints) {
            numPointsDefined = MaxPoints;
            return -1;
        }
    }
    return 0;
}

int KelInterface::AddFiltPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    if (repeatDefining) {
        AddFiltRptPoint(f1pos, f2pos, f1move, f2move, shopt, fmacro);
        return 0;
    }
    if (macroDefining) {
        AddFiltMacroPoint(f1pos, f2pos, f1move, f2move, shopt, fmacro);
        return 0;
    }
    if (fmacro) {
        if (!macroDefined)
            return 0;
        for (int i = 0; i < numMacroPointsDefined; ++i) {
            const recipePointStruct entry = macroCopy(fmacroPointList[i]);
            appendEntry(entry);
            diagFilter(entry);
            if (numPointsDefined > MaxPoints) {
                numPointsDefined = MaxPoints;
                return -1;
            }
        }
        return 0;
    }
    const recipePointStruct entry = filterEntry(f1pos, f2pos, f1move, f2move, shopt, false, 0.0, curFDelay);
    appendEntry(entry);
    diagFilter(entry);
    if (numPointsDefined > MaxPoints) {
        numPointsDefined = MaxPoints;
        return -1;
    }
    return 0;
}

int KelInterface::AddRptPoint(double x, double y, double z, bool zmove)
{
    recipePointStruct &entry = rptPointList[numRptPointsDefined];
    entry = recipePointStruct();
    entry.x = x;
    entry.y = y;
    entry.z = z;
    entry.speedxy = rptSpeedXY;
    entry.speedz = rptSpeedZ;
    entry.delay = rptDelay;
    entry.zmove = zmove;
    ++numRptPointsDefined;
    if (numRptPointsDefined > MaxRptPoints) {
        numRptPointsDefined = MaxRptPoints;
        return -1;
    }
    return 0;
}

int KelInterface::AddFiltRptPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    if (fmacro) {
        if (!macroDefined)
            return 0;
        for (int i = 0; i < numMacroPointsDefined; ++i) {
            rptPointList[numRptPointsDefined] = macroCopy(fmacroPointList[i]);
            ++numRptPointsDefined;
            if (numRptPointsDefined > MaxRptPoints) {
                numRptPointsDefined = MaxRptPoints;
                return -1;
            }
        }
        return 0;
    }
    rptPointList[numRptPointsDefined] = filterEntry(f1pos, f2pos, f1move, f2move, shopt, false, rptDelay, curFDelay);
    ++numRptPointsDefined;
    if (numRptPointsDefined > MaxRptPoints) {
        numRptPointsDefined = MaxRptPoints;
        return -1;
    }
    return 0;
}

int KelInterface::AddFiltMacroPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    Q_UNUSED(fmacro);   // a macro never holds a macro insertion
    fmacroPointList[numMacroPointsDefined] = filterEntry(f1pos, f2pos, f1move, f2move, shopt, false, curDelay, curFDelay);
    ++numMacroPointsDefined;
    if (numMacroPointsDefined > MaxMacroPoints) {
        numMacroPointsDefined = MaxMacroPoints;
        return -1;
    }
    return 0;
}

void KelInterface::listCompiledEntries()
{
    Ptx::diag(QStringLiteral("Total Points Defined:%1\n").arg(numPointsDefined));
    Ptx::diag(QStringLiteral("Total Rep Points Defined:%1").arg(numRptPointsDefined));
    Ptx::diag(QStringLiteral("Macro List:"));
    for (int i = 0; i < numMacroPointsDefined; ++i)
        Ptx::diag(listLine(fmacroPointList[i]));
    Ptx::diag(QStringLiteral("Repeat List:"));
    for (int i = 0; i < numRptPointsDefined; ++i)
        Ptx::diag(listLine(rptPointList[i]));
    Ptx::diag(QStringLiteral("Points List:"));
    for (int i = 0; i < numPointsDefined; ++i)
        Ptx::diag(listLine(pointList[i]));
}
