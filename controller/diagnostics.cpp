#include "controller/diagnostics.h"

#include <QDebug>

namespace Ptx {

void diag(const QString &line)
{
    qDebug().noquote() << line;
}

} // namespace Ptx
