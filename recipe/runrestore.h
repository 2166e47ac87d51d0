// What a run started at a later entry sends first, so that the controller stands as that
// entry expects: worked out from the run list alone, shared by the runner and ptx-recipe.
#pragma once

#include <QVector>

struct recipePointStruct;

namespace Ptx {

// The entries a run started at entry first (from 0) sends before it, in order:
//   - the exposure time of each shutter that an earlier entry set, the last one set;
//   - the shutters the earlier entries left closed (an exposure ends closed), closed;
//   - each filter wheel to where the last wheel entry that moved it left it;
//   - focus to the last focus point, stage to the last XY point, each at the speed that
//     point ran at (the first entry of a run at the configured speedXY or speedZ);
//   - the shutters the earlier entries left open, opened, once the stage stands there.
// Nothing is exposed and nothing dwells. Empty when first is 0 or no earlier entry left
// anything to restore.
QVector<recipePointStruct> restoreEntries(const QVector<recipePointStruct> &entries, int first,
                                          double speedXY, double speedZ);

} // namespace Ptx
