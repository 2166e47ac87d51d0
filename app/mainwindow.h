// MainWindow: the panel's only top-level screen; shows the controller state and runs its commands.
#pragma once

#include "config/configdefaults.h"
#include "controller/protocol.h"

#include <QMainWindow>
#include <QString>

class JogRepeat;
class KelInterface;
class KelScriptEdit;
class NumInputBox;
class QLCDNumber;
class QPushButton;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Runs the screen on the given interface (tests hand in one whose state they set); the
    // window takes it over as if it had created it.
    explicit MainWindow(KelInterface *kel, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The controller interface the screen drives (tests shorten its tick through it).
    KelInterface *kelInterface() const { return KEL; }

signals:
    void posChanged(double x, double y, double z);
    // A line has been added to the message display.
    void displayLineAdded(const QString &line);

public slots:
    void clrDisplay();
    void addDisplayLine(QString line);
    void updateFileName(QString name);
    void updateRecipe();
    void updateXDisp(double value);
    void updateYDisp(double value);
    void updateZDisp(double value);
    void updatefw1Disp(long value);
    void updatefw2Disp(long value);
    void updateVis();
    void updateBusy();
    void otherOn(bool state);
    void updateConnect(int value);
    void updateDisplay();
    void updateFwDisplay();
    void updateShutDisplay(long sh1, long sh2, long sh3);
    long toEncoderX(double val);
    long toEncoderY(double val);
    long toEncoderZ(double val);
    void updatePosMode(int val);
    void configure();

private slots:
    // Connection.
    void on_pushButton_clicked();

    // Stage and focus.
    void on_butHome_clicked();
    void on_butUp_clicked();
    void on_butDown_clicked();
    void on_butRight_clicked();
    void on_butLeft_clicked();
    void on_butUpZ_clicked();
    void on_butDownZ_clicked();
    void on_butGoto_clicked();
    void on_butGotoZ_clicked();
    void on_butSpeed_clicked();

    // Coordinate modes and alignment points.
    void on_butAbs_clicked();
    void on_butRel_clicked();
    void on_butSkew_clicked();
    void on_butGoAlnPt1_clicked();
    void on_butGoAlnPt2_clicked();
    void on_butStoreAlnPt1_clicked();
    void on_butStoreAlnPt2_clicked();

    // Filter wheels and shutters.
    void on_butFW1p1_clicked();
    void on_butFW1p2_clicked();
    void on_butFW1p3_clicked();
    void on_butFW1p4_clicked();
    void on_butFW1p5_clicked();
    void on_butFW1p6_clicked();
    void on_butFW1p7_clicked();
    void on_butFW1p8_clicked();
    void on_butFW1p9_clicked();
    void on_butFW1p10_clicked();
    void on_butFW1home_clicked();
    void on_butFW2p1_clicked();
    void on_butFW2p2_clicked();
    void on_butFW2p3_clicked();
    void on_butFW2p4_clicked();
    void on_butFW2p5_clicked();
    void on_butFW2p6_clicked();
    void on_butFW2p7_clicked();
    void on_butFW2p8_clicked();
    void on_butFW2p9_clicked();
    void on_butFW2p10_clicked();
    void on_butFW2home_clicked();
    void on_butFW1sh1_clicked();
    void on_butFW1sh2_clicked();
    void on_butFW1sh3_clicked();
    void on_butFW2sh1_clicked();
    void on_butFW2sh2_clicked();
    void on_butFW2sh3_clicked();

    // System.
    void on_butConfigPtx4_clicked();
    void on_butInit_clicked();
    void on_butGoPt1_clicked();
    void on_butStorePt1_clicked();
    void on_butGoPt1_2_clicked();
    void on_butStorePt1_2_clicked();
    void on_butAbout_clicked();
    void on_butExit_clicked();

    // Recipe commands and configuration.
    void on_butHalt_clicked();
    void on_butEdit_clicked();
    void on_butStart_clicked();
    void on_butPause_clicked();
    void on_butPrevStep_clicked();
    void on_butNextStep_clicked();
    void on_butStop_clicked();
    void on_butSave_clicked();
    void on_butLoad_clicked();
    void on_contRunMacro_clicked();
    void on_butConfigure_clicked();
    void autoStartWhenReady(int value);

private:
    // Compiles and starts the run at entry (from 1), as START does.
    void startRun(int entry);
    void showPosition(QLCDNumber *display, double position);
    void showWheel(int wheel, long position);
    void setShutter(int shutter, bool open);
    void enableTab(int page, bool enable);
    bool promptEntry(NumInputBox *box, const QString &prompt, int element);
    void shutDownInterface();
    bool chooseRecipeFile(bool save, const QString &title);
    // cleanStart: the panel's last run ended by Exit.
    void prepareAutoStart(bool cleanStart);

    KelInterface *KEL = nullptr;
    // The recipe editor: created once, hidden between uses; EDIT runs it.
    KelScriptEdit *RcpEdit = nullptr;
    bool modeRelative = false;
    unsigned int promptState = 0;
    unsigned int promptType = 0;
    double arg[5] = {};
    bool argent[5] = {};
    Ui::MainWindow *ui = nullptr;
    QString ipAddr;
    double stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    double stepsPerMMz = 1000.0;
    double xpos = 0.0;
    double ypos = 0.0;
    double zpos = 0.0;
    long fw1pos = 0;
    long fw2pos = 0;
    double relx = 0.0;
    double rely = 0.0;
    double relz = 0.0;

    // The tab pages.
    static constexpr int StagePage = 0;
    static constexpr int FilterWheelPage = 1;
    static constexpr int ConfigurationPage = 2;

    // The filter-wheel page's buttons, indexed by wheel (0 Main, 1 Aux) and position or shutter.
    static constexpr int WheelPositions = 10;
    QPushButton *wheelButtons[Ptx::WheelCount][WheelPositions] = {};
    QPushButton *wheelHomeButtons[Ptx::WheelCount] = {};
    QPushButton *shutterButtons[Ptx::WheelCount][Ptx::ShutterCount] = {};

    // The jog buttons: up, down, right, left, Z up, Z down.
    enum Jog { JogUp, JogDown, JogRight, JogLeft, JogUpZ, JogDownZ, JogCount };
    JogRepeat *jogs[JogCount] = {};

    // The default recipe waits for the system to be ready before it starts.
    bool autoStartPending = false;
    bool autoStartConnecting = false;
    bool autoStartHeld = false;   // the last run did not end by Exit: start nothing
};
