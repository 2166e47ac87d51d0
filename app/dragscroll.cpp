// Drag scrolling of a scroll area: the contents follow the finger, as on a phone.
#include "app/dragscroll.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QScrollBar>

DragScroll::DragScroll(QAbstractScrollArea *scrollArea)
    : QObject(scrollArea), area(scrollArea), viewport(scrollArea->viewport())
{
    viewport->installEventFilter(this);
}

// The area sees none of the finger's presses and moves: on a display that is only read they
// would select text, which the panel has no use for.
bool DragScroll::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != viewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        dragging = true;
        startPos = mouse->position().toPoint();
        startValue = area->verticalScrollBar()->value();
        return true;
    }
    case QEvent::MouseMove: {
        if (!dragging)
            return false;
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        area->verticalScrollBar()->setValue(startValue - (at.y() - startPos.y()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!dragging)
            return false;
        dragging = false;
        return true;
    default:
        return false;
    }
}
