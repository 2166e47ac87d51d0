#include "app/panelcommandline.h"

#include "ptxversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace Ptx {

namespace {

const char *const Description =
    "Operator program of the PTX4100 panel: runs full screen and drives the motion controller\n"
    "named in \"config.xml\". The settings file and the recipes (*.rcp) live in the working\n"
    "folder.\n"
    "\n"
    "Qt's own options are taken as well, among them -platform NAME (linuxfb, eglfs, xcb,\n"
    "offscreen; the environment variable QT_QPA_PLATFORM does the same).\n"
    "\n"
    "Exit status: 0 after Exit, 2 wrong arguments, 3 a working folder that cannot be created\n"
    "or written.";

// A scratch file name in the folder being checked; removed straight away.
const char *const ProbeName = ".ptx-panel-write-check-XXXXXX";

} // namespace

PanelCommandLine::PanelCommandLine()
    : helpOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      versionOption({QStringLiteral("v"), QStringLiteral("version")},
                    QStringLiteral("Show the version.")),
      workDirOption(QStringLiteral("workdir"),
                    QStringLiteral("Keep \"config.xml\" and the recipes in DIR, created when "
                                   "missing (default: the current folder)."),
                    QStringLiteral("DIR"))
{
    parser.setApplicationDescription(QString::fromLatin1(Description));
    // Qt's options are single-dash words (-platform): never letters run together.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({helpOption, versionOption, workDirOption});
}

PanelCommandLine::Action PanelCommandLine::parse(const QStringList &arguments, bool qtOptionsRemoved)
{
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(helpOption))
        return Action::ShowHelp;
    if (parser.isSet(versionOption))
        return Action::ShowVersion;
    if (!qtOptionsRemoved)
        return Action::Run;
    if (!parsed) {
        error = parser.errorText();
        return Action::Error;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst());
        return Action::Error;
    }
    if (parser.isSet(workDirOption) && workDir().isEmpty()) {
        error = QStringLiteral("--workdir needs a folder name");
        return Action::Error;
    }
    return Action::Run;
}

QString PanelCommandLine::workDir() const
{
    return parser.value(workDirOption);
}

QString PanelCommandLine::helpText() const
{
    return parser.helpText();
}

QString PanelCommandLine::versionText()
{
    return QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(), QLatin1String(PTX_VERSION));
}

bool enterWorkDir(const QString &path, QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        *reason = QStringLiteral("%1 is not a folder").arg(path);
        return false;
    }
    if (!QDir().mkpath(path)) {
        *reason = QStringLiteral("cannot create the folder %1").arg(path);
        return false;
    }
    // Only a real write tells: permission bits say nothing to root or on a read-only mount.
    QTemporaryFile probe(QDir(path).filePath(QLatin1String(ProbeName)));
    if (!probe.open()) {
        *reason = QStringLiteral("cannot write in the folder %1: %2").arg(path, probe.errorString());
        return false;
    }
    probe.close();
    if (!QDir::setCurrent(path)) {
        *reason = QStringLiteral("cannot enter the folder %1").arg(path);
        return false;
    }
    return true;
}

} // namespace Ptx
