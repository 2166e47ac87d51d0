// What a run-list entry does, and the fields of a shutter option word, as the runner reads them.
#pragma once

#include "controller/protocol.h"

#include <QtGlobal>

struct recipePointStruct;

namespace Ptx {

enum class EntryKind {
    StageXY,    // XY point
    Focus,      // Z point
    Wheels,     // one or both filter wheels
    Pause,      // no wheel, shutter word 63: a pause of fdelay milliseconds
    Shutters    // no wheel, any other shutter word: shutter codes or an exposure time
};

EntryKind entryKind(const recipePointStruct &entry);

// Shutter codes of the option word, two bits per shutter.
enum ShutterCode : int {
    ShutterClose = 0,
    ShutterOpen = 1,
    ShutterExpose = 2,
    ShutterKeep = 3
};

// All three shutters left unchanged and no exposure time: a pause entry.
constexpr quint32 PauseWord = 63;

struct ShutterWord {
    int code[ShutterCount] = {ShutterKeep, ShutterKeep, ShutterKeep};
    int exposureShutter = 0;    // 1 to 3 when the word sets an exposure time, else 0
    int exposureTime = 0;       // milliseconds, bits 16 to 31
};

// Codes from bits 0-1, 2-3, 4-5; the exposure shutter from bits 8, 9, 10 (a later bit
// wins); the exposure time from the high 16 bits.
ShutterWord decodeShutterWord(quint32 shopt);
// The option word of a shutter entry: the exposure time when exposureShutter is set, else
// the three codes.
quint32 encodeShutterWord(const ShutterWord &word);

} // namespace Ptx
