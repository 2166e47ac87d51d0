// Recipe files: one recipe line per text line, UTF-8, lines ended by a line feed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace Ptx {

// The file text of a recipe: every line followed by "\n"; empty for an empty recipe.
QByteArray recipeFileText(const QStringList &lines);

// The lines of a file text. A line ends at "\n" or "\r\n" or at the end of the text; a
// final line end adds no empty line.
QStringList recipeFileLines(const QByteArray &text);

// The largest recipe file the panel takes, in bytes and in lines. A hand-written recipe is a
// few kilobytes; anything past these is not a recipe, and its lines alone would take more
// memory than the panel has to spare.
constexpr qint64 MaxRecipeFileBytes = 4 * 1024 * 1024;
constexpr qsizetype MaxRecipeFileLines = 20000;

// Reads the file into *lines. False, *lines untouched, when it cannot be read or is larger
// than the limits above; in the second case *refusal, when given, receives the display line
// that says why ("RECIPE FILE big.rcp OVER 4 MiB: NOT LOADED").
bool readRecipeFile(const QString &fileName, QStringList *lines, QString *refusal = nullptr);

// A short checksum of the file text of a recipe (16 hexadecimal digits), to tell whether a
// recipe is still the one an earlier run ran.
QString recipeChecksum(const QStringList &lines);

// Writes the file atomically: a failed write leaves any earlier file as it was.
bool writeRecipeFile(const QString &fileName, const QStringList &lines);

// How a recipe file that cannot be loaded or saved reaches the operator: the screens install
// a reporter; without one (tests, command-line tools) only the diagnostic line is written.
void setFileErrorReporter(std::function<void()> reporter);

} // namespace Ptx
