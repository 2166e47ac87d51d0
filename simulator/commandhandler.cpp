#include "simulator/commandhandler.h"

#include "simulator/framing.h"
#include "simulator/hardware.h"
#include "simulator/textcommand.h"

namespace PtxSim {

namespace {

// A shutter word: (99 + shutter) in bits 16 to 23, a state or an exposure time below.
constexpr int ShutterShift = 16;
constexpr qint32 ShutterNumberMask = 0xFF;
constexpr qint32 LowWordMask = 0xFFFF;
// Low words from this value up are exposure times in ms; below it they are shutter states.
constexpr int FirstExposureValue = Shutter::Exposing + 1;
// The double wheel move carries wheel 2 in the upper 16 bits.
constexpr int WheelShift = 16;
// Wheel position values with a meaning of their own.
constexpr int WheelStay = 0;
constexpr int WheelHomeAlias = -1;

int shutterNumber(qint32 word)
{
    return ((word >> ShutterShift) & ShutterNumberMask) - int(ShutterBase);
}

qint32 shutterWord(int shutter, int low)
{
    return qint32((ShutterBase + shutter) << ShutterShift) + low;
}

} // namespace

CommandHandler::CommandHandler(Hardware &hardware) : hw(hardware) {}

std::optional<Packet> CommandHandler::handle(const Packet &request)
{
    const int dev = request.dev;
    if (!hw.present(dev))
        return std::nullopt;
    if (request.cmd == CmdText) {
        const QString answer = dev == DevController ? runTextCommand(hw, request.text())
                                                         : TextRefused;
        return textReply(request, answer);
    }
    const int cmd = request.cmd;
    const int index = request.index;
    const qint32 data = request.value();
    std::optional<qint32> result;
    if (dev == DevAll) {
        if (cmd == CmdHalt) {
            hw.halt();
            result = data;
        }
    } else if (Hardware::isAxis(dev)) {
        result = axisCommand(dev, cmd, index, data);
    } else if (dev == DevWheel1 && index == IdxShutter) {
        result = shutterCommand(cmd, data);
    } else if (dev == DevWheel1 || dev == DevWheel2) {
        result = wheelCommand(dev == DevWheel1 ? 1 : 2, cmd, index, data);
    } else if (dev == DevController) {
        result = controllerCommand(cmd, index);
    } else if (cmd == CmdRead && index == IdxPosition) {
        result = 0;  // a fitted module without a model still answers the presence probe
    }
    return valueReply(request, result.value_or(ReplyRefused));
}

std::optional<qint32> CommandHandler::axisCommand(int dev, int cmd, int index, qint32 data)
{
    Axis &axis = hw.axis(dev);
    const qint64 now = hw.nowUs();
    if (cmd == CmdMove && index == IdxAbsolute) {
        axis.moveTo(data, axis.speed(), now);
        return data;
    }
    if (cmd == CmdMove && (index == IdxRelPositive || index == IdxRelNegative)) {
        axis.moveBy(index == IdxRelPositive ? qint64(data) : -qint64(data), now);
        return data;
    }
    if (cmd == CmdHalt) {
        axis.stop(now);
        return data;
    }
    if (cmd == CmdWrite && index == IdxSpeed) {
        if (!axis.setSpeed(data))
            return std::nullopt;
        return data;
    }
    if (cmd == CmdRead && index == IdxPosition)
        return axis.position(now);
    if (cmd == CmdRead && index == IdxSpeed)
        return axis.speed();
    return std::nullopt;
}

std::optional<qint32> CommandHandler::wheelCommand(int wheel, int cmd, int index, qint32 data)
{
    if (cmd == CmdMove && index == IdxWheelMove) {
        if (!moveWheel(wheel, data))
            return std::nullopt;
        return data;
    }
    if (cmd == CmdMove && index == IdxWheelBoth && wheel == 1) {
        if (!bothWheels(data))
            return std::nullopt;
        return data;
    }
    if (cmd == CmdHalt) {
        hw.wheel(wheel).stop(hw.nowUs());
        return data;
    }
    if (cmd == CmdRead && index == IdxPosition)
        return hw.wheel(wheel).position(hw.nowUs());
    if (cmd == CmdRead && index == IdxWheelSize)
        return hw.wheel(wheel).size();
    return std::nullopt;
}

bool CommandHandler::moveWheel(int wheel, int position)
{
    Wheel &w = hw.wheel(wheel);
    if (position == WheelStay)
        return true;
    if (position == WheelHome || position == WheelHomeAlias) {
        w.home(hw.nowUs());
        return true;
    }
    if (position < 1 || position > w.size())
        return false;
    w.moveTo(position, hw.nowUs());
    return true;
}

bool CommandHandler::bothWheels(qint32 data)
{
    const int first = qint16(data & LowWordMask);
    const int second = qint16(data >> WheelShift);
    auto valid = [this](int wheel, int position) {
        return position == WheelStay || position == WheelHome
               || position == WheelHomeAlias
               || (position >= 1 && position <= hw.wheel(wheel).size());
    };
    const bool secondFitted = hw.present(DevWheel2);
    if (!valid(1, first) || (secondFitted && !valid(2, second)))
        return false;
    moveWheel(1, first);
    if (secondFitted)
        moveWheel(2, second);
    return true;
}

std::optional<qint32> CommandHandler::shutterCommand(int cmd, qint32 data)
{
    const int number = shutterNumber(data);
    if (!Hardware::isShutter(number))
        return std::nullopt;
    Shutter &shutter = hw.shutter(number);
    if (cmd == CmdRead)
        return shutterWord(number, shutter.state(hw.nowUs()));
    if (cmd != CmdWrite)
        return std::nullopt;
    const int low = data & LowWordMask;
    if (low >= FirstExposureValue)
        shutter.setExposureMs(low);
    else
        shutter.setState(low, hw.nowUs());
    return data;
}

std::optional<qint32> CommandHandler::controllerCommand(int cmd, int index)
{
    if (cmd == CmdRead && index == IdxBusyMask)
        return qint32(hw.busyMask());
    return std::nullopt;
}

} // namespace PtxSim
