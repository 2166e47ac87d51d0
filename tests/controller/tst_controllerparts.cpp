// The command ring, the receiver and the controller status on their own: queuing,
// withdrawing, a packet handler that stops the read, status replies.
#include "controller/commandring.h"
#include "controller/controllerstatus.h"
#include "controller/linkreceiver.h"
#include "controller/packet.h"

#include <QtTest>

class TestControllerParts : public QObject
{
    Q_OBJECT

private slots:
    void ringFillsAndWraps();
    void ringWithdraws();
    void handlerStopsTheRead();
    void statusReads_data();
    void statusReads();
};

namespace {

QByteArray position(long value)
{
    return Ptx::encodeCommandPacket(Ptx::DevX, Ptx::CmdRead + Ptx::ReplyOffset, Ptx::IdxPosition, 4, value);
}

} // namespace

void TestControllerParts::ringFillsAndWraps()
{
    CommandRing ring;
    // One slot always stays free, so that a full ring is told from an empty one.
    for (int i = 0; i < Ptx::CmdBufSize - 1; ++i)
        QCOMPARE(ring.add(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxPosition, i, false, nullptr), i);
    QCOMPARE(ring.add(Ptx::DevX, Ptx::CmdWrite, Ptx::IdxPosition, 0, false, nullptr), CommandRing::RingFull);
    QCOMPARE(ring.pendingTexts().size(), Ptx::CmdBufSize - 1);
    // A sent entry frees its slot: the ring wraps to the last slot, and is full again.
    ring.commandBuffer[0].done = true;
    ring.advanceTail();
    QCOMPARE(ring.add(Ptx::DevY, Ptx::CmdWrite, Ptx::IdxPosition, 7, false, nullptr), Ptx::CmdBufSize - 1);
    QCOMPARE(ring.add(Ptx::DevY, Ptx::CmdWrite, Ptx::IdxPosition, 8, false, nullptr), CommandRing::RingFull);
    const QStringList pending = ring.pendingTexts();
    QCOMPARE(pending.constFirst(), QStringLiteral("%1,%2,%3,1").arg(Ptx::DevX).arg(Ptx::CmdWrite).arg(Ptx::IdxPosition));
    QCOMPARE(pending.constLast(), QStringLiteral("%1,%2,%3,7").arg(Ptx::DevY).arg(Ptx::CmdWrite).arg(Ptx::IdxPosition));
}

void TestControllerParts::ringWithdraws()
{
    CommandRing ring;
    const int first = ring.add(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, true, nullptr);
    const int second = ring.addWrapper(Ptx::DevController, QStringLiteral("calib\r"), true);
    const int third = ring.add(Ptx::DevZ, Ptx::CmdWrite, Ptx::IdxPosition, 5, false, nullptr);
    // The entry at the tail may be on its way once the step has taken it.
    ring.cmdBufState = CommandRing::CmdAwait;
    QVERIFY(!ring.withdraw(first));
    QVERIFY(ring.withdraw(second));
    QVERIFY(ring.cmdDone(second) && ring.cmdError(second));
    QVERIFY(!ring.withdraw(second));
    // Names of no entry count as done without error.
    QVERIFY(ring.cmdDone(-1) && !ring.cmdError(Ptx::CmdBufSize));
    // Withdrawn entries behind the tail are passed over without being sent.
    ring.commandBuffer[first].done = true;
    ring.advanceTail();
    QVERIFY(ring.skipWithdrawn());
    QCOMPARE(int(ring.cmdBufTail), third);
    ring.withdrawPending();
    QVERIFY(ring.isEmpty() && !ring.awaitingReply());
    QVERIFY(ring.cmdDone(third) && ring.cmdError(third));
}

void TestControllerParts::handlerStopsTheRead()
{
    LinkReceiver rx;
    rx.connectionState = LinkReceiver::RxHunt;
    const QByteArray bytes = position(1) + position(2);
    int handed = 0;
    const LinkReceiver::Dropped d = rx.framePackets(reinterpret_cast<const unsigned char *>(bytes.constData()),
                                                    unsigned(bytes.size()), [&] { return ++handed < 1; });
    QVERIFY(d.stopped);
    QCOMPARE(handed, 1);
}

void TestControllerParts::statusReads_data()
{
    QTest::addColumn<unsigned int>("dev");
    QTest::addColumn<unsigned int>("index");
    QTest::addColumn<long>("value");
    QTest::addColumn<unsigned int>("changed");
    QTest::addColumn<QString>("status"); // y, shutters 1-3, busy mask, modules mask
    const unsigned int shutterRead = (Ptx::ShutterBase + 3) << 16;
    QTest::newRow("y position") << unsigned(Ptx::DevY) << unsigned(Ptx::IdxPosition) << -42L
                                << unsigned(ControllerStatus::ModulesSeen | ControllerStatus::PositionChanged)
                                << QStringLiteral("-42 0 0 0 0 %1").arg(1u << Ptx::DevY);
    QTest::newRow("third shutter open") << unsigned(Ptx::DevWheel1) << unsigned(Ptx::IdxShutter)
                                        << long(shutterRead | 1)
                                        << unsigned(ControllerStatus::ModulesSeen | ControllerStatus::ShuttersChanged)
                                        << QStringLiteral("0 0 0 1 0 %1").arg(1u << Ptx::DevWheel1);
    QTest::newRow("no such shutter") << unsigned(Ptx::DevWheel1) << unsigned(Ptx::IdxShutter)
                                     << long((Ptx::ShutterBase + 4) << 16 | 1)
                                     << unsigned(ControllerStatus::ModulesSeen | ControllerStatus::ShuttersChanged)
                                     << QStringLiteral("0 0 0 0 0 %1").arg(1u << Ptx::DevWheel1);
    QTest::newRow("busy mask") << unsigned(Ptx::DevController) << unsigned(Ptx::IdxBusyMask) << 0x6L
                               << unsigned(ControllerStatus::BusyChanged) << QStringLiteral("0 0 0 0 6 0");
}

void TestControllerParts::statusReads()
{
    QFETCH(unsigned int, dev);
    QFETCH(unsigned int, index);
    QFETCH(long, value);
    QFETCH(unsigned int, changed);
    QFETCH(QString, status);
    ControllerStatus s;
    QCOMPARE(s.applyRead(dev, index, value), changed);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                 .arg(s.ypos).arg(s.fwShut1Pos).arg(s.fwShut2Pos).arg(s.fwShut3Pos).arg(s.mbusy).arg(s.modulespresent),
             status);
}

QTEST_GUILESS_MAIN(TestControllerParts)
#include "tst_controllerparts.moc"
