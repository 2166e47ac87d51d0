#include "dialogs/aboutdialog.h"
#include "ui_aboutdialog.h"

#include "app/panelstyle.h"
#include "dialogs/versiontext.h"

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    setStyleSheet(Ptx::panelStyleSheet());
    setVersion();
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

void AboutDialog::setVersion()
{
    ui->label->setText(QString::fromLatin1(Ptx::VersionText));
}
