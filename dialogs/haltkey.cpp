#include "dialogs/haltkey.h"

#include <QPointer>

namespace {

// Large enough for a finger; the panel's style sheet makes it red like the main screen's HALT.
constexpr int MinimumWidth = 70;
constexpr int MinimumHeight = 44;

struct HaltAction {
    QPointer<QObject> owner;
    std::function<void()> run;
};

HaltAction &haltAction()
{
    static HaltAction action;
    return action;
}

} // namespace

HaltKey::HaltKey(QWidget *parent)
    : QPushButton(QStringLiteral("HALT"), parent)
{
    setObjectName(QStringLiteral("butHalt"));
    setProperty("role", QStringLiteral("halt"));
    setMinimumSize(MinimumWidth, MinimumHeight);
    setFocusPolicy(Qt::NoFocus);
    // Never the default button: ENTER on a dialog must not halt.
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &HaltKey::halt);
}

void HaltKey::setAction(QObject *owner, std::function<void()> action)
{
    haltAction() = {owner, std::move(action)};
}

void HaltKey::halt()
{
    const HaltAction &action = haltAction();
    if (action.owner && action.run)
        action.run();
}
