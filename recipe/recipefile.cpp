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

bool readRecipeFile(const QString &fileName, QStringList *lines)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
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
    recipe = list;
}

QStringList KelInterface::getRecipe()
{
    return recipe;
}

void KelInterface::setFileName(QString name)
{
    rcpFileName = name;
    emit updateFileName(rcpFileName);
}

QString KelInterface::getFileName()
{
    return rcpFileName;
}

void KelInterface::saveRcp()
{
    if (!Ptx::writeRecipeFile(rcpFileName, recipe))
        reportFileError();
}

// A file that cannot be read leaves the recipe as it was.
void KelInterface::loadRcp()
{
    if (!Ptx::readRecipeFile(rcpFileName, &recipe))
        reportFileError();
}
