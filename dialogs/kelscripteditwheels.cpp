// Teach wizards of the filter wheels and shutters (F1MOVE, F2MOVE, FMOVE, SHOPEN, SHCLOSE,
// SHEXP, SCTRL): the operator picks a value with PREV and NEXT, tries it out on the
// hardware with GOTO and takes it with STORE.
#include "dialogs/kelscriptedit.h"

#include "controller/kelinterface.h"
#include "dialogs/singlechoice.h"

namespace {

constexpr int FirstWheel = 1;
constexpr int SecondWheel = 2;
constexpr int FirstShutter = 1;
constexpr int LastShutter = Ptx::ShutterCount;
// The wizard's choice that sends a single wheel home.
constexpr int WheelHomeChoice = 0;
// FMOVE: 0 leaves a wheel where it is, -1 sends it home.
constexpr int WheelNoMove = 0;
constexpr int WheelToHome = -1;
// Shutter commands and SCTRL codes: 0 close, 1 open, 2 expose, 3 leave the shutter as it is.
constexpr int ShutterClose = 0;
constexpr int ShutterOpen = 1;
constexpr int ShutterExpose = 2;
constexpr int ShutterLeave = 3;

const SingleChoice Wheel1Choice = {"Select Filter Whee1 #1 Move:",
                                   "Enter Wheel #1 Move Pos (0-Home):", "F1MOVE", WheelHomeChoice,
                                   "0-HOME"};
const SingleChoice Wheel2Choice = {"Select Filter Whee1 #2 Move:",
                                   "Enter Wheel 21 Move Pos (0-Home):", "F2MOVE", WheelHomeChoice,
                                   "0-HOME"};
const SingleChoice OpenChoice = {"Select Shutter To Open (1-3):", "Select Shutter to Open (1-3):",
                                 "SHOPEN", FirstShutter, nullptr};
const SingleChoice CloseChoice = {"Select Shutter To Close (1-3):",
                                  "Select Shutter to Close (1-3):", "SHCLOSE", FirstShutter, nullptr};
const SingleChoice ExposeChoice = {"Select Shutter To Expose (1-3):",
                                   "Select Shutter to Expose (1-3):", "SHEXP", FirstShutter, nullptr};

// The label of an SCTRL code: seven characters each, trailing blanks kept.
QString shutterLabel(int code)
{
    static const QString labels = QStringLiteral("0-CLOSE1-OPEN 2-EXP  3-NO   ");
    constexpr int LabelWidth = 7;
    return labels.mid(LabelWidth * code, LabelWidth);
}

} // namespace

void KelScriptEdit::teachChoice(const SingleChoice &choice, long highest,
                                const std::function<void()> &tryOut, int cmd)
{
    const QString line = QStringLiteral("%1 %2").arg(QLatin1String(choice.keyword));
    switch (cmd) {
    case TEACH_IDLE:
        showStep(QString::fromLatin1(choice.prompt));
        break;
    case TEACH_GOTO:
        tryOut();
        break;
    case TEACH_PREV:
        pt1x = stepWithin(pt1x, -1, choice.lowest);
        showLine(pt1x == choice.lowest && choice.lowestText
                     ? line.arg(QLatin1String(choice.lowestText))
                     : line.arg(pt1x));
        break;
    case TEACH_NEXT:
        pt1x = stepWithin(pt1x, 1, INT_MIN, highest);
        showLine(line.arg(pt1x));
        break;
    case TEACH_STORE:
        finish(line.arg(pt1x));
        break;
    case TEACH_ENTER:
        askInt(QString::fromLatin1(choice.keypad), &pt1x);
        finish(line.arg(pt1x));
        break;
    default:
        break;
    }
}

void KelScriptEdit::handleF1Move(int cmd)
{
    teachChoice(Wheel1Choice, kel()->getFWnumPos(FirstWheel),
                [this] { kel()->moveFW(FirstWheel, pt1x); }, cmd);
}

void KelScriptEdit::handleF2Move(int cmd)
{
    teachChoice(Wheel2Choice, kel()->getFWnumPos(SecondWheel),
                [this] { kel()->moveFW(SecondWheel, pt1x); }, cmd);
}

// GOTO works the chosen shutter; a typed shutter number the controller does not have is
// not sent.
void KelScriptEdit::handleShOpen(int cmd)
{
    teachChoice(OpenChoice, LastShutter, [this] { tryShutter(pt1x, ShutterOpen); }, cmd);
}

void KelScriptEdit::handleShClose(int cmd)
{
    teachChoice(CloseChoice, LastShutter, [this] { tryShutter(pt1x, ShutterClose); }, cmd);
}

void KelScriptEdit::handleShExp(int cmd)
{
    teachChoice(ExposeChoice, LastShutter, [this] { tryShutter(pt1x, ShutterExpose); }, cmd);
}

void KelScriptEdit::tryShutter(int shutter, int state)
{
    if (shutter >= FirstShutter && shutter <= LastShutter && state >= ShutterClose
        && state <= ShutterExpose)
        kel()->ctrlShutter(shutter, state);
}

void KelScriptEdit::handleFMove(int cmd)
{
    // Step 0 picks wheel 1, step 1 wheel 2; step 2 is the finished line.
    const bool firstWheel = subState == 0;
    int &value = firstWheel ? pt1x : pt2x;
    const int wheel = firstWheel ? FirstWheel : SecondWheel;
    const QString line = QStringLiteral("FMOVE %1,%2");
    switch (cmd) {
    case TEACH_IDLE:
        if (subState == 0)
            showStep(QStringLiteral("Select Filter Whee1 #1 Move:"));
        else if (subState == 1)
            showStep(QStringLiteral("Select Filter Wheel #2 Move:"));
        break;
    case TEACH_GOTO:
        if (pt1x != WheelNoMove && pt2x != WheelNoMove) {
            kel()->moveFWboth(pt1x, pt2x);
        } else {
            if (pt1x != WheelNoMove)
                kel()->moveFW(FirstWheel, pt1x);
            if (pt2x != WheelNoMove)
                kel()->moveFW(SecondWheel, pt2x);
        }
        break;
    case TEACH_PREV:
        if (subState > 1)
            break;
        value = stepWithin(value, -1, WheelToHome);
        if (value == WheelNoMove)
            showLine(firstWheel ? QStringLiteral("FMOVE 0-NONE,%1").arg(pt2x)
                                : QStringLiteral("FMOVE %1,0-NONE").arg(pt1x));
        else if (value == WheelToHome)
            showLine(firstWheel ? QStringLiteral("FMOVE -1-HOME,%1").arg(pt2x)
                                : QStringLiteral("FMVOE %1,-1-HOME").arg(pt1x));
        else
            showLine(line.arg(pt1x).arg(pt2x));
        break;
    case TEACH_NEXT:
        if (subState > 1)
            break;
        value = stepWithin(value, 1, INT_MIN, kel()->getFWnumPos(wheel));
        showLine(line.arg(pt1x).arg(pt2x));
        break;
    case TEACH_STORE:
        takeChoice(line.arg(pt1x).arg(pt2x), Ptx::WheelCount);
        break;
    case TEACH_ENTER:
        askInt(QStringLiteral("Enter Wheel #1 Move Pos (0-No Move, -1-Home):"), &pt1x);
        askInt(QStringLiteral("Enter Wheel #2 Move Pos (0-No Move, -1-Home):"), &pt2x);
        finish(line.arg(pt1x).arg(pt2x));
        break;
    default:
        break;
    }
}

void KelScriptEdit::handleSCtrl(int cmd)
{
    static const char *const prompts[Ptx::ShutterCount] = {
        "Select Shutter #1 Control:", "Select Shutter #2 Control:", "Select Shutter #3 Control:"};
    static const char *const keypads[Ptx::ShutterCount] = {
        "Enter Sh #1: (0-CL, 1-OP, 2-EXP, 3-No Move):",
        "Enter Sh #2: (0-CL, 1-OP, 2-EXP, 3-No Move):",
        "Enter Sh #3: (0-CL, 1-OP, 2-EXP, 3-No Move):"};
    int *const codes[Ptx::ShutterCount] = {&pt1x, &pt2x, &pt1y};
    const QString line = QStringLiteral("SCTRL %1,%2,%3");
    const bool picking = subState >= 0 && subState < Ptx::ShutterCount;
    switch (cmd) {
    case TEACH_IDLE:
        if (picking)
            showStep(QString::fromLatin1(prompts[subState]));
        break;
    case TEACH_GOTO:
        // Only the codes that command a shutter are sent; anything else leaves it alone,
        // as a run does.
        for (int i = 0; i < Ptx::ShutterCount; ++i)
            tryShutter(FirstShutter + i, *codes[i]);
        break;
    case TEACH_PREV:
    case TEACH_NEXT: {
        if (!picking)
            break;
        for (int *code : codes)
            if (*code < 0 || *code > ShutterLeave)
                *code = ShutterLeave;
        int &code = *codes[subState];
        if (cmd == TEACH_PREV)
            code = qMax(code - 1, 0);
        else if (subState == 0)
            code = qMin(code + 1, ShutterLeave);
        else
            code = code == ShutterLeave ? 0 : code + 1;
        showLine(QStringLiteral("SCTRL %1,%2,%3")
                     .arg(shutterLabel(pt1x), shutterLabel(pt2x), shutterLabel(pt1y)));
        break;
    }
    case TEACH_STORE:
        takeChoice(line.arg(pt1x).arg(pt2x).arg(pt1y), Ptx::ShutterCount);
        break;
    case TEACH_ENTER:
        for (int i = 0; i < Ptx::ShutterCount; ++i)
            askInt(QString::fromLatin1(keypads[i]), codes[i]);
        finish(line.arg(pt1x).arg(pt2x).arg(pt1y));
        break;
    default:
        break;
    }
}
