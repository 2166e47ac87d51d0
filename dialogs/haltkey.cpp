#include "dialogs/haltkey.h"

#include <QPointer>

namespace {

// A dialog's HALT key looks like the main screen's: red, and large enough for a finger.
const char *const HaltKeyStyle =
    "QPushButton { background-color: rgb(255,0,0); border-style: outset; border-width: 2px;"
    " border-radius: 10px; border-color: beige; font: bold 14px; }"
    "QPushButton:pressed { background-color: rgb(255,255,0); border-style: inset; }";
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
    setStyleSheet(QString::fromLatin1(HaltKeyStyle));
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
