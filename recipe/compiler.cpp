// The recipe compiler: turns the recipe lines into the run list, the repeat pattern and
// the macro, one line at a time.
#include "controller/kelinterface.h"
#include "controller/diagnostics.h"
#include "recipe/diagtext.h"
#include "recipe/recipeline.h"
#include "recipe/runnerentrykind.h"

#include <algorithm>
#include <cmath>

using Ptx::RecipeCommand;

namespace {

// ALIGN's reference points before a recipe sets them.
constexpr double DefaultAlignPoint2X = 10000.0;

// Shutter option words.
using Ptx::ShutterCount;
constexpr unsigned int ExposureBit = 256;   // bit 8 for shutter 1, 9 and 10 for 2 and 3
constexpr int ExposureShift = 16;
constexpr qint32 MaxExposureMs = 65535;
constexpr unsigned int OpenWords[ShutterCount] = {61, 55, 31};
constexpr unsigned int CloseWords[ShutterCount] = {60, 51, 15};
constexpr unsigned int ExposeWords[ShutterCount] = {62, 59, 47};

// Lines listed by compileProblems(); further problems are only counted.
constexpr int MaxListedProblems = 20;

// Shutter word of SHOPEN, SHCLOSE, SHEXP: outside 1 to 3, all three shutters close.
unsigned int shutterWord(const unsigned int (&words)[ShutterCount], qint32 shutter)
{
    return shutter >= 1 && shutter <= ShutterCount ? words[shutter - 1] : 0;
}

int shutterCode(qint32 code)
{
    return code >= Ptx::ShutterClose && code <= Ptx::ShutterKeep ? code : Ptx::ShutterKeep;
}

} // namespace

// Compiles for a run: the recipe's alignment points and jog increments come into force.
int KelInterface::ScanRecipe()
{
    const int result = compileRunList();
    runner.alignTaught = false;
    frame.AlnPoint1x = compiler.rcpAlnPoint1x;
    frame.AlnPoint1y = compiler.rcpAlnPoint1y;
    frame.AlnPoint2x = compiler.rcpAlnPoint2x;
    frame.AlnPoint2y = compiler.rcpAlnPoint2y;
    frame.xincr = compiler.rcpXIncr;
    frame.yincr = compiler.rcpYIncr;
    return result;
}

bool KelInterface::compileRecipe()
{
    if (runner.recipeRunning)
        return false;
    compileRunList();
    return true;
}

// ALIGN counts here; what the recipe sets is kept aside for a run to apply.
int KelInterface::compileRunList()
{
    compiler.teachAlign = false;
    compiler.rcpAlnPoint1x = 0.0;
    compiler.rcpAlnPoint1y = 0.0;
    compiler.rcpAlnPoint2x = DefaultAlignPoint2X;
    compiler.rcpAlnPoint2y = 0.0;
    compiler.rcpXIncr = settings.defxincr;
    compiler.rcpYIncr = settings.defyincr;
    compiler.scanRecipe = true;
    const int result = ProcessRecipe();
    compiler.scanRecipe = false;
    return result;
}

void KelInterface::resetCompileState()
{
    compiler.reset(settings.speedXY, settings.speedZ);
    runner.curPoint = 0;
}

int KelInterface::ProcessRecipe()
{
    resetCompileState();
    if (compiler.recipe.isEmpty())
        return 0;
    int result = 0;
    for (const QString &line : std::as_const(compiler.recipe)) {
        compiler.procLine = line;
        if (!compiler.procLine.isEmpty())
            result = ProcessLine();
        ++compiler.curLineProcessing;
        if (result < 0)
            return result;
    }
    listCompiledEntries();
    runner.curPoint = 0;
    return result;
}

void KelInterface::noteCompileProblem(const QString &reason)
{
    if (compiler.compileProblemLines.size() < MaxListedProblems)
        compiler.compileProblemLines.append(QStringLiteral("RECIPE LINE %1: %2").arg(compiler.curLineProcessing + 1).arg(reason));
    else
        ++compiler.compileProblemsUnlisted;
}

// A line that adds nothing and changes nothing; the compile goes on.
void KelInterface::rejectLine(const QString &reason)
{
    Ptx::diag(QStringLiteral("LINE:%1 ---SKIPPED, RECIPE LINE %2: %3---")
                  .arg(compiler.procLine).arg(compiler.curLineProcessing + 1).arg(reason));
    noteCompileProblem(reason);
}

QStringList KelInterface::compileProblems() const
{
    QStringList lines = compiler.compileProblemLines;
    if (compiler.compileProblemsUnlisted > 0)
        lines.append(QStringLiteral("RECIPE: %1 MORE LINES SKIPPED").arg(compiler.compileProblemsUnlisted));
    return lines;
}

int KelInterface::compiledPointCount() const
{
    return compiler.numPointsDefined;
}

recipePointStruct KelInterface::compiledPoint(int index) const
{
    if (index < 0 || index >= compiler.numPointsDefined)
        return recipePointStruct();
    return compiler.pointList[index];
}

Ptx::EntryOrigin KelInterface::compiledOrigin(int index) const
{
    if (index < 0 || index >= compiler.numPointsDefined)
        return Ptx::EntryOrigin();
    return compiler.pointOrigin[index];
}

int KelInterface::compiledPatternCount() const
{
    return compiler.numRptPointsDefined;
}

int KelInterface::compiledMacroCount() const
{
    return compiler.numMacroPointsDefined;
}

bool KelInterface::compiledAlign() const
{
    return compiler.teachAlign;
}

int KelInterface::ProcessLine()
{
    QStringView args;
    const RecipeCommand command = Ptx::recipeCommand(compiler.procLine, &args);
    // ALIGN counts only when compiling for a run.
    if (command == RecipeCommand::None || (command == RecipeCommand::Align && !compiler.scanRecipe)) {
        Ptx::DiagText unknown;
        Ptx::diag(Ptx::lineEcho(compiler.procLine, unknown.text("---UNKNOWN COMMAND---")));
        return 0;
    }
    double f[Ptx::MaxRecipeFields] = {};
    switch (Ptx::readRecipeFields(command, args, f)) {
    case Ptx::RecipeFieldStatus::Missing:
        rejectLine(QStringLiteral("%1 FIELDS MISSING").arg(Ptx::recipeKeyword(command)));
        return 0;
    case Ptx::RecipeFieldStatus::NotFinite:
        rejectLine(QStringLiteral("%1 NUMBER NOT FINITE").arg(Ptx::recipeKeyword(command)));
        return 0;
    case Ptx::RecipeFieldStatus::Ok:
        break;
    }
    Ptx::DiagText e;
    const auto echo = [this, &e] { Ptx::diag(Ptx::lineEcho(compiler.procLine, e)); };
    const auto n = [&f](int i) { return static_cast<qint32>(f[i]); };

    switch (command) {
    case RecipeCommand::Point:
        compiler.takePoints(f, 2);
        e.text(" POINT ").generalList(f, 2);
        echo();
        AddPoint(f[0], f[1], 0.0, false);
        break;
    case RecipeCommand::PointZ:
        compiler.fpt1x = f[0];
        e.text(" POINTZ ").general(f[0]).text(",0");
        echo();
        AddPoint(0.0, 0.0, f[0], true);
        break;
    case RecipeCommand::Delay:
        (compiler.repeatDefining ? compiler.rptDelay : compiler.curDelay) = n(0);
        e.text(" DELAY set to ").decimal(n(0));
        echo();
        break;
    case RecipeCommand::FDelay:
        // The editor's lowest choice, "0-INF", is a pause held until the operator resumes,
        // as any pause too short to be timed is; a plain 0 adds no pause.
        if (Ptx::isHoldLabel(args)) {
            e.text(" FDELAY set to 0-INF");
            echo();
            AddFiltPoint(0, 0, false, false, Ptx::PauseWord, false);
            break;
        }
        e.text(" FDELAY set to ").decimal(n(0));
        echo();
        compiler.curFDelay = n(0);
        if (compiler.curFDelay > 0)
            AddFiltPoint(0, 0, false, false, Ptx::PauseWord, false);
        compiler.curFDelay = 0;
        break;
    case RecipeCommand::ExpTim: {
        const qint32 shutter = n(0) >= 1 && n(0) <= ShutterCount ? n(0) : 1;
        // The time has 16 bits in the option word.
        const qint32 ms = std::clamp(n(1), 0, MaxExposureMs);
        e.text(" EXPTIM ").decimal(shutter).text(" set to ").decimal(ms);
        echo();
        AddFiltPoint(0, 0, false, false,
                     (ExposureBit << (shutter - 1)) | (static_cast<unsigned int>(ms) << ExposureShift), false);
        break;
    }
    case RecipeCommand::SpeedXY:
        (compiler.repeatDefining ? compiler.rptSpeedXY : compiler.curSpeedXY) = f[0];
        e.text(" SPEEDXY ").general(f[0]);
        echo();
        break;
    case RecipeCommand::SpeedZ: {
        // The focus speed is a whole step rate: a fraction is rounded to the nearest one.
        const double stepsPerSecond = std::round(f[0]);
        if (stepsPerSecond < 1.0) {
            rejectLine(QStringLiteral("SPEEDZ BELOW 1 STEP/SEC"));
            return 0;
        }
        (compiler.repeatDefining ? compiler.rptSpeedZ : compiler.curSpeedZ) = stepsPerSecond;
        e.text(" SPEEDZ ").general(stepsPerSecond);
        echo();
        break;
    }
    case RecipeCommand::Comb:
    case RecipeCommand::Raster: {
        const bool raster = command == RecipeCommand::Raster;
        compiler.takePoints(f, 6);
        e.text(raster ? " RASTER " : " COMB ").generalList(f, 6);
        echo();
        HandleComb(raster);
        break;
    }
    case RecipeCommand::Circle:
        return compileCircle(f, false);
    case RecipeCommand::Arc:
        return compileCircle(f, true);
    case RecipeCommand::Line:
        return compileLine(f);
    case RecipeCommand::DefRep:
        compiler.defrepx = f[0];
        compiler.defrepy = f[1];
        compiler.repeatDefining = true;
        e.text(" DEFREP ").generalList(f, 2);
        echo();
        break;
    case RecipeCommand::EndRep:
        compiler.repeatDefining = false;
        compiler.repeatDefined = true;
        compiler.repeatActive = true;
        e.text(" ENDREP");
        echo();
        AddPoint(compiler.defrepx, compiler.defrepy, 0.0, false);
        break;
    case RecipeCommand::ClrRep:
        compiler.repeatActive = false;
        e.text(" CLRREP");
        echo();
        break;
    case RecipeCommand::Align:
        compiler.rcpAlnPoint1x = f[0];
        compiler.rcpAlnPoint1y = f[1];
        compiler.rcpAlnPoint2x = f[2];
        compiler.rcpAlnPoint2y = f[3];
        compiler.teachAlign = true;
        e.text(" ALING ").generalList(f, 4);
        echo();
        break;
    case RecipeCommand::Incr:
        compiler.takePoints(f, 2);
        compiler.rcpXIncr = f[0];
        compiler.rcpYIncr = f[1];
        e.text(" INCR ").generalList(f, 2);
        echo();
        break;
    case RecipeCommand::DefMac:
        compiler.macroDefining = true;
        e.text(" DEFMAC");
        echo();
        break;
    case RecipeCommand::EndMac:
        compiler.macroDefining = false;
        compiler.macroDefined = true;
        e.text(" ENDMAC");
        echo();
        break;
    case RecipeCommand::FMacro:
        e.text(" FMAC");
        echo();
        AddFiltPoint(0, 0, false, false, 0, true);
        break;
    case RecipeCommand::FMove:
        e.text(" FMOVE ").decimal(n(0)).text(",").decimal(n(1));
        echo();
        AddFiltPoint(n(0), n(1), n(0) != 0, n(1) != 0, 0, false);
        break;
    case RecipeCommand::SCtrl: {
        const int c1 = shutterCode(n(0));
        const int c2 = shutterCode(n(1));
        const int c3 = shutterCode(n(2));
        e.text(" SCTRL ").decimal(c1).text(",").decimal(c2).text(",").decimal(c3);
        echo();
        AddFiltPoint(0, 0, false, false, static_cast<unsigned int>(c3 * 16 + c2 * 4 + c1), false);
        break;
    }
    case RecipeCommand::F1Move:
        e.text(" F1MOVE ").decimal(n(0));
        echo();
        AddFiltPoint(n(0), 0, true, false, 0, false);
        break;
    case RecipeCommand::F2Move:
        e.text(" F2MOVE ").decimal(n(0));
        echo();
        AddFiltPoint(0, n(0), false, true, 0, false);
        break;
    case RecipeCommand::ShOpen:
        e.text(" SHOPEN ").decimal(n(0));
        echo();
        AddFiltPoint(0, 0, false, false, shutterWord(OpenWords, n(0)), false);
        break;
    case RecipeCommand::ShClose:
        e.text(" SHCLOSE ").decimal(n(0));
        echo();
        AddFiltPoint(0, 0, false, false, shutterWord(CloseWords, n(0)), false);
        break;
    case RecipeCommand::ShExp:
        e.text(" SHEXP ").decimal(n(0));
        echo();
        AddFiltPoint(0, 0, false, false, shutterWord(ExposeWords, n(0)), false);
        break;
    case RecipeCommand::None:
        break;
    }
    return 0;
}
