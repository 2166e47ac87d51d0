#include "app/panelstyle.h"

#include <QFile>

namespace Ptx {

QString panelStyleSheet()
{
    QFile file(QStringLiteral(":/style/panel.qss"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace Ptx
