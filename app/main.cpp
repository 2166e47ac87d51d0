// Program entry: one full-screen main window and the event loop.
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow window;
    window.showFullScreen();
    return app.exec();
}
