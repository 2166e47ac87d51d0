#include "recipe/runnerstates.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace Ptx {

namespace {

constexpr int StatesWithStep[] = {
    RCP_IDLE, RCP_START, RCP_CHOOSE,
    RCP_LOADXY, RCP_LOADXY_TAKEN, RCP_LOADXY_IDLE,
    RCP_LOADZ, RCP_LOADZ_TAKEN, RCP_LOADZ_IDLE,
    RCP_AT_LOAD, RCP_END, RCP_WAIT_LOAD, RCP_LOADED,
    RCP_RUN, RCP_LOAD_ENTRY, RCP_SPEEDS_TAKEN, RCP_ISSUE_ENTRY, RCP_ENTRY_TAKEN,
    RCP_ENTRY_IDLE, RCP_DWELL, RCP_NEXT_ENTRY,
    RCP_RESTORE_LOAD, RCP_RESTORE_ISSUE, RCP_RESTORE_TAKEN, RCP_RESTORE_IDLE,
    RCP_ALN1_MOVE, RCP_ALN1_TAKEN, RCP_ALN1_IDLE, RCP_ALN1_WAIT,
    RCP_ALN2_MOVE, RCP_ALN2_TAKEN, RCP_ALN2_IDLE, RCP_ALN2_WAIT, RCP_ALN2_STORE,
};

} // namespace

bool recipeStateHasStep(int state)
{
    return std::find(std::begin(StatesWithStep), std::end(StatesWithStep), state)
        != std::end(StatesWithStep);
}

bool recipeStepChains(int from, int to)
{
    return (from == RCP_DWELL && to == RCP_NEXT_ENTRY) || (from == RCP_ENTRY_TAKEN && to == RCP_ENTRY_IDLE)
           || (from == RCP_ENTRY_IDLE && to == RCP_NEXT_ENTRY) || (from == RCP_NEXT_ENTRY && to == RCP_LOAD_ENTRY);
}

int dwellTicks(double ms)
{
    if (!(ms > 0.0))
        return 0;
    const double ticks = std::trunc(ms / RecipeTickMs);
    if (ticks >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(ticks);
}

} // namespace Ptx
