// Which recipe file names the file dialog takes: only names that stay in the working folder
// and that LOAD lists again afterwards.
#pragma once

#include <QString>

namespace Ptx {

// A file name's longest form the file system keeps, in bytes.
constexpr int MaxFileNameBytes = 255;

// True for a complete file name (extension included) that names a recipe file of the
// working folder as LOAD lists them: no folder part ("/", "\\", ".."), not hidden, ending
// in ".rcp", no control characters, short enough to be kept, and not already taken by a
// folder, a link or anything else that is not a plain file.
bool listedRecipeName(const QString &name);

} // namespace Ptx
