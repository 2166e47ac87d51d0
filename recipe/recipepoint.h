// The compiled recipe entry that the compiler writes and the runner, the time model and the
// restoring of a run read.
#pragma once

#include <QtGlobal>

namespace Ptx {
// Where a run-list entry came from: the placement of the repeat pattern and the insertion
// of the macro it belongs to, counted from 1; 0 for an entry of the recipe's own lines.
struct EntryOrigin {
    int pattern = 0;
    int macro = 0;
};
} // namespace Ptx

// One compiled recipe entry of the run list, the repeat pattern or the macro.
struct recipePointStruct {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double speedxy = 0.0;
    double speedz = 0.0;
    double delay = 0.0;
    bool zmove = false;
    qint32 options = 0;
    bool filtmove = false;
    qint32 f1pos = 0;
    qint32 f2pos = 0;
    bool f1move = false;
    bool f2move = false;
    quint32 shopt = 0;
    bool fmacro = false;
    qint32 fdelay = 0;
};
