// Reads fault-switch changes typed on standard input while ptx-sim runs.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace PtxSim {

class Simulator;

class Console : public QObject
{
    Q_OBJECT

public:
    explicit Console(Simulator *simulator, QObject *parent = nullptr);

    // Carries out one line ("delay 50", "split off", "status", "help") and returns the answer.
    QString execute(const QString &line);

private:
    void readLine();

    Simulator *sim;
    QSocketNotifier *notifier;
};

} // namespace PtxSim
