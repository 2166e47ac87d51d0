// Replacing a file's contents so that a failed write leaves the earlier file as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace Ptx {

// Writes bytes to a temporary file beside path and puts it in place of path only once all
// of them are on disk. False, with *error set when error is given, when that fails; the
// earlier file at path is then untouched.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

} // namespace Ptx
