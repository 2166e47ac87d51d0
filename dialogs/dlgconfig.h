// dlgConfig: the modal settings dialog: controller address, stage, focus and the default
// recipe, each value edited on the keypad or the recipe file dialog.
#pragma once

#include "motion/travellimits.h"

#include <QDialog>
#include <QRect>
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
    // What a value button holds: a speed is taken only when it comes to at least one step
    // per second.
    enum class ValueKind { Plain, StageSpeed, FocusSpeed };

    explicit dlgConfig(QString addr, QWidget *parent = nullptr);
    ~dlgConfig() override;

    void centreOnScreen();
    // The address in its four button parts, split at the first three dots (a port stays in
    // the fourth part); empty when the address has fewer than three dots.
    static QStringList splitAddressParts(const QString &addr);
    // Four dotted numbers, with or without ":port"; a host name is not.
    static bool isDottedAddress(const QString &addr);
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
    void editValue(QPushButton *button, const char *prompt, ValueKind kind);
    void editLimit(QPushButton *button, const QString &axis);
    QString refusal(const QString &typed, const QString &kept, ValueKind kind) const;
    void showWholeAddress(const QString &addr);
    void showAddressParts();
    void setAddressPartsVisible(bool visible);

    Ui::dlgConfig *ui;
    bool wholeAddress = false;   // the address is shown and kept as one text
    QRect firstPartGeometry;     // where the first part sits when the address is in parts
};
