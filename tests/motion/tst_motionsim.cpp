// Motion commands end to end: from the panel's operations to the simulated controller's axes,
// wheels and shutters, and back to the position display.
#include "controller/simrig.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
constexpr int MaxTicks = 400;
constexpr qint32 StepsPerMM = 10000;

bool sent(const PtxSim::Simulator &sim, int dev, int cmd, int index, qint32 value)
{
    const QList<PtxSim::Packet> packets = sim.received();
    for (const PtxSim::Packet &p : packets)
        if (p.dev == dev && p.cmd == cmd && p.index == index && p.value() == value)
            return true;
    return false;
}
} // namespace

class TestMotionSim : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void jogArrives();
    void absoluteMoveArrives();
    void skewMoveArrives();
    void wheelAndShutterArrive();

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SimRig> rig;
};

void TestMotionSim::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(dir->path()));
    rig = std::make_unique<SimRig>();
    QVERIFY(rig->startUp());
    rig->sim.resetCounters();
}

void TestMotionSim::cleanup()
{
    rig.reset();
    dir.reset();
}

void TestMotionSim::jogArrives()
{
    const qint32 start = rig->sim.axisPosition(Ptx::DevX);
    rig->probe.incX(false); // the default step of 1 mm, backwards
    QVERIFY(rig->tickUntil([&] { return rig->sim.count(Ptx::DevX, Ptx::CmdMove, 6) == 1; }, MaxTicks));
    QVERIFY(sent(rig->sim, Ptx::DevX, Ptx::CmdMove, Ptx::IdxRelNegative, StepsPerMM));
    QVERIFY(rig->tickUntil([&] { return rig->sim.axisPosition(Ptx::DevX) == start - StepsPerMM; },
                           MaxTicks));
}

void TestMotionSim::absoluteMoveArrives()
{
    QSignalSpy xs(&rig->probe, &KelInterface::xPosChanged);
    QSignalSpy ys(&rig->probe, &KelInterface::yPosChanged);
    rig->probe.moveXYTo(1.5, -2.25);
    QVERIFY(rig->tickUntil([&] { return rig->sim.axisTarget(Ptx::DevY) == -22500; }, MaxTicks));
    QVERIFY(sent(rig->sim, Ptx::DevX, Ptx::CmdMove, Ptx::IdxAbsolute, 15000));
    QCOMPARE(rig->sim.axisTarget(Ptx::DevX), 15000);
    // The polling cycle brings the arrived position back to the display.
    QVERIFY(rig->tickUntil([&] {
        return !xs.isEmpty() && xs.last().at(0).toDouble() == 1.5 && !ys.isEmpty()
               && ys.last().at(0).toDouble() == -2.25;
    }, MaxTicks));
}

void TestMotionSim::skewMoveArrives()
{
    // Specimen X along stage Y from (1, 1): specimen (2, 0.5) is stage (0.5, 3).
    rig->probe.setAlignPt1(1.0, 1.0);
    rig->probe.setAlignPt2(1.0, 6.0);
    rig->probe.setSkew();
    rig->probe.moveXYTo(2.0, 0.5);
    rig->probe.moveZTo(12.34);
    QVERIFY(rig->tickUntil([&] { return rig->sim.count(Ptx::DevZ, Ptx::CmdMove, 0) == 1; }, MaxTicks));
    QCOMPARE(rig->sim.axisTarget(Ptx::DevX), 5000);
    QCOMPARE(rig->sim.axisTarget(Ptx::DevY), 30000);
    QCOMPARE(rig->sim.axisTarget(Ptx::DevZ), 123);
}

void TestMotionSim::wheelAndShutterArrive()
{
    rig->probe.moveFWboth(3, 7);
    rig->probe.ctrlShutter(2, 1);
    QVERIFY(rig->tickUntil([&] {
        return rig->sim.wheelPosition(1) == 3 && rig->sim.wheelPosition(2) == 7
               && rig->sim.shutterState(2) == 1;
    }, MaxTicks));
    QVERIFY(sent(rig->sim, Ptx::DevWheel1, Ptx::CmdMove, Ptx::IdxWheelBoth, 458755));
}

QTEST_GUILESS_MAIN(TestMotionSim)
#include "tst_motionsim.moc"
