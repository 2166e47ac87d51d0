// The main screen's configuration command: the settings dialog, and on OK every value back
// to the interface and into "config.xml".
#include "app/mainwindow.h"

#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "dialogs/dlgconfig.h"

void MainWindow::on_butConfigure_clicked()
{
    configure();
}

void MainWindow::configure()
{
    dlgConfig dialog(KEL->getIpAddr(), this);
    dialog.init(KEL->getXYRes(), KEL->getXYSpeed(), KEL->getXYCenSpeed(), KEL->getXYDefIncr(),
                KEL->getXYdoCenter(), KEL->getXYLdPtEnable(), KEL->getFocusRes(),
                KEL->getFocusSpeed(), KEL->getFocusDefIncr(), KEL->getZLdPtEnable(),
                KEL->getDefRecipeName(), KEL->getRecipeAutoStart());
    dialog.setTravelLimits(KEL->getTravelLimits());
    dialog.centreOnScreen();
    if (dialog.exec() != QDialog::Accepted)
        return;

    ipAddr = dialog.getAddr();
    KEL->setIpAddr(ipAddr);
    KEL->setXYRes(dialog.getStageRes());
    KEL->setXYSpeed(dialog.getStageSpeed());
    KEL->setXYCenSpeed(dialog.getStageCenterSpeed());
    KEL->setXYDefIncr(dialog.getStageDefIncr());
    KEL->setXYdoCenter(dialog.getStageDoCenter());
    KEL->setFocusRes(dialog.getFocusRes());
    KEL->setFocusSpeed(dialog.getFocusSpeed());
    KEL->setFocusDefIncr(dialog.getFocusDefIncr());
    KEL->setDefRecipeName(dialog.getRecipeName());
    KEL->setRecipeAutoStart(dialog.getRecipeAutoStart());
    KEL->setXYLdPtEnable(dialog.getStageUseLoadPt());
    KEL->setTravelLimits(dialog.getTravelLimits());
    KEL->setZLdPtEnable(dialog.getFocusUseLoadPt());
    KEL->writeConfigData();
    Ptx::diag(QString::fromLatin1(Ptx::DialogDoneText));
}
