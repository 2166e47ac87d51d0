#include "recipe/runnerentrykind.h"

#include "recipe/recipepoint.h"

namespace Ptx {

namespace {

constexpr int CodeBits = 2;
constexpr quint32 CodeMask = 3;
constexpr int FirstExposureBit = 8;
constexpr int TimeShift = 16;

} // namespace

EntryKind entryKind(const recipePointStruct &entry)
{
    if (!entry.filtmove)
        return entry.zmove ? EntryKind::Focus : EntryKind::StageXY;
    if (entry.f1move || entry.f2move)
        return EntryKind::Wheels;
    return entry.shopt == PauseWord ? EntryKind::Pause : EntryKind::Shutters;
}

ShutterWord decodeShutterWord(quint32 shopt)
{
    ShutterWord word;
    for (int n = 0; n < ShutterCount; ++n) {
        word.code[n] = static_cast<int>((shopt >> (n * CodeBits)) & CodeMask);
        if (shopt & (1u << (FirstExposureBit + n)))
            word.exposureShutter = n + 1;
    }
    word.exposureTime = static_cast<int>(shopt >> TimeShift);
    return word;
}

quint32 encodeShutterWord(const ShutterWord &word)
{
    if (word.exposureShutter != 0)
        return (1u << (FirstExposureBit + word.exposureShutter - 1)) | (quint32(word.exposureTime) << TimeShift);
    quint32 shopt = 0;
    for (int n = 0; n < ShutterCount; ++n)
        shopt |= (quint32(word.code[n]) & CodeMask) << (n * CodeBits);
    return shopt;
}

} // namespace Ptx
