// Protocol numbers, time-outs and capacities of the PTX4100 link, in one place.
#pragma once

#include <cstdint>

namespace Ptx {

// Device (module) numbers carried in byte 1 of every packet.
enum Device : unsigned int {
    DevAll = 0,        // halt only
    DevX = 1,
    DevY = 2,
    DevZ = 3,
    DevWheel1 = 17,    // filter wheel 1 and the three shutters
    DevWheel2 = 27,
    DevController = 32 // busy mask and text commands
};

// Command numbers. The controller answers a command with its number plus 128.
enum Command : unsigned int {
    CmdText = 9,
    CmdMove = 65,
    CmdHalt = 66,
    CmdWrite = 83,
    CmdRead = 84,
    CmdTextReply = CmdText + 128,
};

constexpr unsigned int ReplyOffset = 128;

// Indexes (parameters or sub-functions).
enum Index : unsigned int {
    IdxAbsolute = 0,      // 65: move to absolute position
    IdxRelPositive = 4,   // 65: relative move, positive direction
    IdxRelNegative = 6,   // 65: relative move, negative direction
    IdxPosition = 5,      // 84: axis or wheel position
    IdxSpeed = 13,        // 83/84: axis speed; 65: single wheel move
    IdxWheelMove = 13,
    IdxWheelBoth = 15,    // 65: both wheels in one command
    IdxBusyMask = 63,     // 84 on device 32
    IdxWheelSize = 200,   // 84: number of wheel positions
    IdxShutter = 258      // 83/84 on device 17
};

// Index reported for a command that was refused before queueing (impossible target); the
// ring itself answers -2 (full) or -3 (entry in use).
constexpr int NotQueued = -1;

// A shutter's word carries (99 + shutter number) in bits 16 to 23.
constexpr long ShutterBase = 99;
// Two values in one data word: the low one in bits 0 to 15, the high one from bit 16
// (both-wheel move, shutter words).
constexpr long LowWordMask = 0xFFFF;
constexpr long HighWordScale = 65536;
// Wheel position value of a wheel's home button.
constexpr long WheelHome = 72;

// Hardware: two filter wheels (devices 17 and 27); three shutters on device 17.
constexpr int WheelCount = 2;
constexpr int ShutterCount = 3;

// Framing.
constexpr unsigned char PacketStart = 0x23;  // "#"
constexpr unsigned char PacketEnd = 0x0D;
constexpr int HeaderSize = 8;
constexpr int MaxCommandData = 4;

// Capacities.
constexpr int RxBufSize = 1000;
constexpr int ReadChunk = 2000;
constexpr int CmdBufSize = 5000;
constexpr int PointListSize = 4000;
constexpr int RptListSize = 200;
constexpr int MacroListSize = 50;

// Time-outs and periods.
constexpr int TickMs = 25;
constexpr int ConnectTimeoutMs = 5000;
constexpr int ReplyTimeoutTicks = 9;      // time-out once the count exceeds this
constexpr int LongReplyTimeoutTicks = 99;
constexpr int SettleTicks = 200;          // start-up settling, about 5 s
constexpr int FirstProbedModule = 1;
constexpr int SkippedModule = 13;
constexpr int ModuleLimit = 32;

// Link defaults.
constexpr std::uint16_t DefaultPort = 23;
constexpr const char *LoginUser = "panel";
constexpr const char *LoginPassword = "ptx";

} // namespace Ptx
