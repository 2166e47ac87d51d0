// The controller's text commands: stage and focus speeds, centring speeds and "calib".
#pragma once

#include <QString>

namespace PtxSim {

class Hardware;

// Texts of the answers to a text command.
inline const QString TextAccepted = QStringLiteral("OK");
inline const QString TextRefused = QStringLiteral("ERROR");

// Carries out one text command ("speed x=N y=N", "speed b=N", "x99=N y99=N", "calib"),
// all or nothing, and returns TextAccepted or TextRefused.
QString runTextCommand(Hardware &hardware, const QString &text);

} // namespace PtxSim
