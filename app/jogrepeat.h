// JogRepeat: paces a jog button held down, so that a held button queues its next step only
// once the controller has been sent the last one, and the finger leaving it withdraws the
// step not yet sent.
#pragma once

#include <QObject>

#include <functional>

class QAbstractButton;
class KelInterface;

class JogRepeat : public QObject
{
    Q_OBJECT

public:
    // step queues one jog step and returns its command-buffer index. The object becomes a
    // child of the button.
    JogRepeat(QAbstractButton *button, KelInterface *kel, std::function<int()> step);

    // The button was clicked: by a tap, by the auto-repeat while held, or by the finger
    // leaving a held button (which asks for nothing more).
    void clicked();

private:
    void pressed();
    void released();

    QAbstractButton *button;
    KelInterface *kel;
    std::function<int()> step;
    int lastStep;
    bool held = false;          // the auto-repeat has fired since the press
    bool swallowClick = false;  // the click that ends a held press queues nothing
};
