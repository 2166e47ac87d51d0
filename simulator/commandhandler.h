// Carries out one binary or text command on the hardware model and builds its reply.
#pragma once

#include "simulator/packet.h"

#include <optional>

namespace PtxSim {

class Hardware;

// Reply value of a command the controller does not carry out (unknown command or index,
// wheel position or shutter out of range, speed not positive).
constexpr qint32 ReplyRefused = -1;

class CommandHandler
{
public:
    explicit CommandHandler(Hardware &hardware);

    // The reply, or nothing when the addressed module is not fitted.
    std::optional<Packet> handle(const Packet &request);

private:
    // Each returns the reply value, or nothing when the command is refused.
    std::optional<qint32> axisCommand(int dev, int cmd, int index, qint32 data);
    std::optional<qint32> wheelCommand(int wheel, int cmd, int index, qint32 data);
    std::optional<qint32> shutterCommand(int cmd, qint32 data);
    std::optional<qint32> controllerCommand(int cmd, int index);
    bool moveWheel(int wheel, int position);
    bool bothWheels(qint32 data);

    Hardware &hw;
};

} // namespace PtxSim
