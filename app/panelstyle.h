// The panel's one style sheet, kept as a resource so that the whole look is edited in one place.
#pragma once

#include <QString>

namespace Ptx {

// The style sheet's text; empty if the resource is missing.
QString panelStyleSheet();

} // namespace Ptx
