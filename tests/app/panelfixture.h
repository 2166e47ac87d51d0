// PanelFixture: the main screen on a PanelProbe in a working folder of its own, for the
// main screen's tests to derive from (next to QObject).
#pragma once

#include "app/mainwindow.h"
#include "panelprobe.h"
#include "support/findwidget.h"

#include <QTemporaryDir>

#include <memory>

class PanelFixture
{
protected:
    // A fresh window on a fresh probe; the window owns the probe.
    void openWindow()
    {
        kel = new PanelProbe;
        window = std::make_unique<MainWindow>(kel);
    }

    template <typename T = QPushButton>
    T *w(const QString &name) const
    {
        return findWidget<T>(*window, name);
    }

    QTemporaryDir dir;
    PanelProbe *kel = nullptr;
    std::unique_ptr<MainWindow> window;
};
