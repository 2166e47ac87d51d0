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

// A short checksum of the file text of a recipe (16 hexadecimal digits), to tell whether a
// recipe is still the one an earlier run ran.
QString recipeChecksum(const QStringList &lines);

// Reads the file into *lines. False, *lines untouched, when it cannot be read.
bool readRecipeFile(const QString &fileName, QStringList *lines);

// Writes the file atomically: a failed write leaves any earlier file as it was.
bool writeRecipeFile(const QString &fileName, const QStringList &lines);

// How a recipe file that cannot be loaded or saved reaches the operator: the screens install
// a reporter; without one (tests, command-line tools) only the diagnostic line is written.
void setFileErrorReporter(std::function<void()> reporter);

} // namespace Ptx
