// Program entry: the command line, the working folder, then one full-screen main window and
// the event loop.
#include "app/mainwindow.h"
#include "app/panelcommandline.h"
#include "controller/kelinterface.h"
#include "telemetry/paneltelemetry.h"

#include "ptxversion.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("ptx-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PTX_VERSION));

    // --help and --version need no screen: answer them before a platform is opened, so that
    // they work over a remote shell on a panel whose screen the service holds.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments.append(QString::fromLocal8Bit(argv[i]));
    Ptx::PanelCommandLine commandLine;
    const Ptx::PanelCommandLine::Action early = commandLine.parse(rawArguments, false);
    if (early == Ptx::PanelCommandLine::Action::ShowHelp
        || early == Ptx::PanelCommandLine::Action::ShowVersion) {
        QCoreApplication textOnly(argc, argv);   // the usage line takes the program name from it
        const QString text = early == Ptx::PanelCommandLine::Action::ShowHelp
                                 ? commandLine.helpText()
                                 : Ptx::PanelCommandLine::versionText();
        std::fputs(qPrintable(text), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    // The application object has taken Qt's own options out of the arguments by now.
    const Ptx::PanelCommandLine::Action action = commandLine.parse(QCoreApplication::arguments(), true);
    if (action == Ptx::PanelCommandLine::Action::Error) {
        std::fprintf(stderr, "ptx-panel: %s (see --help)\n", qPrintable(commandLine.errorText()));
        return Ptx::PanelBadArguments;
    }
    QString reason;
    if (!commandLine.workDir().isEmpty() && !Ptx::enterWorkDir(commandLine.workDir(), &reason)) {
        std::fprintf(stderr, "ptx-panel: %s\n", qPrintable(reason));
        return Ptx::PanelUnusableWorkDir;
    }

    MainWindow window;
    // Publishes what the panel does when the settings ask for it; gone before the window.
    Ptx::PanelTelemetry telemetry(window.kelInterface()->getTelemetry(), window.kelInterface());
    QObject::connect(&window, &MainWindow::displayLineAdded, &telemetry,
                     &Ptx::PanelTelemetry::publishDisplayLine);
    QObject::connect(&telemetry, &Ptx::PanelTelemetry::notice, &window, &MainWindow::addDisplayLine);
    window.showFullScreen();
    return app.exec();
}
