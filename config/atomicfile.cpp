// Atomic file replacement through QSaveFile.
#include "config/atomicfile.h"

#include <QSaveFile>

namespace Ptx {

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // The write and the flush are checked on their own: commit() does not always notice a
    // short write or a failed final flush (a full disk, a file size limit), and would put a
    // truncated file in place of the old one. An uncommitted QSaveFile removes its
    // temporary file when it goes out of scope.
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                       && file.flush() && file.commit();
    if (!saved && error != nullptr)
        *error = file.errorString();
    return saved;
}

} // namespace Ptx
