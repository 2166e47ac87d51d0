// Test access to the compiler's lists and working values, in a working folder of its own.
#pragma once

#include "controller/kelinterface.h"

#include <QDir>
#include <QTemporaryDir>

class CompilerProbe : public KelInterface
{
public:
    CompilerProbe() : KelInterface(QStringLiteral("127.0.0.1")) {}

    using KelInterface::AlnPoint1x;
    using KelInterface::AlnPoint1y;
    using KelInterface::AlnPoint2x;
    using KelInterface::AlnPoint2y;
    using KelInterface::circle_angle;
    using KelInterface::curSpeedXY;
    using KelInterface::defrepx;
    using KelInterface::defrepy;
    using KelInterface::defxincr;
    using KelInterface::defyincr;
    using KelInterface::line_steps;
    using KelInterface::numMacroPointsDefined;
    using KelInterface::numPointsDefined;
    using KelInterface::numRptPointsDefined;
    using KelInterface::pointList;
    using KelInterface::teachAlign;
    using KelInterface::xincr;
    using KelInterface::yincr;
};

// A CompilerProbe made in a fresh folder, since it reads and writes "config.xml" there.
struct CompilerFixture {
    QTemporaryDir dir;
    bool entered = QDir::setCurrent(dir.path());
    CompilerProbe kel;
};
