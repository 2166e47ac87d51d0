// The main screen's operating commands: jogs, gotos, speeds, modes, alignment and load
// points, wheels, shutters, stage initialisation, web page, about box and exit.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/jogrepeat.h"
#include "app/startmarker.h"
#include "app/webaddress.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/numinputbox.h"
#include "dialogs/webpagedialog.h"
#include "motion/stepconvert.h"

namespace {

// Which keypad entry sequence runs.
enum PromptType : unsigned int { PromptGotoXY = 0, PromptSpeed = 1, PromptGotoZ = 2 };

// The number the operator types to leave the program.
constexpr double ExitPassword = 482.7093;

// Why a typed speed cannot be sent, or empty when it can (then *steps holds it).
QString speedRefusal(const QString &typed, double stepsPerSecond, qint32 *steps)
{
    bool isNumber = false;
    typed.toDouble(&isNumber);
    if (!isNumber)
        return QStringLiteral("NOT A NUMBER");
    if (Ptx::usableSpeed(stepsPerSecond, steps))
        return QString();
    if (!(stepsPerSecond > 0.0))
        return QStringLiteral("MUST BE ABOVE 0");
    if (stepsPerSecond < 1.0)
        return QStringLiteral("BELOW 1 STEP/SEC");
    return QStringLiteral("OUT OF RANGE");
}

} // namespace

// Runs one keypad prompt with an empty start value. The entry counts when the keypad is
// accepted with something typed; then arg[element] holds its value.
bool MainWindow::promptEntry(NumInputBox *box, const QString &prompt, int element)
{
    box->centreOnScreen();
    box->SetPrompt(prompt);
    box->setValue(QString());
    argent[element] = box->exec() == QDialog::Accepted && !box->getStrVal().isEmpty();
    if (argent[element])
        arg[element] = box->getDoubleVal();
    return argent[element];
}

void MainWindow::on_butHome_clicked()
{
    KEL->moveXYTo(0.0, 0.0);
}

void MainWindow::on_butUp_clicked() { jogs[JogUp]->clicked(); }
void MainWindow::on_butDown_clicked() { jogs[JogDown]->clicked(); }
void MainWindow::on_butRight_clicked() { jogs[JogRight]->clicked(); }
void MainWindow::on_butLeft_clicked() { jogs[JogLeft]->clicked(); }
void MainWindow::on_butUpZ_clicked() { jogs[JogUpZ]->clicked(); }
void MainWindow::on_butDownZ_clicked() { jogs[JogDownZ]->clicked(); }

void MainWindow::on_butGoto_clicked()
{
    promptState = 0;
    promptType = PromptGotoXY;
    NumInputBox box(this);
    promptEntry(&box, tr("Enter X"), 0);
    promptEntry(&box, tr("Enter Y"), 1);
    if (argent[0] && argent[1])
        KEL->moveXYTo(arg[0], arg[1]);
    else if (argent[0])
        KEL->moveXTo(arg[0]);
    else if (argent[1])
        KEL->moveYTo(arg[1]);
}

void MainWindow::on_butGotoZ_clicked()
{
    promptState = 0;
    promptType = PromptGotoZ;
    NumInputBox box(this);
    if (promptEntry(&box, tr("Enter Z"), 0))
        KEL->moveZTo(arg[0]);
}

// The XY speed is typed in mm/s and sent in steps/s at the configured stage resolution;
// the Z speed is typed in steps/s. Only a speed of at least one step per second that the
// controller can take is sent; anything else is refused on the message display.
void MainWindow::on_butSpeed_clicked()
{
    promptState = 0;
    promptType = PromptSpeed;
    NumInputBox box(this);
    const QString axes[] = {QStringLiteral("XY"), QStringLiteral("Z")};
    const QString prompts[] = {tr("Enter XY Speed in mm/sec"), tr("Enter Z Speed in steps/sec")};
    QString typed[2];
    for (int i = 0; i < 2; ++i) {
        if (promptEntry(&box, prompts[i], i))
            typed[i] = box.getStrVal();
    }

    const double stepsPerUnit[] = {KEL->getXYRes(), 1.0};
    qint32 steps[2] = {};
    bool send[2] = {};
    for (int i = 0; i < 2; ++i) {
        if (!argent[i])
            continue;
        const QString why = speedRefusal(typed[i], arg[i] * stepsPerUnit[i], &steps[i]);
        send[i] = why.isEmpty();
        if (!send[i]) {
            Ptx::diag(QStringLiteral("%1 SPEED %2: %3").arg(axes[i], why, typed[i]));
            addDisplayLine(QStringLiteral("%1 SPEED %2 REFUSED: %3").arg(axes[i], typed[i], why));
        }
    }
    if (send[0]) {
        KEL->addCommand(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxSpeed, steps[0], false);
        KEL->addCommand(Ptx::DevY, Ptx::CmdWrite, Ptx::IdxSpeed, steps[0], false);
    }
    if (send[1])
        KEL->addCommand(Ptx::DevZ, Ptx::CmdWrite, Ptx::IdxSpeed, steps[1], false);
}

void MainWindow::on_butAbs_clicked()
{
    KEL->setAbs();
}

void MainWindow::on_butRel_clicked()
{
    KEL->setRel(!KEL->isRel());
}

void MainWindow::on_butSkew_clicked()
{
    KEL->setSkew();
    ui->butAbs->setChecked(KEL->isAbs());
    ui->butRel->setChecked(KEL->isRel());
    ui->butSkew->setChecked(KEL->isSkew());
}

void MainWindow::on_butGoAlnPt1_clicked()
{
    KEL->moveToAln(1);
}

void MainWindow::on_butGoAlnPt2_clicked()
{
    KEL->moveToAln(2);
}

void MainWindow::on_butStoreAlnPt1_clicked()
{
    KEL->storeAln(1);
}

void MainWindow::on_butStoreAlnPt2_clicked()
{
    KEL->storeAln(2);
}

void MainWindow::on_butFW1p1_clicked() { KEL->moveFW(1, 1); }
void MainWindow::on_butFW1p2_clicked() { KEL->moveFW(1, 2); }
void MainWindow::on_butFW1p3_clicked() { KEL->moveFW(1, 3); }
void MainWindow::on_butFW1p4_clicked() { KEL->moveFW(1, 4); }
void MainWindow::on_butFW1p5_clicked() { KEL->moveFW(1, 5); }
void MainWindow::on_butFW1p6_clicked() { KEL->moveFW(1, 6); }
void MainWindow::on_butFW1p7_clicked() { KEL->moveFW(1, 7); }
void MainWindow::on_butFW1p8_clicked() { KEL->moveFW(1, 8); }
void MainWindow::on_butFW1p9_clicked() { KEL->moveFW(1, 9); }
void MainWindow::on_butFW1p10_clicked() { KEL->moveFW(1, 10); }
void MainWindow::on_butFW1home_clicked() { KEL->moveFW(1, Ptx::WheelHome); }

void MainWindow::on_butFW2p1_clicked() { KEL->moveFW(2, 1); }
void MainWindow::on_butFW2p2_clicked() { KEL->moveFW(2, 2); }
void MainWindow::on_butFW2p3_clicked() { KEL->moveFW(2, 3); }
void MainWindow::on_butFW2p4_clicked() { KEL->moveFW(2, 4); }
void MainWindow::on_butFW2p5_clicked() { KEL->moveFW(2, 5); }
void MainWindow::on_butFW2p6_clicked() { KEL->moveFW(2, 6); }
void MainWindow::on_butFW2p7_clicked() { KEL->moveFW(2, 7); }
void MainWindow::on_butFW2p8_clicked() { KEL->moveFW(2, 8); }
void MainWindow::on_butFW2p9_clicked() { KEL->moveFW(2, 9); }
void MainWindow::on_butFW2p10_clicked() { KEL->moveFW(2, 10); }
void MainWindow::on_butFW2home_clicked() { KEL->moveFW(2, Ptx::WheelHome); }

// Both wheel groups show the same three shutters; a click opens or closes the shutter as
// the button's new checked state says.
void MainWindow::on_butFW1sh1_clicked() { KEL->ctrlShutter(1, ui->butFW1sh1->isChecked() ? 1 : 0); }
void MainWindow::on_butFW1sh2_clicked() { KEL->ctrlShutter(2, ui->butFW1sh2->isChecked() ? 1 : 0); }
void MainWindow::on_butFW1sh3_clicked() { KEL->ctrlShutter(3, ui->butFW1sh3->isChecked() ? 1 : 0); }
void MainWindow::on_butFW2sh1_clicked() { KEL->ctrlShutter(1, ui->butFW2sh1->isChecked() ? 1 : 0); }
void MainWindow::on_butFW2sh2_clicked() { KEL->ctrlShutter(2, ui->butFW2sh2->isChecked() ? 1 : 0); }
void MainWindow::on_butFW2sh3_clicked() { KEL->ctrlShutter(3, ui->butFW2sh3->isChecked() ? 1 : 0); }

void MainWindow::on_butConfigPtx4_clicked()
{
    WebPageDialog::showPage(Ptx::controllerWebPage(KEL->getIpAddr()), this);
}

void MainWindow::on_butInit_clicked()
{
    KEL->forceStageInit();
}

void MainWindow::on_butGoPt1_clicked()
{
    KEL->goXYLdPt();
}

void MainWindow::on_butStorePt1_clicked()
{
    KEL->setXYLdPt();
}

void MainWindow::on_butGoPt1_2_clicked()
{
    KEL->goZLdPt();
}

void MainWindow::on_butStorePt1_2_clicked()
{
    KEL->setZLdPt();
}

void MainWindow::on_butAbout_clicked()
{
    AboutDialog about(this);
    about.setVersion();
    about.exec();
}

void MainWindow::on_butExit_clicked()
{
    NumInputBox box(this);
    box.centreOnScreen();
    box.SetPrompt(tr("Enter Password"));
    box.SetValue(0);
    if (box.exec() == QDialog::Accepted && box.getDoubleVal() == ExitPassword) {
        Ptx::clearPanelRunning();
        close();
    }
}
