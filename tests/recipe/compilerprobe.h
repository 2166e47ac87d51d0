// Test access to the compiler's lists and working values, in a working folder of its own.
#pragma once

#include "controller/kelinterface.h"

#include <QDir>
#include <QTemporaryDir>

class CompilerProbe : public KelInterface
{
public:
    CompilerProbe() : KelInterface(QStringLiteral("127.0.0.1")) {}

    using KelInterface::AlnPoint1x, KelInterface::AlnPoint1y, KelInterface::AlnPoint2x, KelInterface::AlnPoint2y,
        KelInterface::circle_angle, KelInterface::curSpeedXY, KelInterface::defrepx, KelInterface::defrepy,
        KelInterface::defxincr, KelInterface::defyincr, KelInterface::numMacroPointsDefined,
        KelInterface::numPointsDefined, KelInterface::numRptPointsDefined, KelInterface::pointList,
        KelInterface::teachAlign, KelInterface::xincr, KelInterface::yincr;
};

// A CompilerProbe made in a fresh folder, since it reads and writes "config.xml" there.
struct CompilerFixture {
    QTemporaryDir dir;
    bool entered = QDir::setCurrent(dir.path());
    CompilerProbe kel;
};
