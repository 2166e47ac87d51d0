// dlgConfig: the modal settings dialog: controller address, stage, focus and the default
// recipe, each value edited on the keypad or the recipe file dialog.
#pragma once

#include "motion/travellimits.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QPushButton;

namespace Ui {
class dlgConfig;
}

class dlgConfig : public QDialog
{
    Q_OBJECT

public:
    explicit dlgConfig(QString addr, QWidget *parent = nullptr);
    ~dlgConfig() override;

    void centreOnScreen();
    // The address in its four button parts, split at the first three dots (a port stays in
    // the fourth part); empty when the address has fewer than three dots.
    static QStringList splitAddressParts(const QString &addr);
    // A typed speed is taken only when it is a number above 0.
    static bool speedAcceptable(const QString &text);

    void init(double stRes, double stSp, double stCenSp, double stDefInc, bool stCenter,
              bool stUseLdPt, double fcRes, double fcSp, double fcDefInc, bool fcUseLdPt,
              QString rcpName, bool rcpAuto);
    void init(double stRes, double stSp, double fcRes, double fcSp);

    QString getAddr();
    double getStageRes();
    double getStageSpeed();
    double getStageCenterSpeed();
    double getStageDefIncr();
    double getFocusRes();
    double getFocusSpeed();
    double getFocusDefIncr();
    bool getStageDoCenter();
    bool getStageUseLoadPt();
    bool getFocusUseLoadPt();
    bool getRecipeAutoStart();
    QString getRecipeName();
    // Travel limits: a button shows its limit, or NONE for a side without one.
    void setTravelLimits(const Ptx::TravelLimits &limits);
    Ptx::TravelLimits getTravelLimits();

private slots:
    void on_recipeFileName_clicked();

private:
    void editValue(QPushButton *button, const char *prompt, bool speed);
    void editLimit(QPushButton *button, const QString &axis);

    Ui::dlgConfig *ui;
};
