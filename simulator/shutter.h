// One shutter: closed, open, or exposing for its exposure time and then closing by itself.
#pragma once

#include <QtGlobal>

namespace PtxSim {

class Shutter
{
public:
    enum State { Closed = 0, Open = 1, Exposing = 2 };

    explicit Shutter(int exposureMs);

    int state(qint64 nowUs) const;
    bool setState(int state, qint64 nowUs);     // refused for values other than the states
    int exposureMs() const { return exposure; }
    bool setExposureMs(int ms);                 // refused outside 0..MaxExposureMs

    static constexpr int MaxExposureMs = 0xFFFF;

private:
    int current = Closed;
    int exposure;
    qint64 exposureEndUs = 0;
};

} // namespace PtxSim
