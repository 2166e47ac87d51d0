// ModalDriver: answers the modal dialogs a command opens, one scripted step per dialog, so
// that keypad sequences and other dialogs run offscreen without an operator.
#pragma once

#include "dialogs/numinputbox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include <functional>

// Presses the keypad's keys: "0"-"9", "." , "-" for +/-, "<" for BKSP. False on a key the
// keypad lacks.
inline bool typeKeys(NumInputBox &box, const QString &keys)
{
    static const QHash<QChar, QString> named{{'.', "butPt"}, {'-', "butNeg"}, {'<', "butBksp"}};
    for (QChar key : keys) {
        QPushButton *b = box.findChild<QPushButton *>(key.isDigit() ? QStringLiteral("butDig") + key : named.value(key, "?"));
        if (!b)
            return false;
        b->click();
    }
    return true;
}

class ModalDriver : public QObject
{
public:
    ModalDriver()
    {
        connect(&poll, &QTimer::timeout, this, &ModalDriver::answer);
        poll.start(PollMs);
    }

    // The next dialog is the keypad: type the keys, then press OK or Cancel.
    void keypad(const QString &keys, bool accept = true)
    {
        on<NumInputBox>([this, keys, accept](NumInputBox &box) {
            if (!typeKeys(box, keys))
                problems << QStringLiteral("bad keys %1").arg(keys);
            auto *buttons = box.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
    }
    // The next dialog is a T: hand it to the action, which closes it, or queues a tap that
    // opens a dialog of its own (the driver then waits for that one before it answers this
    // dialog again).
    template <typename T>
    void on(std::function<void(T &)> action)
    {
        steps.append([action](QDialog *d) {
            T *t = qobject_cast<T *>(d);
            if (t)
                action(*t);
            return t != nullptr;
        });
    }

    int remaining() const { return steps.size(); }
    // Dialogs that were not the scripted kind, or came with nothing scripted.
    const QStringList &errors() const { return problems; }

private:
    static constexpr int PollMs = 2;

    void answer()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == lastOpen)
            return;
        lastOpen = nullptr;
        if (steps.isEmpty() || !steps.takeFirst()(dialog)) {
            problems << QStringLiteral("unexpected %1").arg(dialog->metaObject()->className());
            dialog->reject();
        } else if (dialog->isVisible()) {
            lastOpen = dialog;
        }
    }

    QTimer poll;
    QList<std::function<bool(QDialog *)>> steps;
    QPointer<QDialog> lastOpen;
    QStringList problems;
};
