// The main screen's recipe commands.
#include "app/mainwindow.h"

#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "dialogs/kelscriptedit.h"

// HALT is never disabled: it stops every axis and then the run.
void MainWindow::on_butHalt_clicked()
{
    KEL->haltAll();
    KEL->stopRecipe();
}

// The editor follows the live position, wheels and shutters while it is open.
void MainWindow::connectEditor()
{
    connect(this, &MainWindow::posChanged, RcpEdit, &KelScriptEdit::updatePos);
    connect(KEL, &KelInterface::fw1PosChanged, RcpEdit, &KelScriptEdit::updateFwPos1);
    connect(KEL, &KelInterface::fw2PosChanged, RcpEdit, &KelScriptEdit::updateFwPos2);
    connect(KEL, &KelInterface::fwShutChanged, RcpEdit, &KelScriptEdit::updateShPos);
}

// The editor works on a copy of the recipe; only OK hands the edited lines back.
void MainWindow::on_butEdit_clicked()
{
    RcpEdit->setRecipe(KEL->getRecipe());
    if (RcpEdit->exec() == QDialog::Accepted) {
        KEL->setRecipe(RcpEdit->getRecipe());
        Ptx::diag(QStringLiteral("DONE "));
    }
    RcpEdit->hide();
}
