// The program's version line, shown in the about box and as the first message line.
#pragma once

#include "ptxversion.h"

namespace Ptx {

constexpr const char *VersionText = "Version " PTX_VERSION " " PTX_RELEASE_DATE;

} // namespace Ptx
