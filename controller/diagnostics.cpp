#include "controller/diagnostics.h"

#include <QLoggingCategory>

// The diagnostic lines' own category: QT_LOGGING_RULES="ptx.diag.debug=false" silences them.
Q_LOGGING_CATEGORY(lcDiag, "ptx.diag")

namespace Ptx {

void diag(const QString &line)
{
    // Straight to the message handler, as qDebug() would deliver it: building a QDebug
    // stream costs far more than the line itself, and a recipe compile writes many lines.
    const QLoggingCategory &category = lcDiag();
    if (!category.isDebugEnabled())
        return;
    const QMessageLogContext context(nullptr, 0, nullptr, category.categoryName());
    qt_message_output(QtDebugMsg, context, line);
}

} // namespace Ptx
