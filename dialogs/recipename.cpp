#include "dialogs/recipename.h"

#include <QFileInfo>

#include <algorithm>

namespace Ptx {

namespace {

const QString Extension = QStringLiteral(".rcp");

bool stays(const QString &name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QStringLiteral(".."));
}

bool printable(const QString &name)
{
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

bool listedRecipeName(const QString &name)
{
    // The list's name filter matches the extension in any case.
    if (!stays(name) || name.startsWith(QLatin1Char('.')) || !name.endsWith(Extension, Qt::CaseInsensitive)
        || !printable(name) || name.toUtf8().size() > MaxFileNameBytes)
        return false;
    const QFileInfo existing(name);
    return !existing.exists() || (existing.isFile() && !existing.isSymLink());
}

} // namespace Ptx
