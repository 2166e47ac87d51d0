// RunPreview: the Run page's picture of the compiled run list, its progress and the stage.
#pragma once

#include "app/runpicture.h"

#include <QWidget>

class KelInterface;

class RunPreview : public QWidget
{
    Q_OBJECT

public:
    explicit RunPreview(QWidget *parent = nullptr);

    void setInterface(KelInterface *kel);
    const Ptx::RunPicture &picture() const { return runPicture; }

public slots:
    // Reads the run list, the run's progress and the stage position again and redraws.
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    KelInterface *KEL = nullptr;
    Ptx::RunPicture runPicture;
};
