// KelScriptEdit: the recipe editor, in which the operator builds a recipe from command
// templates and teaches each line by bringing the stage, focus, wheels or shutters to it
// and pressing STORE, or by typing its values on the keypad.
#pragma once

#include "dialogs/teachcodes.h"
#include "dialogs/teachframe.h"

#include <QDialog>
#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class KelInterface;
struct PointWizard;
struct SingleChoice;

namespace Ui {
class KelScriptEdit;
}

class KelScriptEdit : public QDialog, private TeachValues
{
    Q_OBJECT

public:
    // The editor works on the controller interface of the main screen that is its parent.
    explicit KelScriptEdit(QWidget *parent = nullptr);
    // The editor works on the given interface (for a screen without a main window above it).
    explicit KelScriptEdit(KelInterface *kel, QWidget *parent = nullptr);
    ~KelScriptEdit() override;

public slots:
    void updatePos(double x, double y, double z);
    void updateFwPos1(long x);
    void updateFwPos2(long x);
    void updateShPos(long x, long y, long z);
    void handleTeachButton(int but);
    void handlePoint(int cmd);
    void handleDelay(int cmd);
    void handleComb(int cmd, bool comb);
    void handleArc(int cmd, bool arc);
    void handleLine(int cmd);
    void handleSpeed(int cmd);
    void handleIncr(int cmd);
    void handleAlign(int cmd);
    void handleDefRep(int cmd);
    void handleZpoint(int cmd);
    void handleZspeed(int cmd);
    void handleFMove(int cmd);
    void handleSCtrl(int cmd);
    void handleF1Move(int cmd);
    void handleF2Move(int cmd);
    void handleShOpen(int cmd);
    void handleShClose(int cmd);
    void handleShExp(int cmd);
    void handleExpTim(int cmd);
    void handleFDelay(int cmd);
    QStringList getRecipe();
    void setRecipe(QStringList lst);
    void buttonClick(QString val);

private slots:
    void on_butDel_clicked();
    void on_butNext_clicked();
    void on_butPrev_clicked();
    void on_butZSpeed_clicked();
    void on_butArc_clicked();
    void on_butClrRep_clicked();
    void on_butAllign_clicked();
    void on_butComb_clicked();
    void on_butCircle_clicked();
    void on_butPoint_clicked();
    void on_butLine_clicked();
    void on_butInc_clicked();
    void on_butRaster_clicked();
    void on_butDefRep_clicked();
    void on_butEndRep_clicked();
    void on_butZPoint_clicked();
    void on_butDelay_clicked();
    void on_butSpeed_clicked();
    void on_butDefMac_clicked();
    void on_butEndMac_clicked();
    void on_butFMacro_clicked();
    void on_butFMove_clicked();
    void on_butSCtrl_clicked();
    void on_butDefF1Move_clicked();
    void on_butDefF2Move_clicked();
    void on_butDefOpen_clicked();
    void on_butDefClose_clicked();
    void on_butDefExpose_clicked();
    void on_butDelay_2_clicked();
    void on_butExpTime_clicked();
    void on_butGoto_clicked();
    void on_butTchPrev_clicked();
    void on_butTechNext_clicked();
    void on_butTchStore_clicked();
    void on_butTchEnter_clicked();
    void on_butEdit_clicked();
    void on_listWidget_clicked(QModelIndex index);
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();
    void on_butGoXYZ_clicked();
    void on_butClrRecipe_clicked();

private:
    KelInterface *kel() const;

    // List.
    void refillList(int row);
    void selectRow(int row);
    void stepRow(int offset);
    void rowChanged(int row);
    void clearTeachState();

    // Scan and coordinate frame.
    void ScanLine(int but);
    void ProcessFlags();
    // Moves the stage to a point given in the current line's frame.
    void moveToPoint(double x, double y);
    // OK and Cancel: without a run the interface is left in absolute coordinates.
    void leaveFrame();

    // What the wizards share.
    void showStep(const QString &prompt);
    void showLine();
    void showLine(const QString &line);
    bool askReal(const QString &prompt, double *slot);
    bool askInt(const QString &prompt, int *slot);
    void finish();
    void finish(const QString &line);
    void takeChoice(const QString &line, int steps);
    void writeBack(bool endMove, double x, double y);
    QString realLine(const char *format, const std::vector<RealSlot> &fields) const;
    void teachPoints(const PointWizard &wizard, int cmd);
    void teachChoice(const SingleChoice &choice, long highest,
                     const std::function<void()> &tryOut, int cmd);
    void tryShutter(int shutter, int state);
    void teachDelay(const char *keyword, int step, int cmd);
    void teachSpeed(bool stage, int cmd);

    Ui::KelScriptEdit *ui = nullptr;
    QStringList recipe;
    double xpos = 0.0;
    double ypos = 0.0;
    double zpos = 0.0;
    int subState = 0;
    int commandType = 0;
    QString curLine;

    KelInterface *givenKel = nullptr;
    int scannedRow = -1;   // the row the teach state belongs to
    // While a run goes on, the line's frame is kept here rather than put into the interface,
    // whose alignment and coordinate mode belong to the run.
    bool frameOwn = false;
    TeachFrame ownFrame;
};
