// showFileErrorBox: tells the operator that a recipe file could not be read or written, in a
// modal box that carries the HALT key like every dialog of the panel.
#pragma once

namespace Ptx {

void showFileErrorBox();

} // namespace Ptx
