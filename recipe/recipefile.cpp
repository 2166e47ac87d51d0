// The current recipe, its file name, and loading and saving it.
#include "recipe/recipefile.h"

#include "config/atomicfile.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"

#include <QCryptographicHash>
#include <QFile>

namespace Ptx {

namespace {
constexpr int ChecksumDigits = 16;
}

QByteArray recipeFileText(const QStringList &lines)
{
    QByteArray text;
    for (const QString &line : lines) {
        text += line.toUtf8();
        text += '\n';
    }
    return text;
}

QString recipeChecksum(const QStringList &lines)
{
    const QByteArray hash = QCryptographicHash::hash(recipeFileText(lines), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toHex().left(ChecksumDigits));
}

QStringList recipeFileLines(const QByteArray &text)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        else if (end > start && text.at(end - 1) == '\r')
            --end;
        lines.append(QString::fromUtf8(text.constData() + start, end - start));
        start = next;
    }
    return lines;
}

bool readRecipeFile(const QString &fileName, QStringList *lines, QString *refusal)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // One byte past the limit tells a file over it, whatever the file system says its size
    // is (a device or a pipe says 0), and never more is held in memory.
    const QByteArray text = file.read(MaxRecipeFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return false;
    QString why;
    if (text.size() > MaxRecipeFileBytes)
        why = QStringLiteral("OVER %1 MiB").arg(MaxRecipeFileBytes / (1024 * 1024));
    else if (text.count('\n') + (text.endsWith('\n') ? 0 : 1) > MaxRecipeFileLines)
        why = QStringLiteral("OVER %1 LINES").arg(MaxRecipeFileLines);
    if (!why.isEmpty()) {
        if (refusal)
            *refusal = QStringLiteral("RECIPE FILE %1 %2: NOT LOADED").arg(fileName, why);
        return false;
    }
    *lines = recipeFileLines(text);
    return true;
}

bool writeRecipeFile(const QString &fileName, const QStringList &lines)
{
    return writeFileAtomically(fileName, recipeFileText(lines));
}

} // namespace Ptx

namespace {

std::function<void()> &fileErrorReporter()
{
    static std::function<void()> reporter;
    return reporter;
}

void reportFileError()
{
    Ptx::diag(QStringLiteral("Error opening file"));
    if (fileErrorReporter())
        fileErrorReporter()();
}

} // namespace

void Ptx::setFileErrorReporter(std::function<void()> reporter)
{
    fileErrorReporter() = std::move(reporter);
}

void KelInterface::setRecipe(QStringList list)
{
    compiler.recipe = list;
}

QStringList KelInterface::getRecipe()
{
    return compiler.recipe;
}

void KelInterface::setFileName(QString name)
{
    compiler.rcpFileName = name;
    emit updateFileName(compiler.rcpFileName);
}

QString KelInterface::getFileName()
{
    return compiler.rcpFileName;
}

void KelInterface::saveRcp()
{
    if (!Ptx::writeRecipeFile(compiler.rcpFileName, compiler.recipe))
        reportFileError();
}

// A file that cannot be read leaves the recipe as it was. One too large to be a recipe is
// not an opening error: the message display says why it was not loaded.
void KelInterface::loadRcp()
{
    QString refusal;
    if (Ptx::readRecipeFile(compiler.rcpFileName, &compiler.recipe, &refusal))
        return;
    if (refusal.isEmpty()) {
        reportFileError();
        return;
    }
    Ptx::diag(refusal);
    emit addDispLine(refusal);
}
