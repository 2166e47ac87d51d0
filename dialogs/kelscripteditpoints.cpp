// Teach wizards of single points and point pairs (POINT, DEFREP, ZPOINT, ALIGN, INCR), and
// the walk through a point wizard's steps that every point, path and pattern wizard shares.
#include "dialogs/kelscriptedit.h"

#include "controller/kelinterface.h"
#include "dialogs/pointwizard.h"

using T = TeachValues;

void KelScriptEdit::teachPoints(const PointWizard &w, int cmd)
{
    TeachValues &v = *this;
    const int last = int(w.points.size()) - 1;
    switch (cmd) {
    case TEACH_IDLE:
        if (subState <= last) {
            showStep(QString::fromLatin1(w.points[subState].prompt));
        } else if (w.askStep > 0 && subState == w.askStep) {
            showStep(QString::fromLatin1(w.askText));
            for (const TeachAsk &ask : w.asks)
                askReal(QString::fromLatin1(ask.prompt), &(v.*ask.slot));
            subState = w.askStep + 1;
            curLine = realLine(w.format, w.fields);
            if (w.endMove)
                writeBack(true, v.*w.points[1].x, v.*w.points[1].y);
            else
                finish();
        }
        break;
    case TEACH_GOTO:
        if (subState <= last && kel()) {
            const TeachPoint &p = w.points[subState];
            if (p.y)
                moveToPoint(v.*p.x, v.*p.y);
            else
                kel()->moveZTo(v.*p.x);
        }
        break;
    case TEACH_PREV:
        if (subState == 0 || (last == 0 && w.askStep == 0))
            break;
        subState = subState > last ? last : subState - 1;
        teachPoints(w, TEACH_IDLE);
        break;
    case TEACH_NEXT:
        if (subState < last)
            ++subState;
        else if (subState == last && w.askStep > 0)
            subState = w.askStep;
        else
            break;
        teachPoints(w, TEACH_IDLE);
        break;
    case TEACH_STORE: {
        if (subState > last)
            break;
        const TeachPoint &p = w.points[subState];
        if (p.y) {
            v.*p.x = xpos;
            v.*p.y = ypos;
        } else {
            v.*p.x = zpos;
        }
        ++subState;
        if (w.showAfterStore)
            showLine(realLine(w.format, w.fields));
        if (subState <= last) {
            teachPoints(w, TEACH_IDLE);
        } else if (w.afterPoints) {
            w.afterPoints(v);
            finish(realLine(w.format, w.fields));
        } else if (w.askStep > 0) {
            subState = w.askStep;
            teachPoints(w, TEACH_IDLE);
        } else {
            finish(realLine(w.format, w.fields));
        }
        break;
    }
    case TEACH_ENTER:
        for (const TeachAsk &ask : w.enter)
            askReal(QString::fromLatin1(ask.prompt), &(v.*ask.slot));
        finish(realLine(w.format, w.fields));
        break;
    default:
        break;
    }
}

void KelScriptEdit::handlePoint(int cmd)
{
    static const PointWizard wizard{
        {{"Move Stage to point to be stored", &T::fpt1x, &T::fpt1y}},
        0, nullptr, {},
        {{"Enter X Position", &T::fpt1x}, {"Enter Y Position", &T::fpt1y}},
        "POINT %1,%2", {&T::fpt1x, &T::fpt1y}};
    teachPoints(wizard, cmd);
}

void KelScriptEdit::handleDefRep(int cmd)
{
    static const PointWizard wizard{
        {{"Move Stage to Reference Point", &T::fpt1x, &T::fpt1y}},
        0, nullptr, {},
        {{"Enter X Position for Ref", &T::fpt1x}, {"Enter Y Position for Ref", &T::fpt1y}},
        "DEFREP %1,%2", {&T::fpt1x, &T::fpt1y}};
    teachPoints(wizard, cmd);
}

void KelScriptEdit::handleZpoint(int cmd)
{
    static const PointWizard wizard{
        {{"Move Focus to Point to be Stored", &T::fpt1x, nullptr}},
        0, nullptr, {},
        {{"Enter Z Position", &T::fpt1x}},
        "ZPOINT %1", {&T::fpt1x}};
    teachPoints(wizard, cmd);
}

void KelScriptEdit::handleAlign(int cmd)
{
    static const PointWizard wizard{
        {{"Move Stage to 1st Alignment Point", &T::fpt1x, &T::fpt1y},
         {"Move Stage to 2nd Alignment Point", &T::fpt2x, &T::fpt2y}},
        0, nullptr, {},
        {{"Enter 1st Align X Position", &T::fpt1x}, {"Enter 1st Align Y Position", &T::fpt1y},
         {"Enter 2nd Align X Position", &T::fpt2x}, {"Enter 2nd Align Y Position", &T::fpt2y}},
        "ALIGN %1,%2,%3,%4", {&T::fpt1x, &T::fpt1y, &T::fpt2x, &T::fpt2y}};
    teachPoints(wizard, cmd);
}

namespace {

// The increment is the distance from the start point to the increment point.
void incrementFromPoints(TeachValues &v)
{
    v.fpt1x = v.fpt3x - v.fpt2x;
    v.fpt1y = v.fpt3y - v.fpt2y;
}

// Its keypads are typed at step 3; step 2 is the line finished by the second STORE.
constexpr int IncrAskStep = 3;

} // namespace

void KelScriptEdit::handleIncr(int cmd)
{
    static const PointWizard wizard{
        {{"Move Stage to Start Point", &T::fpt2x, &T::fpt2y},
         {"Move Stage to Increment Point", &T::fpt3x, &T::fpt3y}},
        IncrAskStep, "Enter X Incr Distance in mm",
        {{"Enter X Incr Distance in mm", &T::fpt1x}, {"ENTER Y Incr Distance in mm", &T::fpt1y}},
        {{"Enter X Increment in mm", &T::fpt1x}, {"Enter Y Increment in mm", &T::fpt1y}},
        "INCR %1,%2", {&T::fpt1x, &T::fpt1y},
        false, false, incrementFromPoints};
    teachPoints(wizard, cmd);
}
