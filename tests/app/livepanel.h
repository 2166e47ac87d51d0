// LivePanel: the main screen connected to a fast simulated controller on loopback, its
// interface ticking every millisecond, for the tests that run the panel end to end.
#pragma once

#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "panelprobe.h"
#include "simulator/simulator.h"
#include "support/findwidget.h"

#include <QEventLoop>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <memory>

namespace LiveTest {
constexpr int TickMs = 1;
constexpr double HardwareSpeedUp = 25.0;
constexpr int StartUpMs = 20000;
constexpr int TrafficMs = 5000;
constexpr qint32 StepsPerMM = 10000;

// Runs the event loop until the condition holds. Unlike QTRY_*, which sleeps between
// passes, this lets the interface's 1 ms tick run at its own pace.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = TrafficMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(TickMs);
    if (!condition())
        loop.exec();
    return condition();
}

// A fast simulated controller and a panel pointed at it, its interface ticking fast.
struct LivePanel {
    LivePanel()
    {
        sim.setTimeScale(HardwareSpeedUp);
        listening = sim.listen();
        window->kelInterface()->setTickPeriod(TickMs);
        window->kelInterface()->setIpAddr(sim.clientAddress());
    }
    QPushButton *b(const char *name) const { return findWidget(*window, QLatin1String(name)); }
    QString messages() const { return window->findChild<QTextEdit *>()->toPlainText(); }
    bool text(const char *name, const char *expected) const { return b(name)->text() == QLatin1String(expected); }
    // Presses the connection button and waits for the system check to pass.
    bool connectPanel()
    {
        b("pushButton")->click();
        return waitUntil([this] { return text("pushButton", "DISCONNECT"); }, StartUpMs);
    }

    PtxSim::Simulator sim;
    bool listening = false;
    PanelProbe *kel = new PanelProbe;   // owned by the window
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(kel);
};
} // namespace LiveTest

using namespace LiveTest;
