// Placing a dialog in the middle of the panel's screen.
#pragma once

class QWidget;

namespace Ptx {

// Moves the widget so that its centre lies on the centre of the screen it is on (the
// primary screen when it has none yet).
void centreOnScreen(QWidget *widget);

} // namespace Ptx
