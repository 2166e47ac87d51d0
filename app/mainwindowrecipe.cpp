// The main screen's recipe commands: START to the end of the run, pause and resume, the
// step arrows, STOP, HALT, the recipe file buttons, the continuous run box and the
// default recipe that starts by itself, and EDIT with the recipe editor.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/runpage.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "dialogs/dlgrcpfile.h"
#include "dialogs/kelscriptedit.h"
#include "recipe/recipefile.h"
#include "recipe/runprogress.h"

// Compiles the current recipe and runs what was compiled. Lines the compiler skipped or
// stopped at are shown first, so that the operator knows before anything moves.
void MainWindow::on_butStart_clicked()
{
    startRun(1);
}

void MainWindow::startRun(int entry)
{
    KEL->ScanRecipe();
    for (const QString &line : KEL->compileProblems())
        addDisplayLine(line);
    ui->tabRun->showCompileResult();
    if (entry > KEL->compiledPointCount() && entry > 1) {
        addDisplayLine(tr("START AT %1 REFUSED: THE RECIPE HAS %2").arg(entry).arg(Ptx::entriesText(KEL->compiledPointCount())));
        return;
    }
    KEL->initRecipe();
    KEL->startRecipeAt(entry);
}

void MainWindow::on_butPause_clicked()
{
    if (KEL->isRecipePaused())
        KEL->recipeContinue();
    else
        KEL->recipePause();
}

void MainWindow::on_butPrevStep_clicked()
{
    KEL->prevRecipePoint();
}

void MainWindow::on_butNextStep_clicked()
{
    KEL->nextRecipePoint();
}

void MainWindow::on_butStop_clicked()
{
    KEL->stopRecipe();
}

// HALT is never disabled: it stops every axis and then the run.
void MainWindow::on_butHalt_clicked()
{
    KEL->haltAll();
    KEL->stopRecipe();
}

void MainWindow::on_butSave_clicked()
{
    if (chooseRecipeFile(true, tr("SAVE RECIPE")))
        KEL->saveRcp();
}

void MainWindow::on_butLoad_clicked()
{
    if (chooseRecipeFile(false, tr("LOAD RECIPE"))) {
        KEL->loadRcp();
        ui->tabRun->compileNewRecipe();
    }
}

// The file dialog starts at the current recipe's name; an accepted name becomes the
// recipe's file name. False when the operator cancelled.
bool MainWindow::chooseRecipeFile(bool save, const QString &title)
{
    dlgRcpFile dialog(save, this);
    dialog.centreOnScreen();
    dialog.InitDlg();
    dialog.setWindowTitle(title);
    dialog.setCurFileName(KEL->getFileName());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    KEL->setFileName(dialog.getCurFileName());
    Ptx::diag(QString::fromLatin1(Ptx::DialogDoneText));
    return true;
}

void MainWindow::on_contRunMacro_clicked()
{
    KEL->setContMacro(ui->contRunMacro->isChecked());
}

// With auto-start set, the default recipe is loaded now and the panel connects once the
// window is up; START follows when the system reports ready, and the run then waits at the
// load prompt as any run does. A recipe that cannot be read, or is too large to be one, is
// neither loaded nor started. After a run of the panel that did not end by Exit (a crash)
// nothing starts by itself: the panel connects and, once the system is ready, says why.
void MainWindow::prepareAutoStart(bool cleanStart)
{
    const QString name = KEL->getDefRecipeName();
    if (!KEL->getRecipeAutoStart() || name.isEmpty())
        return;
    QStringList lines;
    QString refusal;
    if (!Ptx::readRecipeFile(name, &lines, &refusal)) {
        addDisplayLine(refusal.isEmpty() ? tr("AUTOSTART: CANNOT READ %1").arg(name)
                                         : tr("AUTOSTART: %1").arg(refusal));
        return;
    }
    KEL->setFileName(name);
    KEL->setRecipe(lines);
    ui->tabRun->compileNewRecipe();
    autoStartPending = true;
    autoStartHeld = !cleanStart;
    QMetaObject::invokeMethod(this, [this] {
        // Opening resets the link first, which reports "not connected": only a report after
        // the attempt has begun means that it failed.
        if (!KEL->isConnected() && !KEL->openConnection())
            autoStartPending = false;
        autoStartConnecting = true;
    }, Qt::QueuedConnection);
}

// Called on every connection change: when the start-up connection reaches a ready system,
// the pending auto-start runs START. When that connection fails or is lost first, the
// auto-start is dropped: a later connection made by the operator starts nothing by itself.
void MainWindow::autoStartWhenReady(int value)
{
    if (!autoStartPending)
        return;
    if (value == KelInterface::SystemReady) {
        autoStartPending = false;
        if (autoStartHeld)
            addDisplayLine(tr("NO AUTOSTART: THE PANEL DID NOT END BY EXIT LAST TIME"));
        else
            on_butStart_clicked();
    } else if (value == KelInterface::NotConnected && autoStartConnecting) {
        autoStartPending = false;
    }
}

// The editor works on a copy of the recipe; only OK hands the edited lines back.
void MainWindow::on_butEdit_clicked()
{
    RcpEdit->setRecipe(KEL->getRecipe());
    if (RcpEdit->exec() == QDialog::Accepted) {
        KEL->setRecipe(RcpEdit->getRecipe());
        ui->tabRun->compileNewRecipe();
        Ptx::diag(QString::fromLatin1(Ptx::DialogDoneText));
    }
    RcpEdit->hide();
}
