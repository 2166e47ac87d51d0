// MainWindow: the panel's only top-level screen; shows the controller state and runs its commands.
#pragma once

#include <QMainWindow>

class KelInterface;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    KelInterface *KEL = nullptr;
    Ui::MainWindow *ui = nullptr;
};
