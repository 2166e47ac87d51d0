// ModalDriver: answers the modal dialogs a command opens, one scripted step per dialog, so
// that keypad sequences and the about box run offscreen without an operator.
#pragma once

#include "dialogs/aboutdialog.h"
#include "dialogs/numinputbox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

class ModalDriver : public QObject
{
public:
    ModalDriver()
    {
        poll.setInterval(PollMs);
        connect(&poll, &QTimer::timeout, this, &ModalDriver::answer);
        poll.start();
    }

    // The next dialog is the keypad: type the keys ("0"-"9", ".", "-" for +/-, "<" for
    // BKSP), then press OK or Cancel.
    void keypad(const QString &keys, bool accept = true) { steps.append({true, keys, accept}); }
    // The next dialog is the about box: press OK or Cancel.
    void about(bool accept = true) { steps.append({false, QString(), accept}); }

    int remaining() const { return steps.size(); }
    // Prompts and texts the dialogs showed, in order.
    const QStringList &prompts() const { return shown; }
    // Dialogs that were not the scripted kind, or came with nothing scripted.
    const QStringList &errors() const { return problems; }

private:
    struct Step {
        bool keypad;
        QString keys;
        bool accept;
    };

    static constexpr int PollMs = 2;

    void answer()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (steps.isEmpty()) {
            problems << QStringLiteral("unexpected %1").arg(dialog->metaObject()->className());
            dialog->reject();
            return;
        }
        const Step step = steps.takeFirst();
        auto *box = qobject_cast<NumInputBox *>(dialog);
        auto *aboutBox = qobject_cast<AboutDialog *>(dialog);
        if (step.keypad ? !box : !aboutBox) {
            problems << QStringLiteral("wrong dialog %1").arg(dialog->metaObject()->className());
            dialog->reject();
            return;
        }
        const auto *label = dialog->findChild<QLabel *>(
            box ? QStringLiteral("prompt") : QStringLiteral("label"));
        shown << (label ? label->text() : QString());
        if (box) {
            for (QChar key : step.keys) {
                if (QPushButton *b = box->findChild<QPushButton *>(keyName(key)))
                    b->click();
                else
                    problems << QStringLiteral("no key %1").arg(key);
            }
        }
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QPushButton *b = buttons ? buttons->button(step.accept ? QDialogButtonBox::Ok
                                                               : QDialogButtonBox::Cancel)
                                 : nullptr;
        if (b)
            b->click();
        else if (step.accept)
            dialog->accept();
        else
            dialog->reject();
    }

    static QString keyName(QChar key)
    {
        if (key.isDigit())
            return QStringLiteral("butDig") + key;
        if (key == QLatin1Char('.'))
            return QStringLiteral("butPt");
        if (key == QLatin1Char('-'))
            return QStringLiteral("butNeg");
        if (key == QLatin1Char('<'))
            return QStringLiteral("butBksp");
        return QString();
    }

    QTimer poll;
    QList<Step> steps;
    QStringList shown;
    QStringList problems;
};
