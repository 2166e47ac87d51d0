// Teach wizards of times and speeds (DELAY, FDELAY, EXPTIM, SPEEDXY, SPEEDZ): values are
// stepped with PREV and NEXT or typed on the keypad.
#include "dialogs/kelscriptedit.h"

#include "controller/protocol.h"

#include <cmath>

namespace {

// PREV and NEXT step a delay by these, and raise it no further than the limit.
constexpr int DelayStep = 500;
constexpr int FDelayStep = 50;
constexpr int DelayLimit = 50000;
// An exposure is stepped by 50 ms between 50 ms and the limit.
constexpr int ExposureStep = 50;
constexpr int ExposureFloor = 50;
constexpr int ExposureLimit = 50000;
// The shutter is picked first, then the exposure.
constexpr int ExposureSteps = 2;
constexpr int FirstShutter = 1;
constexpr int LastShutter = Ptx::ShutterCount;

struct SpeedTexts {
    const char *format;
    const char *idle;
    const char *stepText;
    const char *keypad;
    const char *enterKeypad;   // ENTER's own keypad; none: ENTER works as STORE
};

const SpeedTexts StageSpeed = {"SPEEDXY %1", "Press STORE to enter stage Speed",
                               "Enter Desired Stage speed in mm/sed",
                               "Enter Stage speed in mm/sec", nullptr};
const SpeedTexts FocusSpeed = {"SPEEDZ %1", "Press STORE to enter focus Speed",
                               "Enter Desired Stage focus in steps/sec",
                               "Enter Stage speed in steps/sec", "Enter Z Speed in steps/sec"};

} // namespace

void KelScriptEdit::teachDelay(const char *keyword, int step, int cmd)
{
    const QString line = QStringLiteral("%1 %2").arg(QLatin1String(keyword));
    switch (cmd) {
    case TEACH_IDLE:
        showStep(QStringLiteral("Select Desired Delay in mS"));
        break;
    case TEACH_PREV:
        if (pt1x != 0)
            pt1x = stepWithin(pt1x, -step, 0);
        if (pt1x < 1) {
            pt1x = 0;
            showLine(line.arg(QLatin1String("0-INF")));
        } else {
            showLine(line.arg(pt1x));
        }
        break;
    case TEACH_NEXT:
        if (pt1x < DelayLimit)
            pt1x += step;
        showLine(line.arg(pt1x));
        break;
    case TEACH_STORE:
        // The line as shown, so an unlimited delay keeps its label.
        finish();
        break;
    case TEACH_ENTER:
        askInt(QStringLiteral("Enter Delay in mS"), &pt1x);
        finish(line.arg(pt1x));
        break;
    default:
        break;
    }
}

void KelScriptEdit::handleDelay(int cmd)
{
    teachDelay("DELAY", DelayStep, cmd);
}

void KelScriptEdit::handleFDelay(int cmd)
{
    teachDelay("FDELAY", FDelayStep, cmd);
}

void KelScriptEdit::handleExpTim(int cmd)
{
    // Step 0 picks the shutter, step 1 the exposure; step 2 is the finished line.
    const QString line = QStringLiteral("EXPTIM %1,%2");
    switch (cmd) {
    case TEACH_IDLE:
        if (subState == 0)
            showStep(QStringLiteral("Select Shutter Number 1-3"));
        else if (subState == 1)
            showStep(QStringLiteral("Select Desired Exposure in mS"));
        break;
    case TEACH_PREV:
        if (subState == 0)
            pt1x = stepWithin(pt1x, -1, FirstShutter);
        else if (subState == 1)
            pt2x = stepWithin(pt2x, -ExposureStep, ExposureFloor);
        showLine(line.arg(pt1x).arg(pt2x));
        break;
    case TEACH_NEXT:
        if (subState == 0)
            pt1x = stepWithin(pt1x, 1, INT_MIN, LastShutter);
        else if (subState == 1 && pt2x < ExposureLimit)
            pt2x += ExposureStep;
        showLine(line.arg(pt1x).arg(pt2x));
        break;
    case TEACH_STORE:
        takeChoice(line.arg(pt1x).arg(pt2x), ExposureSteps);
        break;
    case TEACH_ENTER:
        askInt(QStringLiteral("Enter Shutter Number 1-3"), &pt1x);
        askInt(QStringLiteral("Enter Exposure time in ms"), &pt2x);
        finish(line.arg(pt1x).arg(pt2x));
        break;
    default:
        break;
    }
}

void KelScriptEdit::teachSpeed(bool stage, int cmd)
{
    const SpeedTexts &t = stage ? StageSpeed : FocusSpeed;
    const std::vector<RealSlot> fields = {&TeachValues::fpt1x};
    // The focus speed is a whole step rate: a typed fraction is written rounded.
    const auto speedLine = [&] {
        if (!stage)
            fpt1x = std::round(fpt1x);
        return realLine(t.format, fields);
    };
    switch (cmd) {
    case TEACH_IDLE:
        if (subState == 0) {
            showStep(QString::fromLatin1(t.idle));
        } else if (subState == 1) {
            showStep(QString::fromLatin1(t.stepText));
            double typed = fpt1x;
            // The speed is kept at the precision the controller's settings use.
            if (askReal(QString::fromLatin1(t.keypad), &typed))
                fpt1x = static_cast<double>(static_cast<float>(typed));
            finish(speedLine());
        }
        break;
    case TEACH_ENTER:
        if (t.enterKeypad) {
            askReal(QString::fromLatin1(t.enterKeypad), &fpt1x);
            finish(speedLine());
            break;
        }
        [[fallthrough]];
    case TEACH_STORE:
        if (subState != 0)
            break;
        showLine(speedLine());
        subState = 1;
        teachSpeed(stage, TEACH_IDLE);
        break;
    default:
        break;
    }
}

void KelScriptEdit::handleSpeed(int cmd)
{
    teachSpeed(true, cmd);
}

void KelScriptEdit::handleZspeed(int cmd)
{
    teachSpeed(false, cmd);
}
