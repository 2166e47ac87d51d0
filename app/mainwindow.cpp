// Construction of the main screen.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "controller/kelinterface.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
}

MainWindow::~MainWindow()
{
    delete ui;
}
