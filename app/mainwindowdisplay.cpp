// The main screen's display slots: positions, wheels, shutters, modules, connection and
// recipe state, and the message display.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/positiontext.h"
#include "app/runpage.h"
#include "controller/kelinterface.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Position buttons 1 to 4 are always shown; the others follow the wheel's size.
constexpr int AlwaysShownPositions = 4;

} // namespace

void MainWindow::updateXDisp(double value)
{
    xpos = value;
    updateDisplay();
}

void MainWindow::updateYDisp(double value)
{
    ypos = value;
    updateDisplay();
}

void MainWindow::updateZDisp(double value)
{
    zpos = value;
    updateDisplay();
}

void MainWindow::updateDisplay()
{
    showPosition(ui->lcdNumberX, xpos);
    showPosition(ui->lcdNumberY, ypos);
    showPosition(ui->lcdNumberZ, zpos);
    emit posChanged(xpos, ypos, zpos);
}

void MainWindow::showPosition(QLCDNumber *display, double position)
{
    display->display(Ptx::fittedPositionText(position, display->digitCount()));
}

void MainWindow::updatefw1Disp(long value)
{
    fw1pos = value;
    updateFwDisplay();
}

void MainWindow::updatefw2Disp(long value)
{
    fw2pos = value;
    updateFwDisplay();
}

void MainWindow::updateFwDisplay()
{
    showWheel(1, fw1pos);
    showWheel(2, fw2pos);
}

void MainWindow::showWheel(int wheel, long position)
{
    const long numPos = KEL->getFWnumPos(wheel);
    for (int k = 1; k <= WheelPositions; ++k) {
        QPushButton *button = wheelButtons[wheel - 1][k - 1];
        button->setVisible(k <= AlwaysShownPositions || numPos >= k);
        button->setChecked(position == k);
    }
}

void MainWindow::updateShutDisplay(long sh1, long sh2, long sh3)
{
    const long states[Ptx::ShutterCount] = {sh1, sh2, sh3};
    for (int s = 0; s < Ptx::ShutterCount; ++s)
        setShutter(s + 1, states[s] >= 1);
}

void MainWindow::setShutter(int shutter, bool open)
{
    for (int w = 0; w < Ptx::WheelCount; ++w)
        shutterButtons[w][shutter - 1]->setChecked(open);
}

void MainWindow::updateVis()
{
    const bool x = KEL->getModPresent(Ptx::DevX);
    const bool y = KEL->getModPresent(Ptx::DevY);
    const bool z = KEL->getModPresent(Ptx::DevZ);
    ui->labelX->setVisible(x);
    ui->lcdNumberX->setVisible(x);
    ui->labelY->setVisible(y);
    ui->lcdNumberY->setVisible(y);
    ui->labelZ->setVisible(z);
    ui->lcdNumberZ->setVisible(z);
    enableTab(StagePage, x || y || z);
    enableTab(FilterWheelPage, KEL->getModPresent(Ptx::DevWheel1));
}

// Every status reply reports the modules, about twenty times a second; the tab bar repaints
// whenever a tab's state is set, so it is set only when it changes.
void MainWindow::enableTab(int page, bool enable)
{
    if (ui->tabWidget->isTabEnabled(page) != enable)
        ui->tabWidget->setTabEnabled(page, enable);
}

// The panel shows no busy indication.
void MainWindow::updateBusy()
{
}

void MainWindow::otherOn(bool state)
{
    QWidget *const operating[] = {
        ui->butAbs, ui->butRel, ui->butSkew, ui->butUp, ui->butDown, ui->butLeft, ui->butRight,
        ui->butHome, ui->butGoto, ui->butSpeed, ui->butEdit, ui->butLoad, ui->butSave,
        ui->butStart, ui->tabRun->startAtButton(), ui->butGoAlnPt1, ui->butStoreAlnPt1, ui->butGoAlnPt2, ui->butStoreAlnPt2,
        ui->butGoPt1, ui->butStorePt1, ui->butInit};
    for (QWidget *w : operating)
        w->setEnabled(state);

    const bool focus = state && KEL->getModPresent(Ptx::DevZ);
    QWidget *const focusControls[] = {
        ui->butUpZ, ui->butDownZ, ui->butGotoZ, ui->butGoPt1_2, ui->butStorePt1_2};
    for (QWidget *w : focusControls)
        w->setEnabled(focus);

    const bool wheels = state && KEL->getModPresent(Ptx::DevWheel1);
    for (int w = 0; w < Ptx::WheelCount; ++w) {
        wheelHomeButtons[w]->setEnabled(wheels);
        for (QPushButton *b : wheelButtons[w])
            b->setEnabled(wheels);
        for (QPushButton *b : shutterButtons[w])
            b->setEnabled(wheels);
    }
}

void MainWindow::updateRecipe()
{
    const bool running = KEL->isRecipeRunning();
    const bool paused = KEL->isRecipePaused();
    const bool delay = KEL->isRecipeDelay();

    ui->butStart->setEnabled(!running);
    ui->tabRun->startAtButton()->setEnabled(!running);
    ui->butStop->setEnabled(running);
    otherOn(running && !paused && !delay ? false : KEL->isConnected());
    ui->butNextStep->setEnabled(running && (paused || delay));
    ui->butPrevStep->setEnabled(running && (paused || delay));
    ui->butPause->setEnabled(running);
    ui->butPause->setText(paused ? tr("Resume") : tr("Pause"));
}

void MainWindow::updateConnect(int value)
{
    switch (value) {
    case KelInterface::NotConnected:
        ui->tabWidget->setCurrentIndex(ConfigurationPage);
        ui->pushButton->setText(tr("CONNECT"));
        ui->pushButton->setEnabled(true);
        ui->butConfigure->setEnabled(true);
        ui->butConfigPtx4->setEnabled(true);
        updateRecipe();
        otherOn(false);
        break;
    case KelInterface::Connecting:
        ui->tabWidget->setCurrentIndex(ConfigurationPage);
        ui->pushButton->setText(tr("Connecting"));
        ui->pushButton->setEnabled(false);
        updateRecipe();
        otherOn(false);
        ui->butConfigure->setEnabled(false);
        ui->butConfigPtx4->setEnabled(false);
        break;
    case KelInterface::SystemReady: {
        ui->pushButton->setText(tr("DISCONNECT"));
        ui->pushButton->setEnabled(true);
        const bool stage = KEL->getModPresent(Ptx::DevX) || KEL->getModPresent(Ptx::DevY)
                           || KEL->getModPresent(Ptx::DevZ);
        const bool wheel = KEL->getModPresent(Ptx::DevWheel1);
        ui->tabWidget->setCurrentIndex(!stage && wheel ? FilterWheelPage : StagePage);
        ui->butConfigure->setEnabled(false);
        ui->butConfigPtx4->setEnabled(false);
        updateRecipe();
        otherOn(true);
        break;
    }
    default:
        break;
    }
}

void MainWindow::updatePosMode(int val)
{
    switch (val) {
    case KelInterface::ModeAbsolute:
    case KelInterface::ModeRelative:
    case KelInterface::ModeSkew:
    case KelInterface::ModeRelativeSkew:
        ui->butAbs->setChecked(val == KelInterface::ModeAbsolute);
        ui->butRel->setChecked((val & KelInterface::ModeRelative) != 0);
        ui->butSkew->setChecked((val & KelInterface::ModeSkew) != 0);
        break;
    default:
        break;
    }
}

void MainWindow::updateFileName(QString name)
{
    ui->curRcpName->setText(name);
}

void MainWindow::clrDisplay()
{
    ui->textEdit->clear();
}

// Appends the line as plain text in a paragraph of its own; the display keeps only the
// most recent lines (its document's block limit), so long runs cost neither memory nor time.
// The display follows new lines while it shows the end; scrolled back, it stays put.
void MainWindow::addDisplayLine(QString line)
{
    QScrollBar *bar = ui->textEdit->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextDocument *doc = ui->textEdit->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    if (!doc->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    if (atEnd)
        bar->setValue(bar->maximum());
    emit displayLineAdded(line);
}
