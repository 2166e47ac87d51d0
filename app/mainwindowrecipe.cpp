// The main screen's recipe commands.
#include "app/mainwindow.h"

#include "controller/kelinterface.h"

// HALT is never disabled: it stops every axis and then the run.
void MainWindow::on_butHalt_clicked()
{
    KEL->haltAll();
    KEL->stopRecipe();
}
