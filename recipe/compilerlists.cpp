// The compiler's add operations: the run list, the repeat pattern and the macro.
#include "controller/kelinterface.h"
#include "controller/diagnostics.h"
#include "recipe/diagtext.h"
#include "recipe/runnerentrykind.h"

#include <cmath>

namespace {

// The last slot of each array is written but never counted: a full list keeps its count.
constexpr int MaxPoints = Ptx::PointListSize - 1;
constexpr int MaxRptPoints = Ptx::RptListSize - 1;
constexpr int MaxMacroPoints = Ptx::MacroListSize - 1;

// One of the compiler's entry arrays (run list, pattern, macro) with its count.
struct EntryList
{
    recipePointStruct *entries;
    int &count;
    int max;
    // The run list also notes where each entry came from.
    Ptx::EntryOrigin *origins = nullptr;
    Ptx::EntryOrigin origin = {};

    // Writes entry into the next slot and counts it. False once the list is full: the count
    // then stays at max.
    bool append(const recipePointStruct &entry) const
    {
        entries[count] = entry;
        if (origins)
            origins[count] = origin;
        ++count;
        if (count > max) {
            count = max;
            return false;
        }
        return true;
    }
};

// "  PT %f,%f,%f  SP=%f SPZ=%f"
void diagMotion(double x, double y, double z, double speedXY, double speedZ)
{
    Ptx::DiagText line;
    line.text("  PT ").fixed(x).text(",").fixed(y).text(",").fixed(z);
    line.text("  SP=").fixed(speedXY).text(" SPZ=").fixed(speedZ);
    Ptx::diag(line.toString());
}

// "  SH %d,%d 0x%x %d"
void diagFilter(const recipePointStruct &entry)
{
    Ptx::DiagText line;
    line.text("  SH ").decimal(entry.f1pos).text(",").decimal(entry.f2pos);
    line.text(" 0x").hex(entry.shopt).text(" ").decimal(entry.fmacro ? 1 : 0);
    Ptx::diag(line.toString());
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

// Inserts the macro's entries into list as macroCopy makes them, echoing each when asked.
// False once the list is full.
bool insertMacro(const recipePointStruct *macro, int macroCount, const EntryList &list, bool echo)
{
    for (int i = 0; i < macroCount; ++i) {
        const recipePointStruct entry = macroCopy(macro[i]);
        const bool room = list.append(entry);
        if (echo)
            diagFilter(entry);
        if (!room)
            return false;
    }
    return true;
}

recipePointStruct motionEntry(double x, double y, double z, bool zmove, double speedXY, double speedZ,
                              double delay)
{
    recipePointStruct entry;
    entry.x = x;
    entry.y = y;
    entry.z = z;
    entry.speedxy = speedXY;
    entry.speedz = speedZ;
    entry.delay = delay;
    entry.zmove = zmove;
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

// "SH W1=%1 W2=%2 SH1=%3 SH2=%4 SH3=%5" or "PT x=%1 y=%2 z=%3 spxy=%4 spz=%5"
QString listLine(const recipePointStruct &entry)
{
    Ptx::DiagText line;
    if (entry.filtmove) {
        line.text("SH W1=").decimal(entry.f1pos).text(" W2=").decimal(entry.f2pos);
        const Ptx::ShutterWord word = Ptx::decodeShutterWord(entry.shopt);
        line.text(" SH1=").decimal(word.code[0]).text(" SH2=").decimal(word.code[1]);
        line.text(" SH3=").decimal(word.code[2]);
    } else {
        line.text("PT x=").general(entry.x).text(" y=").general(entry.y).text(" z=").general(entry.z);
        line.text(" spxy=").general(entry.speedxy).text(" spz=").general(entry.speedz);
    }
    return line.toString();
}

} // namespace

// Negative when the point was not stored because its list is full or it lies beyond the
// range of numbers: a path stops adding points there.
int KelInterface::AddPoint(double x, double y, double z, bool zmove)
{
    if (compiler.macroDefining)
        return 0;
    if (compiler.repeatDefining)
        return AddRptPoint(x, y, z, zmove);
    // Pattern offsets can carry a sum beyond the range of a double; such a target is
    // never stored.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        Ptx::diag(QStringLiteral("  PT refused: not a finite position"));
        return -1;
    }
    const recipePointStruct entry = motionEntry(x, y, z, zmove, compiler.curSpeedXY, compiler.curSpeedZ, compiler.curDelay);
    const bool room = EntryList{compiler.pointList, compiler.numPointsDefined, MaxPoints, compiler.pointOrigin}.append(entry);
    diagMotion(x, y, z, compiler.curSpeedXY, compiler.curSpeedZ);
    if (!room)
        return -1;
    if (compiler.repeatDefined && compiler.repeatActive && compiler.numRptPointsDefined > 0)
        return placePattern(x, y);
    return 0;
}

// Appends the whole pattern offset by (x, y). Entries beyond the range of numbers are left
// out with one diagnostic line for the placement, however many there are.
int KelInterface::placePattern(double x, double y)
{
    const EntryList runList{compiler.pointList, compiler.numPointsDefined, MaxPoints, compiler.pointOrigin, {++compiler.patternPlacements, 0}};
    int refused = 0;
    int result = 0;
    for (int i = 0; i < compiler.numRptPointsDefined; ++i) {
        if (!std::isfinite(compiler.rptPointList[i].x + x) || !std::isfinite(compiler.rptPointList[i].y + y)) {
            ++refused;
            continue;
        }
        recipePointStruct entry = compiler.rptPointList[i];
        entry.x += x;
        entry.y += y;
        entry.options = 0;
        const bool room = runList.append(entry);
        diagEntry(entry);
        if (!room) {
            result = -1;
            break;
        }
    }
    if (refused > 0)
        Ptx::diag(QStringLiteral("  PT refused: %1 pattern entries not at a finite position").arg(refused));
    return result;
}

int KelInterface::AddFiltPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    if (compiler.repeatDefining) {
        AddFiltRptPoint(f1pos, f2pos, f1move, f2move, shopt, fmacro);
        return 0;
    }
    if (compiler.macroDefining) {
        AddFiltMacroPoint(f1pos, f2pos, f1move, f2move, shopt, fmacro);
        return 0;
    }
    EntryList runList{compiler.pointList, compiler.numPointsDefined, MaxPoints, compiler.pointOrigin};
    if (fmacro) {
        if (!compiler.macroDefined)
            return 0;
        runList.origin.macro = ++compiler.macroInsertions;
        return insertMacro(compiler.fmacroPointList, compiler.numMacroPointsDefined, runList, true) ? 0 : -1;
    }
    const recipePointStruct entry = filterEntry(f1pos, f2pos, f1move, f2move, shopt, false, 0.0, compiler.curFDelay);
    const bool room = runList.append(entry);
    diagFilter(entry);
    return room ? 0 : -1;
}

int KelInterface::AddRptPoint(double x, double y, double z, bool zmove)
{
    const recipePointStruct entry = motionEntry(x, y, z, zmove, compiler.rptSpeedXY, compiler.rptSpeedZ, compiler.rptDelay);
    return EntryList{compiler.rptPointList, compiler.numRptPointsDefined, MaxRptPoints}.append(entry) ? 0 : -1;
}

int KelInterface::AddFiltRptPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    const EntryList pattern{compiler.rptPointList, compiler.numRptPointsDefined, MaxRptPoints};
    if (fmacro) {
        if (!compiler.macroDefined)
            return 0;
        return insertMacro(compiler.fmacroPointList, compiler.numMacroPointsDefined, pattern, false) ? 0 : -1;
    }
    const recipePointStruct entry = filterEntry(f1pos, f2pos, f1move, f2move, shopt, false, compiler.rptDelay, compiler.curFDelay);
    return pattern.append(entry) ? 0 : -1;
}

int KelInterface::AddFiltMacroPoint(int f1pos, int f2pos, bool f1move, bool f2move, unsigned int shopt, bool fmacro)
{
    Q_UNUSED(fmacro);   // a macro never holds a macro insertion
    const recipePointStruct entry = filterEntry(f1pos, f2pos, f1move, f2move, shopt, false, compiler.curDelay, compiler.curFDelay);
    return EntryList{compiler.fmacroPointList, compiler.numMacroPointsDefined, MaxMacroPoints}.append(entry) ? 0 : -1;
}

void KelInterface::listCompiledEntries()
{
    Ptx::diag(QStringLiteral("Total Points Defined:%1\n").arg(compiler.numPointsDefined));
    Ptx::diag(QStringLiteral("Total Rep Points Defined:%1").arg(compiler.numRptPointsDefined));
    Ptx::diag(QStringLiteral("Macro List:"));
    for (int i = 0; i < compiler.numMacroPointsDefined; ++i)
        Ptx::diag(listLine(compiler.fmacroPointList[i]));
    Ptx::diag(QStringLiteral("Repeat List:"));
    for (int i = 0; i < compiler.numRptPointsDefined; ++i)
        Ptx::diag(listLine(compiler.rptPointList[i]));
    Ptx::diag(QStringLiteral("Points List:"));
    for (int i = 0; i < compiler.numPointsDefined; ++i)
        Ptx::diag(listLine(compiler.pointList[i]));
}
