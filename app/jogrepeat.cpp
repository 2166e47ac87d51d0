#include "app/jogrepeat.h"

#include "controller/kelinterface.h"

#include <QAbstractButton>

// While a button auto-repeats it stays down and sends released, clicked and pressed in turn
// at every repeat; only the finger leaving it (or sliding off) sends released with the
// button up, followed by clicked when the finger was still on the button.
JogRepeat::JogRepeat(QAbstractButton *button, KelInterface *kel, std::function<int()> step)
    : QObject(button), button(button), kel(kel), step(std::move(step)), lastStep(Ptx::NotQueued)
{
    connect(button, &QAbstractButton::pressed, this, &JogRepeat::pressed);
    connect(button, &QAbstractButton::released, this, &JogRepeat::released);
}

void JogRepeat::pressed()
{
    if (!held)
        swallowClick = false;
}

void JogRepeat::released()
{
    if (button->isDown())
        return;
    if (held) {
        kel->withdrawCommand(lastStep);
        swallowClick = true;
    }
    held = false;
}

void JogRepeat::clicked()
{
    if (button->isDown()) {
        held = true;
        if (kel->isCommandDone(lastStep))
            lastStep = step();
        return;
    }
    if (swallowClick) {
        swallowClick = false;
        return;
    }
    lastStep = step();
}
