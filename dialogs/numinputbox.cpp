#include "dialogs/numinputbox.h"
#include "ui_numinputbox.h"

#include "app/panelstyle.h"
#include "config/numbertext.h"
#include "dialogs/screencentre.h"

#include <QLayout>
#include <QTextCursor>

namespace {
const QString DefaultPrompt = QStringLiteral("ENTER VALUE:");
const QChar Minus = QLatin1Char('-');
const QChar Point = QLatin1Char('.');
// OK and Cancel stand in the key grid: keys are 51 px high on a 72 px row pitch.
constexpr int KeyRowGap = 21;
} // namespace

NumInputBox::NumInputBox(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::NumInputBox)
{
    ui->setupUi(this);
    setStyleSheet(Ptx::panelStyleSheet());
    ui->buttonBox->layout()->setSpacing(KeyRowGap);
    ui->prompt->setText(DefaultPrompt);
}

NumInputBox::~NumInputBox()
{
    delete ui;
}

void NumInputBox::centreOnScreen()
{
    Ptx::centreOnScreen(this);
}

void NumInputBox::setValue(QString str)
{
    value = str;
    updateDisplay();
}

void NumInputBox::SetValue(double val)
{
    value = Ptx::numberText(val);
    updateDisplay();
}

void NumInputBox::SetValue(int val)
{
    value = QString::number(val);
    updateDisplay();
}

void NumInputBox::SetPrompt(QString prompt)
{
    ui->prompt->setText(prompt);
}

int NumInputBox::getIntVal()
{
    bool ok = false;
    const int result = value.toInt(&ok, 10);
    return ok ? result : 0;
}

double NumInputBox::getDoubleVal()
{
    // A run of digits too long for a double fails too (the conversion then gives an
    // infinity), so no caller ever receives one from the keypad.
    bool ok = false;
    const double result = value.toDouble(&ok);
    return ok ? result : 0.0;
}

QString NumInputBox::getStrVal()
{
    return value;
}

void NumInputBox::updateDisplay()
{
    ui->textEdit->setPlainText(value);
    ui->textEdit->setFocus();
    ui->textEdit->moveCursor(QTextCursor::End);
}

// OK is the enter key; accept() is reached through the box's accepted() connection.
void NumInputBox::on_buttonBox_accepted()
{
}

void NumInputBox::appendDigit(QChar digit)
{
    value.append(digit);
    updateDisplay();
}

void NumInputBox::on_butDig0_clicked() { appendDigit(QLatin1Char('0')); }
void NumInputBox::on_butDig1_clicked() { appendDigit(QLatin1Char('1')); }
void NumInputBox::on_butDig2_clicked() { appendDigit(QLatin1Char('2')); }
void NumInputBox::on_butDig3_clicked() { appendDigit(QLatin1Char('3')); }
void NumInputBox::on_butDig4_clicked() { appendDigit(QLatin1Char('4')); }
void NumInputBox::on_butDig5_clicked() { appendDigit(QLatin1Char('5')); }
void NumInputBox::on_butDig6_clicked() { appendDigit(QLatin1Char('6')); }
void NumInputBox::on_butDig7_clicked() { appendDigit(QLatin1Char('7')); }
void NumInputBox::on_butDig8_clicked() { appendDigit(QLatin1Char('8')); }
void NumInputBox::on_butDig9_clicked() { appendDigit(QLatin1Char('9')); }

void NumInputBox::on_butPt_clicked()
{
    if (!value.contains(Point))
        value.append(Point);
    updateDisplay();
}

void NumInputBox::on_butNeg_clicked()
{
    if (value.startsWith(Minus))
        value.remove(0, 1);
    else
        value.prepend(Minus);
    updateDisplay();
}

void NumInputBox::on_butBksp_clicked()
{
    if (value.size() > 1)
        value.chop(1);
    else
        value.clear();
    updateDisplay();
}
