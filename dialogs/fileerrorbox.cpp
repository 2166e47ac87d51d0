#include "dialogs/fileerrorbox.h"

#include "app/panelstyle.h"
#include "dialogs/haltkey.h"

#include <QMessageBox>

namespace Ptx {

void showFileErrorBox()
{
    QMessageBox box(QMessageBox::Warning, QString(), QStringLiteral("Error Opening File."),
                    QMessageBox::Ok);
    // The HALT key takes its look from the panel's style sheet.
    box.setStyleSheet(Ptx::panelStyleSheet());
    // A tap on HALT halts and closes the box; OK stays the default.
    box.addButton(new HaltKey, QMessageBox::RejectRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

} // namespace Ptx
