// ModalDriver: answers the modal dialogs a command opens, one scripted step per dialog, so
// that keypad sequences and the about box run offscreen without an operator.
#pragma once

#include "dialogs/aboutdialog.h"
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
    static const QHash<QChar, QString> named{{QLatin1Char('.'), QStringLiteral("butPt")},
                                             {QLatin1Char('-'), QStringLiteral("butNeg")},
                                             {QLatin1Char('<'), QStringLiteral("butBksp")}};
    for (QChar key : keys) {
        const QString name = key.isDigit() ? QStringLiteral("butDig") + key : named.value(key);
        QPushButton *b = name.isEmpty() ? nullptr : box.findChild<QPushButton *>(name);
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
        poll.setInterval(PollMs);
        connect(&poll, &QTimer::timeout, this, &ModalDriver::answer);
        poll.start();
    }

    // The next dialog is the keypad: type the keys, then press OK or Cancel.
    void keypad(const QString &keys, bool accept = true) { steps.append({true, keys, accept, {}}); }
    // The next dialog is the about box: press OK or Cancel.
    void about(bool accept = true) { steps.append({false, QString(), accept, {}}); }
    // The next dialog is a T: hand it to the action, which closes it, or queues a tap that
    // opens a dialog of its own (the driver then waits for that one before it answers this
    // dialog again).
    template <typename T>
    void on(std::function<void(T &)> action)
    {
        steps.append({false, QString(), true, [action](QDialog *d) {
                          T *t = qobject_cast<T *>(d);
                          if (t)
                              action(*t);
                          return t != nullptr;
                      }});
    }

    int remaining() const { return steps.size(); }
    // Prompts and texts the dialogs showed, in order.
    const QStringList &prompts() const { return shown; }
    // The text each keypad opened with.
    const QStringList &starts() const { return started; }
    // Dialogs that were not the scripted kind, or came with nothing scripted.
    const QStringList &errors() const { return problems; }

private:
    struct Step {
        bool keypad;
        QString keys;
        bool accept;
        std::function<bool(QDialog *)> custom;
    };

    static constexpr int PollMs = 2;

    void answer()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == lastCustom)
            return;
        lastCustom = nullptr;
        if (!steps.isEmpty() && steps.first().custom) {
            const Step step = steps.takeFirst();
            if (!step.custom(dialog)) {
                problems << QStringLiteral("unexpected %1").arg(dialog->metaObject()->className());
                dialog->reject();
            } else if (dialog->isVisible()) {
                lastCustom = dialog;
            }
            return;
        }
        auto *box = qobject_cast<NumInputBox *>(dialog);
        const bool aboutBox = qobject_cast<AboutDialog *>(dialog);
        if (steps.isEmpty() || (steps.first().keypad ? !box : !aboutBox)) {
            problems << QStringLiteral("unexpected %1").arg(dialog->metaObject()->className());
            dialog->reject();
            return;
        }
        const Step step = steps.takeFirst();
        const auto *label = dialog->findChild<QLabel *>(
            box ? QStringLiteral("prompt") : QStringLiteral("label"));
        shown << (label ? label->text() : QString());
        if (box) {
            started << box->getStrVal();
            if (!typeKeys(*box, step.keys))
                problems << QStringLiteral("bad keys %1").arg(step.keys);
        }
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QPushButton *b = buttons ? buttons->button(step.accept ? QDialogButtonBox::Ok
                                                               : QDialogButtonBox::Cancel)
                                 : nullptr;
        if (b)
            b->click();
        else
            problems << QStringLiteral("no OK/Cancel");
    }

    QTimer poll;
    QList<Step> steps;
    QPointer<QDialog> lastCustom;
    QStringList shown;
    QStringList started;
    QStringList problems;
};
