#include "app/startmarker.h"

#include "controller/diagnostics.h"

#include <QFile>

namespace Ptx {

bool markPanelRunning()
{
    const QString name = QString::fromLatin1(StartMarkerName);
    if (QFile::exists(name))
        return false;
    QFile marker(name);
    // Without the marker a crash would go unnoticed; the panel still runs.
    if (!marker.open(QIODevice::WriteOnly))
        diag(QStringLiteral("%1 NOT WRITTEN").arg(name));
    return true;
}

void clearPanelRunning()
{
    QFile::remove(QString::fromLatin1(StartMarkerName));
}

} // namespace Ptx
