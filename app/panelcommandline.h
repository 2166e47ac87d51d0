// PanelCommandLine: the panel's own options (--help, --version, --workdir) beside Qt's.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace Ptx {

// Exit statuses of ptx-panel besides the event loop's own.
enum PanelExit { PanelBadArguments = 2, PanelUnusableWorkDir = 3 };

class PanelCommandLine
{
public:
    enum class Action { Run, ShowHelp, ShowVersion, Error };

    PanelCommandLine();

    // Reads the arguments, the program name first. Before the application object has taken
    // Qt's own options (-platform NAME and the others) out of the list they are still there,
    // so only --help and --version count and nothing is an error; afterwards anything unknown
    // is an error.
    Action parse(const QStringList &arguments, bool qtOptionsRemoved);

    QString workDir() const;
    QString errorText() const { return error; }
    QString helpText() const;
    static QString versionText();

private:
    QCommandLineParser parser;
    QCommandLineOption helpOption;
    QCommandLineOption versionOption;
    QCommandLineOption workDirOption;
    QString error;
};

// Makes `path` the working folder, creating it when missing, so that "config.xml" and the
// recipes are read and written there. False, with the reason, when it cannot be created,
// entered or written in.
bool enterWorkDir(const QString &path, QString *reason);

} // namespace Ptx
