// AboutDialog: the about box with the program's version line.
#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

    // Shows the version line (the constructor already does).
    void setVersion();

private:
    Ui::AboutDialog *ui;
};
