// MotionFixture: a fresh MotionProbe in a fresh working folder for each test function, for
// test classes to derive from (next to QObject), so no "config.xml" carries over.
#pragma once

#include "support/motionprobe.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

class MotionFixture
{
protected:
    // From init(): false when the folder cannot be made or entered.
    bool openProbe()
    {
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid() || !QDir::setCurrent(dir->path()))
            return false;
        kel = std::make_unique<MotionProbe>();
        return true;
    }

    // From cleanup(): the probe goes before its folder.
    void closeProbe()
    {
        kel.reset();
        dir.reset();
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MotionProbe> kel;
};
