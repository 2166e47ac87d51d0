// Test access to the compiler's lists and working values, and a diagnostic collector.
#pragma once

#include "controller/kelinterface.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class CompilerProbe : public KelInterface
{
public:
    CompilerProbe() : KelInterface(QStringLiteral("127.0.0.1")) {}

    using KelInterface::AddFiltPoint;
    using KelInterface::AddPoint;
    using KelInterface::AlnPoint1x;
    using KelInterface::AlnPoint1y;
    using KelInterface::AlnPoint2x;
    using KelInterface::AlnPoint2y;
    using KelInterface::circle_angle;
    using KelInterface::circle_dir;
    using KelInterface::curDelay;
    using KelInterface::curSpeedXY;
    using KelInterface::curSpeedZ;
    using KelInterface::defrepx;
    using KelInterface::defrepy;
    using KelInterface::defxincr;
    using KelInterface::defyincr;
    using KelInterface::fmacroPointList;
    using KelInterface::line_steps;
    using KelInterface::numMacroPointsDefined;
    using KelInterface::numPointsDefined;
    using KelInterface::numRptPointsDefined;
    using KelInterface::pointList;
    using KelInterface::rptPointList;
    using KelInterface::speedXY;
    using KelInterface::speedZ;
    using KelInterface::teachAlign;
    using KelInterface::xincr;
    using KelInterface::yincr;
};

// Collects every diagnostic line instead of printing it, while it lives.
class DiagnosticCollector
{
public:
    DiagnosticCollector();
    ~DiagnosticCollector();
    QStringList lines() const;
    void clear();

private:
    QtMessageHandler previous;
};

// A KelInterface in a fresh working folder of its own (it reads and writes "config.xml").
struct CompilerFixture {
    CompilerFixture();
    ~CompilerFixture();
    QString previousDir;
    QTemporaryDir dir;
    std::unique_ptr<CompilerProbe> kel;
};
