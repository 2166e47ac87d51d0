#include "dialogs/screencentre.h"

#include <QScreen>
#include <QWidget>

namespace Ptx {

void centreOnScreen(QWidget *widget)
{
    const QScreen *where = widget->screen();
    if (!where)
        return;
    widget->move(where->geometry().center() - widget->rect().center());
}

} // namespace Ptx
