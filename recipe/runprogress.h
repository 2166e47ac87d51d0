// RunProgress: how far a run has got and how long it has left, as the screens show it.
#pragma once

#include <QString>

namespace Ptx {

struct RunProgress {
    bool running = false;
    int entry = 0;          // the entry being run, from 1; 0 before the first
    int entries = 0;
    int firstEntry = 1;     // the entry the run started at, from 1
    int pattern = 0;        // placement of the repeat pattern the entry belongs to, or 0
    int patterns = 0;
    int macro = 0;          // insertion of the macro the entry belongs to, or 0
    int macros = 0;
    bool continuous = false;
    double leftMs = 0.0;    // time left; not known in a continuous run
    double modelLeftMs = 0.0; // the model's time left, before the correction by the run's pace
};

// "ENTRY 12 OF 40  PATTERN 3 OF 8  2:05 LEFT"; empty while no run is going.
QString progressText(const RunProgress &progress);
// "1 ENTRY", "40 ENTRIES"
QString entriesText(int count);
// "45 s", "2:05", "1:02:05"; "> 99 h" for anything longer and for an endless time.
QString durationText(double ms);

} // namespace Ptx
