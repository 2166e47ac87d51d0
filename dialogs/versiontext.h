// The program's version line, shown in the about box and as the first message line.
#pragma once

namespace Ptx {

constexpr const char *VersionText = "Version 1.3 02-07-2014";

} // namespace Ptx
