#include "recipe/runrestore.h"

#include "recipe/recipepoint.h"
#include "recipe/runnerentrykind.h"

#include <algorithm>
#include <optional>

namespace Ptx {

namespace {

recipePointStruct shutterEntry(const ShutterWord &word)
{
    recipePointStruct e;
    e.filtmove = true;
    e.shopt = encodeShutterWord(word);
    return e;
}

// A shutter entry that sets each shutter found in state to that state and leaves the others.
std::optional<recipePointStruct> shuttersTo(const std::optional<int> (&state)[ShutterCount], int wanted)
{
    ShutterWord word;
    bool any = false;
    for (int n = 0; n < ShutterCount; ++n) {
        if (state[n] == wanted) {
            word.code[n] = wanted;
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    return shutterEntry(word);
}

} // namespace

QVector<recipePointStruct> restoreEntries(const QVector<recipePointStruct> &entries, int first,
                                          double speedXY, double speedZ)
{
    std::optional<int> exposure[ShutterCount];
    std::optional<int> shutter[ShutterCount];
    std::optional<int> wheel1, wheel2;
    std::optional<recipePointStruct> stage, focus;
    const int end = std::min(first, int(entries.size()));
    for (int i = 0; i < end; ++i) {
        recipePointStruct e = entries.at(i);
        switch (entryKind(e)) {
        case EntryKind::StageXY:
            // The first entry of a run runs at the configured speeds.
            e.speedxy = i == 0 ? speedXY : e.speedxy;
            e.delay = 0.0;
            stage = e;
            break;
        case EntryKind::Focus:
            e.speedz = i == 0 ? speedZ : e.speedz;
            e.delay = 0.0;
            focus = e;
            break;
        case EntryKind::Wheels:
            if (e.f1move)
                wheel1 = e.f1pos;
            if (e.f2move)
                wheel2 = e.f2pos;
            break;
        case EntryKind::Pause:
            break;
        case EntryKind::Shutters: {
            const ShutterWord word = decodeShutterWord(e.shopt);
            if (word.exposureShutter != 0) {
                exposure[word.exposureShutter - 1] = word.exposureTime;
                break;
            }
            for (int n = 0; n < ShutterCount; ++n) {
                if (word.code[n] != ShutterKeep)
                    shutter[n] = word.code[n] == ShutterOpen ? ShutterOpen : ShutterClose;
            }
            break;
        }
        }
    }

    QVector<recipePointStruct> steps;
    for (int n = 0; n < ShutterCount; ++n) {
        if (exposure[n]) {
            ShutterWord word;
            word.exposureShutter = n + 1;
            word.exposureTime = *exposure[n];
            steps << shutterEntry(word);
        }
    }
    if (const auto close = shuttersTo(shutter, ShutterClose))
        steps << *close;
    if (wheel1 || wheel2) {
        recipePointStruct e;
        e.filtmove = true;
        e.f1move = wheel1.has_value();
        e.f2move = wheel2.has_value();
        e.f1pos = wheel1.value_or(0);
        e.f2pos = wheel2.value_or(0);
        steps << e;
    }
    if (focus)
        steps << *focus;
    if (stage)
        steps << *stage;
    if (const auto open = shuttersTo(shutter, ShutterOpen))
        steps << *open;
    return steps;
}

} // namespace Ptx
