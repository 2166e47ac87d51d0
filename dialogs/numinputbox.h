// NumInputBox: the modal on-screen numeric keypad on which the operator types every number.
#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class NumInputBox;
}

class NumInputBox : public QDialog
{
    Q_OBJECT

public:
    explicit NumInputBox(QWidget *parent = nullptr);
    ~NumInputBox() override;

    // Moves the keypad so that its centre lies on the centre of the screen it is on (the
    // primary screen when it has none yet). Callers do this before every prompt.
    void centreOnScreen();

public slots:
    void setValue(QString str);
    void SetValue(double val);
    void SetValue(int val);
    void SetPrompt(QString prompt);
    int getIntVal();
    double getDoubleVal();
    QString getStrVal();

private slots:
    void updateDisplay();
    void on_buttonBox_accepted();
    void on_butDig7_clicked();
    void on_butDig8_clicked();
    void on_butDig9_clicked();
    void on_butDig4_clicked();
    void on_butDig5_clicked();
    void on_butDig6_clicked();
    void on_butDig1_clicked();
    void on_butDig2_clicked();
    void on_butDig3_clicked();
    void on_butDig0_clicked();
    void on_butNeg_clicked();
    void on_butPt_clicked();
    void on_butBksp_clicked();

private:
    void appendDigit(QChar digit);

    Ui::NumInputBox *ui;
    QString value;
};
