// The link without a connection: addresses, the receiver fed by hand, the command ring with
// its time-outs and halt, polling and impossible start-up speeds.
#include "controller/address.h"
#include "linkprobe.h"

#include <QSignalSpy>
#include <QtTest>

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

static QByteArray reply(uint dev, uint index, long value, uint dlen = 4)
{
    return Ptx::encodeCommandPacket(dev, Ptx::CmdRead + Ptx::ReplyOffset, index, dlen, value);
}

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void address_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");     // "host port", empty when refused
        QTest::newRow("plain address uses port 23") << "192.168.1.20" << "192.168.1.20 23";
        QTest::newRow("highest port") << "ptx:65535" << "ptx 65535";
        QTest::newRow("IPv6 literal has no port") << "fe80::1" << "fe80::1 23";
        QTest::newRow("port zero") << "127.0.0.1:0" << "";
        QTest::newRow("port too big") << "127.0.0.1:65536" << "";
        QTest::newRow("port not a number") << "127.0.0.1:telnet" << "";
        QTest::newRow("no host") << ":23" << "";
    }

    void address()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        QString host;
        quint16 port = 0;
        const bool ok = Ptx::splitAddress(address, &host, &port);
        QCOMPARE(ok ? QStringLiteral("%1 %2").arg(host).arg(port) : QString(), expected);
    }

    void receiver_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<int>("chunk");               // bytes per read; 0: all in one
        QTest::addColumn<QList<long>>("positions");   // X, Y, Z afterwards; 77 where untouched
        QTest::addColumn<int>("dropped");             // frames given up; -1: any number
        const QByteArray x = reply(1, 5, 111), y = reply(2, 5, -222), z = reply(3, 5, 333);
        const QList<long> onlyX{111, 77, 77};
        QTest::newRow("every byte its own read") << x + y + z << 1 << QList<long>{111, -222, 333} << 0;
        QTest::newRow("noise before and between") << "ab" + x + "\r\n" + y + "zz" + z << 0
                                                  << QList<long>{111, -222, 333} << 0;
        QTest::newRow("no data reads 0") << reply(3, 5, 9, 0) << 0 << QList<long>{77, 77, 0} << 0;
        QTest::newRow("three data bytes are not signed") << reply(2, 5, -2, 3) << 0
                                                         << QList<long>{77, 16777214, 77} << 0;
        QTest::newRow("five data bytes read 0") << hex("23 02 d4 00 05 00 05 00 01 02 03 04 05 0d") << 0
                                                << QList<long>{77, 0, 77} << 0;
        QTest::newRow("unknown device") << reply(9, 5, 1) + x << 0 << onlyX << 0;
        // Declared length 992 needs 1001 bytes: more than the buffer holds.
        QTest::newRow("declared length too long") << hex("23 02 d4 00 05 00 e0 03") + x << 0 << onlyX << 1;
        QTest::newRow("longest length that fits") << hex("23 02 d4 00 05 00 df 03") + QByteArray(991, 'a') + "\r" + x
                                                  << 0 << QList<long>{111, 0, 77} << 0;
        QTest::newRow("wrong terminator") << reply(2, 5, 9).replace(12, 1, "X") + x << 0 << onlyX << 1;
        // Each "#" inside a dropped packet starts a hunt of its own: here two headers declare
        // impossible lengths before the good packet is found.
        QTest::newRow("packet inside a dropped one") << hex("23 02 d4") + x.left(5) + hex("ff ff") + x << 0
                                                     << onlyX << 2;
        QTest::newRow("good packet hidden in bad data") << hex("23 09 d4 00 05 00 0d 00") + x + "x" << 0
                                                        << onlyX << 1;
        // Every "#" of a burst is given up at once; the reply right after it is held by a
        // false frame until the bytes that follow show that frame bad.
        const QByteArray burst = QByteArray(20000, '#') + x + QByteArray(300, 'z');
        QTest::newRow("burst of # in one read") << burst << 0 << onlyX << 20000;
        QTest::newRow("burst of # in reads of a socket's size") << burst << Ptx::ReadChunk << onlyX << 20000;
        QTest::newRow("burst of # in odd reads") << burst << 7 << onlyX << 20000;
        QByteArray noise(200000, '\0');
        QRandomGenerator(17).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("noise in reads of a socket's size") << noise + x + QByteArray(1000, 'z') << Ptx::ReadChunk
                                                           << onlyX << -1;
    }

    void receiver()
    {
        QFETCH(QByteArray, read);
        QFETCH(int, chunk);
        QFETCH(QList<long>, positions);
        QFETCH(int, dropped);
        DiagCapture diag;
        LinkProbe probe;
        probe.enterPacketMode();
        probe.xpos = probe.ypos = probe.zpos = 77;
        const int step = chunk ? chunk : int(read.size());
        for (int i = 0; i < read.size(); i += step)
            probe.receiveBytes(read.mid(i, step));
        QCOMPARE((QList<long>{probe.xpos, probe.ypos, probe.zpos}), positions);
        // At most one line per read tells how many frames it gave up.
        const QStringList lines = diag.lines().filter(QStringLiteral("dropped"));
        QVERIFY(lines.size() <= (read.size() + step - 1) / step);
        int total = 0;
        for (const QString &line : lines)
            total += line.section(QLatin1Char(' '), 2, 2).toInt();
        if (dropped >= 0)
            QCOMPARE(total, dropped);
    }

    void shutterReply_data()
    {
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<QList<long>>("states");
        QTest::newRow("shutter 2 open") << (101ll << 16) + 1 << QList<long>{0, 1, 0};
        QTest::newRow("shutter 3 exposing") << (102ll << 16) + 2 << QList<long>{0, 0, 2};
        QTest::newRow("no shutter 4") << (103ll << 16) + 1 << QList<long>{0, 0, 0};
    }

    void shutterReply()
    {
        QFETCH(qlonglong, value);
        QFETCH(QList<long>, states);
        LinkProbe probe;
        probe.enterPacketMode();
        QSignalSpy spy(&probe, &KelInterface::fwShutChanged);
        probe.receiveBytes(reply(17, 258, long(value)));
        QCOMPARE(spy.count(), 1);
        const QList<QVariant> s = spy.at(0);
        QCOMPARE((QList<long>{s[0].value<long>(), s[1].value<long>(), s[2].value<long>()}), states);
    }

    void replyMatching()
    {
        LinkProbe probe;
        probe.enterPacketMode();
        long result = 0;
        const int read = probe.addCommand(1, 84, 5, 0, true, &result);
        const int text = probe.addWrapperCommand(32, QStringLiteral("calib\r"), true);
        // Not yet sent: a stray reply only updates the status.
        probe.receiveBytes(reply(1, 5, 10));
        QVERIFY(!probe.commandBuffer[read].done);
        QCOMPARE(probe.xpos, 10l);
        probe.processCommand();
        // A reply with another index is not the one awaited.
        probe.receiveBytes(reply(1, 200, 11) + reply(1, 5, 12));
        QCOMPARE(result, 12l);
        // While a text command waits, status replies do not get through.
        probe.processCommand();
        probe.receiveBytes(reply(1, 5, 99));
        QCOMPARE(probe.xpos, 12l);
        QByteArray answer = Ptx::encodeTextPacket(32, QStringLiteral("OK"));
        answer[2] = char(Ptx::CmdTextReply);
        probe.receiveBytes(answer);
        QVERIFY(probe.commandBuffer[text].done && !probe.commandBuffer[text].error);
        QCOMPARE(probe.commandBuffer[text].wcmd, QStringLiteral("OK\r"));
    }

    void login_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<uint>("state");
        QTest::addColumn<bool>("failed");
        QTest::newRow("prompt split") << QList<QByteArray>{"PTX Log", "in:", "Pass", "word:", "hi\n"} << 3u << false;
        QTest::newRow("wrong case") << QList<QByteArray>{"login:"} << 0u << false;
        QTest::newRow("no line end yet") << QList<QByteArray>{"Login:", "Password:", "ready"} << 2u << false;
        // Each step of the log-in takes at most a buffer of text before its prompt.
        QTest::newRow("prompt ending at the limit") << QList<QByteArray>{QByteArray(994, 'w') + "Login:"} << 1u << false;
        QTest::newRow("prompt one byte past the limit") << QList<QByteArray>{QByteArray(995, 'w') + "Login:"} << 0u
                                                        << true;
        QTest::newRow("text flood before the prompt") << QList<QByteArray>{QByteArray(2500, 'w') + "Login:"} << 0u
                                                      << true;
        QTest::newRow("greeting line flood")
            << QList<QByteArray>{"Login:", "Password:", QByteArray(600, 'g'), QByteArray(600, 'g') + "\n"} << 0u << true;
    }

    void login()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(uint, state);
        QFETCH(bool, failed);
        DiagCapture diag;
        LinkProbe probe;
        QSignalSpy lines(&probe, &KelInterface::addDispLine);
        for (const QByteArray &read : reads)
            probe.receiveBytes(read);
        QCOMPARE(probe.connectionState, state);
        QCOMPARE(probe.timer->isActive(), state == KelInterface::RxHunt);
        // Failing is immediate: no tick has run.
        QCOMPARE(!lines.isEmpty() && lines.last().at(0) == QStringLiteral("CONNECT FAILED!!!!"), failed);
        QCOMPARE(diag.contains(QStringLiteral("without a prompt")), failed);
    }

    void ringAndPollRetry()
    {
        LinkProbe probe;
        probe.interfaceState = KelInterface::INT_NORMAL;
        probe.interfaceSubState = 1;
        // A slot still in use refuses with -3; a full ring (4999 entries queued) with -2.
        probe.commandBuffer[1].done = false;
        QCOMPARE(probe.addCommand(1, 65, 0, 0, false), -3);
        probe.commandBuffer[1].done = true;
        for (int i = 0; i < Ptx::CmdBufSize - 1; ++i)
            QCOMPARE(probe.addCommand(1, 65, 0, i, false), i);
        QCOMPARE(probe.addWrapperCommand(32, QStringLiteral("calib\r"), false), -2);
        // Polling whose read the ring refused tries again from where it stands.
        probe.stateNormal();
        QCOMPARE(probe.interfaceSubState, 1u);
        for (int i = 0; i < Ptx::CmdBufSize - 1; ++i)
            probe.processCommand();
        probe.stateNormal();
        QCOMPARE(probe.interfaceSubState, 2u);
        // The ring wraps from 4999 to 0.
        QCOMPARE(probe.addCommand(1, 65, 0, 2, false), 0);
        QCOMPARE(probe.queued(), (QStringList{"32,84,63,0", "1,65,0,2"}));
    }

    void timeout_data()
    {
        QTest::addColumn<uint>("index");
        QTest::addColumn<bool>("afterSpeedRead");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("replyInLastTick");
        QTest::newRow("read position: 10 ticks") << 5u << false << 10 << false;
        QTest::newRow("read speed: 100 ticks") << 13u << false << 100 << false;
        // A reply after the last step before the time-out is in time: the step it triggers at
        // once must not count it as missing.
        QTest::newRow("reply in the last of 10 ticks") << 5u << false << 10 << true;
        QTest::newRow("reply in the last of 100 ticks") << 13u << false << 100 << true;
        // An answered speed read leaves the long time-out in force until a time-out ends it.
        QTest::newRow("read position after a speed read: 100 ticks") << 5u << true << 100 << false;
    }

    void timeout()
    {
        QFETCH(uint, index);
        QFETCH(bool, afterSpeedRead);
        QFETCH(int, ticks);
        QFETCH(bool, replyInLastTick);
        DiagCapture diag;
        LinkProbe probe;
        probe.enterPacketMode();
        if (afterSpeedRead) {
            probe.addCommand(2, 84, 13, 0, true);
            probe.processCommand();
            probe.receiveBytes(probe.replyToTail(0));
        }
        const int slot = probe.addCommand(2, 84, index, 7, true);
        for (int i = 0; i < ticks; ++i) // the first step sends
            probe.processCommand();
        QVERIFY(!probe.commandBuffer[slot].done);
        if (replyInLastTick)
            probe.receiveBytes(probe.replyToTail(77));
        else
            probe.processCommand();
        QVERIFY(probe.commandBuffer[slot].done);
        QCOMPARE(probe.commandBuffer[slot].error, !replyInLastTick);
        QCOMPARE(probe.commandBuffer[slot].retVal, replyInLastTick ? 77l : 0l);
        QCOMPARE(probe.longWaitForResp, replyInLastTick && index == 13u);
        QCOMPARE(diag.lines(), replyInLastTick ? QStringList()
                                               : QStringList{QStringLiteral("COMM ERROR 2,84,%1,7").arg(index)});
    }

    void haltWithdrawsQueue()
    {
        LinkProbe probe;
        probe.enterPacketMode();
        long result = -1;
        QList<int> withdrawn{probe.addCommand(1, 84, 5, 0, true, &result)};
        probe.processCommand();
        const QByteArray late = probe.replyToTail(321);
        for (int i = 0; i < 3; ++i)
            withdrawn << probe.addCommand(1, 65, 0, i, false);
        probe.haltAll();
        for (int slot : withdrawn)
            QVERIFY(probe.commandBuffer[slot].done && probe.commandBuffer[slot].error);
        QCOMPARE(probe.queued(), QStringList{QStringLiteral("0,66,0,0")});
        QVERIFY(probe.waitForDone());
        // The reply to the withdrawn read, arriving late, only updates the status.
        probe.receiveBytes(late);
        QCOMPARE(result, -1l);
        QCOMPARE(probe.xpos, 321l);
    }

    void withdrawOnlyUnsent()
    {
        LinkProbe probe;
        // The tail entry has not left while the step is idle; once sent it is beyond recall.
        QVERIFY(probe.withdrawCommand(probe.addCommand(1, 65, 4, 100, false)));
        const int sent = probe.addCommand(1, 84, 5, 0, true);
        probe.processCommand();
        QVERIFY(!probe.withdrawCommand(sent));
        QCOMPARE(probe.queued(), QStringList{QStringLiteral("1,84,5,0")});
        // An index that names no entry is never used on the ring and counts as finished.
        for (int index : {-3, -2, int(Ptx::NotQueued), Ptx::CmdBufSize})
            QVERIFY(probe.isCommandDone(index) && !probe.withdrawCommand(index));
    }

    void tickInsideTick()
    {
        LinkProbe probe;
        probe.addCommand(1, 65, 0, 1, false);
        probe.addCommand(1, 65, 0, 2, false);
        // The start-up announces itself during the tick; a nested event loop there delivers
        // another timeout, which must do nothing: only one command goes out.
        connect(&probe, &KelInterface::addDispLine, &probe, [&probe] { probe.onTimer(); });
        probe.onTimer();
        QCOMPARE(probe.cmdBufTail, 1u);
    }

    void pollOrder_data()
    {
        QTest::addColumn<QList<uint>>("modules");
        QTest::addColumn<QStringList>("order");
        const QString busy("32,84,63,0"), x("1,84,5,0"), y("2,84,5,0"), z("3,84,5,0");
        // Shutter k is read with 99 + k in the upper word.
        const QStringList wheels{"17,84,5,0", "27,84,5,0", "17,84,258,6553600", "17,84,258,6619136",
                                 "17,84,258,6684672"};
        QTest::newRow("everything") << QList<uint>{1, 2, 3, 17, 27} << QStringList{busy} + wheels + QStringList{x, y, z};
        QTest::newRow("Y and Z") << QList<uint>{2, 3} << QStringList{busy, y, z};
        QTest::newRow("X only") << QList<uint>{1} << QStringList{busy, x};
        QTest::newRow("wheel 2 without 17") << QList<uint>{27, 2} << QStringList{busy, y};
        QTest::newRow("nothing") << QList<uint>{} << QStringList{busy};
    }

    void pollOrder()
    {
        QFETCH(QList<uint>, modules);
        QFETCH(QStringList, order);
        LinkProbe probe;
        probe.enterPacketMode();
        for (uint m : modules)
            probe.modulespresent |= 1u << m;
        probe.interfaceState = probe.nextInterfaceState = KelInterface::INT_NORMAL;
        QStringList sent;
        // Every read is answered as soon as it is out; the first two cycles are checked.
        for (int tick = 0; tick < 100; ++tick) {
            probe.onTimer();
            if (probe.cmdBufState == 2) {
                sent << probe.queued().first();
                probe.receiveBytes(probe.replyToTail(0));
            }
        }
        QCOMPARE(sent.mid(0, 2 * order.size()), order + order);
    }

    void impossibleStartupSpeed()
    {
        DiagCapture diag;
        LinkProbe probe;
        probe.setXYSpeed(qQNaN());
        probe.setFocusSpeed(3e9);
        probe.interfaceSubState = 8;
        probe.processState();
        QVERIFY(probe.queued().isEmpty());
        QCOMPARE(diag.lines().size(), 2);
        // The start-up does not hang on speeds that were never queued.
        probe.processState();
        QVERIFY(probe.isConnected());
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
