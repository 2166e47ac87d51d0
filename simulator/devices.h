// The protocol numbers as plain ints, for comparisons with packet fields without sign mix-ups.
#pragma once

#include "controller/protocol.h"

namespace PtxSim {

constexpr int DevAll = int(Ptx::DevAll);
constexpr int DevX = int(Ptx::DevX);
constexpr int DevY = int(Ptx::DevY);
constexpr int DevZ = int(Ptx::DevZ);
constexpr int DevWheel1 = int(Ptx::DevWheel1);
constexpr int DevWheel2 = int(Ptx::DevWheel2);
constexpr int DevController = int(Ptx::DevController);

constexpr int CmdText = int(Ptx::CmdText);
constexpr int CmdMove = int(Ptx::CmdMove);
constexpr int CmdHalt = int(Ptx::CmdHalt);
constexpr int CmdWrite = int(Ptx::CmdWrite);
constexpr int CmdRead = int(Ptx::CmdRead);
constexpr int CmdTextReply = int(Ptx::CmdTextReply);

constexpr int IdxAbsolute = int(Ptx::IdxAbsolute);
constexpr int IdxRelPositive = int(Ptx::IdxRelPositive);
constexpr int IdxRelNegative = int(Ptx::IdxRelNegative);
constexpr int IdxPosition = int(Ptx::IdxPosition);
constexpr int IdxSpeed = int(Ptx::IdxSpeed);
constexpr int IdxWheelMove = int(Ptx::IdxWheelMove);
constexpr int IdxWheelBoth = int(Ptx::IdxWheelBoth);
constexpr int IdxBusyMask = int(Ptx::IdxBusyMask);
constexpr int IdxWheelSize = int(Ptx::IdxWheelSize);
constexpr int IdxShutter = int(Ptx::IdxShutter);

constexpr int WheelHome = int(Ptx::WheelHome);
constexpr int ShutterBase = int(Ptx::ShutterBase);

} // namespace PtxSim
