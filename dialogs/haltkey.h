// HaltKey: the red HALT key every dialog of the panel carries, so that one tap halts the
// controller and stops the run while the dialog holds the screen.
#pragma once

#include <QPushButton>

#include <functional>

class HaltKey : public QPushButton
{
    Q_OBJECT

public:
    explicit HaltKey(QWidget *parent = nullptr);

    // What every HALT key does: the main screen hands in its own HALT. The action is dropped
    // when its owner is destroyed; until one is set the key does nothing.
    static void setAction(QObject *owner, std::function<void()> action);
    // Runs the action now, as a tap on any HALT key does.
    static void halt();
};
