// Hardware time of the simulator: the wall clock sped up by a factor, or a manual clock.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace PtxSim {

class HardwareClock
{
public:
    explicit HardwareClock(double scale = 1.0);

    // Hardware time in microseconds since the simulator started.
    qint64 nowUs() const;
    qint64 nowMs() const { return nowUs() / 1000; }

    static constexpr double MaxScale = 1e6;
    void setScale(double factor);   // factors outside (0, MaxScale] are ignored
    double scale() const { return factor; }
    void setManual(bool on);
    void advance(qint64 ms);        // manual clock only; negative steps are ignored

private:
    // Hardware time is base + (wall time since the base was taken) x factor.
    void rebase();

    QElapsedTimer wall;
    qint64 baseWallNs = 0;
    qint64 baseUs = 0;
    double factor = 1.0;
    bool manual = false;
};

} // namespace PtxSim
