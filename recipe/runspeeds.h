// RunSpeeds: the axis speeds the runner last set on this connection, so that an entry
// whose speeds are already in force does not send them again.
#pragma once

#include "controller/protocol.h"

#include <QtGlobal>

#include <optional>

namespace Ptx {

class RunSpeeds
{
public:
    // True when the runner set steps per second on the axis and nothing has changed it since.
    bool holds(unsigned int axis, qint32 steps) const
    {
        const std::optional<qint32> *known = slot(axis);
        return known && known->has_value() && **known == steps;
    }
    void note(unsigned int axis, qint32 steps)
    {
        if (std::optional<qint32> *known = slot(axis))
            *known = steps;
    }
    void forget(unsigned int axis)
    {
        if (std::optional<qint32> *known = slot(axis))
            known->reset();
    }
    void forgetAll()
    {
        for (std::optional<qint32> &known : speeds)
            known.reset();
    }

private:
    std::optional<qint32> *slot(unsigned int axis)
    {
        return axis >= DevX && axis <= DevZ ? &speeds[axis - DevX] : nullptr;
    }
    const std::optional<qint32> *slot(unsigned int axis) const
    {
        return axis >= DevX && axis <= DevZ ? &speeds[axis - DevX] : nullptr;
    }

    std::optional<qint32> speeds[DevZ - DevX + 1];
};

} // namespace Ptx
