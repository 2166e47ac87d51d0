// DragScroll: scrolls a scroll area's contents up and down under a dragging finger.
#pragma once

#include <QObject>
#include <QPoint>

class QAbstractScrollArea;
class QWidget;

class DragScroll : public QObject
{
    Q_OBJECT

public:
    // Watches the area's viewport; the object becomes a child of the area.
    explicit DragScroll(QAbstractScrollArea *scrollArea);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractScrollArea *area;
    // Kept apart: while the area is being destroyed its viewport still sends events here.
    QWidget *viewport;
    bool dragging = false;
    QPoint startPos;
    int startValue = 0;
};
