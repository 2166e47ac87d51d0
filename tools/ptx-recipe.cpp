// ptx-recipe: compiles a recipe file the way START does and prints the run list, so a
// recipe can be checked without a panel or a controller.
#include "controller/kelinterface.h"
#include "recipe/recipefile.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runrestore.h"

#include "app/runpicture.h"
#include "ptxversion.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

enum ExitCode { Compiled = 0, Stopped = 1, Unreadable = 2 };
const QSize PictureSize(800, 480);

constexpr int RealDigits = 17;

const char *const HelpText =
    "Usage: ptx-recipe [--config FILE] [--picture FILE.png] [--from N] RECIPE\n"
    "       ptx-recipe --help | --version\n"
    "\n"
    "Compiles the recipe file RECIPE exactly as the panel's START does and prints the run\n"
    "list on standard output, tab-separated: one header line, then one line per entry\n"
    "\n"
    "  index kind x y z speedxy speedz delay f1pos f2pos f1move f2move shopt fdelay\n"
    "\n"
    "where kind is xy, z, wheel, pause or shutter, reals have 17 significant digits,\n"
    "booleans are 0 or 1 and shopt is decimal; then the line\n"
    "\n"
    "  entries=N pattern=R macro=M align=0|1\n"
    "\n"
    "The compiler's diagnostic lines, and the lines it skipped or stopped at, go to\n"
    "standard error.\n"
    "\n"
    "Options:\n"
    "  --config FILE  take the stage and focus speeds and the jog increments from this\n"
    "                 settings file (as \"config.xml\"); without it the defaults apply.\n"
    "                 No settings file is created or changed.\n"
    "  --picture FILE.png  also draw the run list as the panel's Run page shows it:\n"
    "                 points in order, pattern placements boxed, alignment and load\n"
    "                 points marked, entries outside the settings file's travel limits\n"
    "                 crossed (800 x 480 pixels).\n"
    "  --from N       print instead what a run started at entry N (from 1) sends before\n"
    "                 that entry, to bring the wheels, shutters, speeds, stage and focus\n"
    "                 to where the entries before it left them: the same header, one line\n"
    "                 per restoring step with index r1, r2, ..., then the line of entry N\n"
    "                 and the line \"from=N restore=R entries=M\".\n"
    "  --help         show this text.\n"
    "  --version      show the version.\n"
    "\n"
    "Exit status: 0 the whole recipe compiled, 1 the compile stopped early (a CIRCLE or\n"
    "ARC through three points in a line), 2 a file cannot be read or written, the recipe\n"
    "file is over 4 MiB or 20000 lines (as the panel refuses it), or the arguments are\n"
    "wrong.\n";

const char *kindName(const recipePointStruct &entry)
{
    switch (Ptx::entryKind(entry)) {
    case Ptx::EntryKind::StageXY:
        return "xy";
    case Ptx::EntryKind::Focus:
        return "z";
    case Ptx::EntryKind::Wheels:
        return "wheel";
    case Ptx::EntryKind::Pause:
        return "pause";
    case Ptx::EntryKind::Shutters:
        break;
    }
    return "shutter";
}

QString real(double value)
{
    return QString::number(value, 'g', RealDigits);
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString entryLine(int index, const recipePointStruct &e)
{
    const QStringList fields{QString::number(index), QLatin1String(kindName(e)), real(e.x), real(e.y),
                             real(e.z), real(e.speedxy), real(e.speedz), real(e.delay),
                             QString::number(e.f1pos), QString::number(e.f2pos), flag(e.f1move),
                             flag(e.f2move), QString::number(e.shopt), QString::number(e.fdelay)};
    return fields.join(QLatin1Char('\t'));
}

void printError(const QString &text)
{
    std::fprintf(stderr, "ptx-recipe: %s\n", qPrintable(text));
}

struct Arguments {
    QString recipe;
    QString config;
    QString picture;
    int from = 0;           // 0: print the run list
    bool help = false;
    bool version = false;
    bool ok = true;
};

Arguments parseArguments(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption config(QStringLiteral("config"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption picture(QStringLiteral("picture"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("N"));
    parser.addOptions({help, version, config, picture, from});
    Arguments parsed;
    parsed.ok = parser.parse(args) && parser.positionalArguments().size() <= 1;
    parsed.help = parser.isSet(help);
    parsed.version = parser.isSet(version);
    parsed.config = parser.value(config);
    parsed.picture = parser.value(picture);
    parsed.recipe = parser.positionalArguments().value(0);
    if (parser.isSet(from)) {
        bool number = false;
        parsed.from = parser.value(from).toInt(&number);
        parsed.ok = parsed.ok && number && parsed.from >= 1;
    }
    if (parsed.recipe.isEmpty() && !parsed.help && !parsed.version)
        parsed.ok = false;
    return parsed;
}

// The Run page's picture of the compiled run list, at the size of the panel's page.
bool writePicture(KelInterface &kel, const QString &path)
{
    QImage image(PictureSize, QImage::Format_RGB32);
    QPainter painter(&image);
    Ptx::RunPicture picture;
    picture.showRun(kel);
    picture.paint(&painter, QRectF(image.rect()));
    painter.end();
    return image.save(path, "PNG");
}

// What a run started at entry from (1 to the number of entries) sends before that entry.
void printRestore(QTextStream &out, KelInterface &kel, int from)
{
    QVector<recipePointStruct> entries;
    for (int i = 0; i < kel.compiledPointCount(); ++i)
        entries << kel.compiledPoint(i);
    const QVector<recipePointStruct> steps =
        Ptx::restoreEntries(entries, from - 1, kel.getXYSpeed(), kel.getFocusSpeed());
    for (int i = 0; i < steps.size(); ++i) {
        out << 'r' << entryLine(i + 1, steps.at(i)) << '\n';
    }
    out << entryLine(from - 1, entries.at(from - 1)) << '\n';
    out << QStringLiteral("from=%1 restore=%2 entries=%3\n").arg(from).arg(steps.size()).arg(entries.size());
}

// Compiles in a private working folder, where the interface reads and rewrites its own
// copy of the settings file.
int compile(const QStringList &lines, const QString &configPath, const QString &picturePath, int from)
{
    QTemporaryDir workDir;
    if (!workDir.isValid()) {
        printError(QStringLiteral("cannot create a working folder"));
        return Unreadable;
    }
    if (!configPath.isEmpty() && !QFile::copy(configPath, workDir.filePath(QStringLiteral("config.xml")))) {
        printError(QStringLiteral("cannot read %1").arg(configPath));
        return Unreadable;
    }
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(workDir.path());
    auto kel = std::make_unique<KelInterface>(QStringLiteral("127.0.0.1"));
    kel->setRecipe(lines);
    const int result = kel->ScanRecipe();

    const int count = kel->compiledPointCount();
    if (from > count) {
        printError(QStringLiteral("entry %1 is not in the run list of %2 entries").arg(from).arg(count));
        kel.reset();
        QDir::setCurrent(previousDir);
        return Unreadable;
    }
    QTextStream out(stdout);
    out << "index\tkind\tx\ty\tz\tspeedxy\tspeedz\tdelay\tf1pos\tf2pos\tf1move\tf2move\tshopt\tfdelay\n";
    if (from > 0) {
        printRestore(out, *kel, from);
    } else {
        for (int i = 0; i < count; ++i)
            out << entryLine(i, kel->compiledPoint(i)) << '\n';
        out << QStringLiteral("entries=%1 pattern=%2 macro=%3 align=%4\n")
                   .arg(count)
                   .arg(kel->compiledPatternCount())
                   .arg(kel->compiledMacroCount())
                   .arg(kel->compiledAlign() ? 1 : 0);
    }
    out.flush();

    for (const QString &problem : kel->compileProblems())
        printError(problem);
    int exitCode = result < 0 ? Stopped : Compiled;
    if (!picturePath.isEmpty() && !writePicture(*kel, picturePath)) {
        printError(QStringLiteral("cannot write %1").arg(picturePath));
        exitCode = Unreadable;
    }
    kel.reset();
    QDir::setCurrent(previousDir);
    return exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    // The picture is drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const Arguments args = parseArguments(QCoreApplication::arguments());
    if (args.help) {
        std::fputs(HelpText, stdout);
        return Compiled;
    }
    if (args.version) {
        std::puts("ptx-recipe " PTX_VERSION);
        return Compiled;
    }
    if (!args.ok) {
        std::fputs(HelpText, stderr);
        return Unreadable;
    }
    QStringList lines;
    QString refusal;
    if (!Ptx::readRecipeFile(args.recipe, &lines, &refusal)) {
        printError(refusal.isEmpty() ? QStringLiteral("cannot read %1").arg(args.recipe) : refusal);
        return Unreadable;
    }
    const QString config = args.config.isEmpty() ? QString() : QFileInfo(args.config).absoluteFilePath();
    const QString picture = args.picture.isEmpty() ? QString() : QFileInfo(args.picture).absoluteFilePath();
    return compile(lines, config, picture, args.from);
}
