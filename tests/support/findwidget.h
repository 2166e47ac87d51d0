// findWidget: a named child widget for tests. A missing one stops the run at once with its
// name, rather than crashing in the check that would use it.
#pragma once

#include <QObject>
#include <QPushButton>
#include <QString>
#include <QtGlobal>

template <typename T = QPushButton>
T *findWidget(const QObject &parent, const QString &name)
{
    T *found = parent.findChild<T *>(name);
    if (!found)
        qFatal("no widget %s", qPrintable(name));
    return found;
}
