#include "app/runpreview.h"

#include "controller/kelinterface.h"

#include <QPainter>

RunPreview::RunPreview(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RunPreview::setInterface(KelInterface *kel)
{
    KEL = kel;
    refresh();
}

void RunPreview::refresh()
{
    if (KEL) {
        runPicture.showRun(*KEL);
        runPicture.setCrossHair(Ptx::RunPicture::pictureCoordinates(*KEL, KEL->stagePositionXY()));
    }
    update();
}

void RunPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    runPicture.paint(&painter, rect());
}
