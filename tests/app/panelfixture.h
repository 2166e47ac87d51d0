// PanelFixture: the main screen on the simulated controller, its tick stepped by the test, in
// a working folder of its own, for the main screen's tests to derive from (next to QObject).
#pragma once

#include "livepanel.h"

#include <QFile>
#include <QTemporaryDir>

class PanelFixture
{
protected:
    // A fresh window on a fresh interface and controller, not connected; the interface
    // writes its settings file anew.
    void openWindow(const PtxSim::Options &options = everyModule())
    {
        panel.reset();
        QFile::remove(QStringLiteral("config.xml"));
        panel = std::make_unique<LivePanel>(options, Stepped);
        kel = panel->kel;
        window = panel->window.get();
    }

    template <typename T = QPushButton>
    T *w(const QString &name) const { return findWidget<T>(*window, name); }
    // Connects through the start-up, whose commands are dropped.
    bool connectPanel() { return panel->connectPanel() && (drop(), true); }
    // The commands queued since the last drop(), oldest first: with the tick stopped, none
    // has gone out.
    QStringList queued() const { return kel->pendingCommands().mid(seen); }
    void drop() { seen = kel->pendingCommands().size(); }

    QTemporaryDir dir;
    std::unique_ptr<LivePanel> panel;
    KelInterface *kel = nullptr;
    MainWindow *window = nullptr;
    int seen = 0;
};
