// The marker file that tells a clean start from a start after a crash: the panel writes it
// in its working folder when it starts, and Exit removes it.
#pragma once

namespace Ptx {

constexpr const char *StartMarkerName = "ptx-panel.running";

// Notes in the working folder that the panel runs. False when the marker was there
// already: the panel's last run did not end by Exit.
bool markPanelRunning();
// Exit: the run ends cleanly.
void clearPanelRunning();

} // namespace Ptx
