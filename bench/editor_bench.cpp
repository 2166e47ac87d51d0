// The recipe editor on a recipe as long as the run list: how long the operator waits for a
// tap on the last line (its frame replays every line above it) and for STORE on a point
// (the line is rewritten, the list refilled and the next line read).
#include "controller/kelinterface.h"
#include "dialogs/kelscriptedit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int RecipeLines = 3999;
constexpr int Repetitions = 20;

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

// Points inside a repeat block below an ALIGN line, so that every read sets a frame.
QStringList longRecipe()
{
    QStringList lines{QStringLiteral("ALIGN 0,0,100,1"), QStringLiteral("DEFREP 10,20")};
    while (lines.size() < RecipeLines - 1)
        lines << QStringLiteral("POINT %1,%2").arg(lines.size() % 100 * 0.25).arg(lines.size() / 100 * 0.25);
    lines << QStringLiteral("{END}");
    return lines;
}

// Median and fastest wall-clock time of an action, in milliseconds.
void measure(const char *name, const std::function<void()> &action)
{
    std::vector<double> wall;
    for (int i = 0; i < Repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        wall.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(wall.begin(), wall.end());
    std::printf("%-28s lines=%d median=%.2f fastest=%.2f ms\n", name, RecipeLines,
                wall[wall.size() / 2], wall.front());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    qInstallMessageHandler(dropMessage);
    {
        KelInterface kel(QStringLiteral("127.0.0.1"));
        KelScriptEdit editor(&kel);
        editor.setRecipe(longRecipe());
        editor.show();
        auto *list = editor.findChild<QListWidget *>(QStringLiteral("listWidget"));
        auto *edit = editor.findChild<QPushButton *>(QStringLiteral("butEdit"));
        auto *store = editor.findChild<QPushButton *>(QStringLiteral("butTchStore"));
        measure("tap on the last point", [&] {
            list->setCurrentRow(RecipeLines - 2);
            edit->click();
        });
        measure("STORE on the last point", [&] {
            list->setCurrentRow(RecipeLines - 2);
            edit->click();
            store->click();
        });
    }
    QDir::setCurrent(previousDir);
    return 0;
}
