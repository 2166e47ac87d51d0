// KelInterface: the receive state machine and the decoding of reply packets.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"
#include "controller/packet.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr char LineFeed = '\n';
// Status replies: the answer to the read command 84.
constexpr unsigned int ReadReply = Ptx::CmdRead + Ptx::ReplyOffset;

} // namespace

void KelInterface::readData()
{
    // Everything the socket holds is consumed, however much it is.
    while (tcpSocket->bytesAvailable() > 0) {
        const unsigned int generation = linkGeneration;
        receiveBytes(tcpSocket->read(Ptx::ReadChunk));
        if (generation != linkGeneration)
            return;
    }
}

void KelInterface::receiveBytes(const QByteArray &bytes)
{
    const unsigned int generation = linkGeneration;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned int size = unsigned(bytes.size());
    unsigned int pos = 0;
    while (pos < size && receiver.inLogin()) {
        switch (receiver.takeLoginByte(data[pos++])) {
        case LinkReceiver::LoginStep::Overflow:
            Ptx::diag(QStringLiteral("Log-in text over %1 bytes without a prompt").arg(sizeof(receiver.rxbuf)));
            connectFailed();
            return;
        case LinkReceiver::LoginStep::SendUser:
            writeToController(QByteArray(Ptx::LoginUser) + LineFeed);
            break;
        case LinkReceiver::LoginStep::SendPassword:
            writeToController(QByteArray(Ptx::LoginPassword) + LineFeed);
            break;
        case LinkReceiver::LoginStep::Finished:
            loginFinished();
            break;
        case LinkReceiver::LoginStep::None:
            break;
        }
        if (generation != linkGeneration)
            return;
    }
    if (pos < size)
        receivePackets(data + pos, size - pos);
}

void KelInterface::receivePackets(const unsigned char *data, unsigned int size)
{
    const unsigned int generation = linkGeneration;
    // A slot reached from a packet may have closed the link: the read ends there.
    const LinkReceiver::Dropped dropped = receiver.framePackets(data, size, [&] {
        processPacket();
        return generation == linkGeneration;
    });
    if (!dropped.stopped && dropped.tooLong + dropped.unterminated > 0)
        Ptx::diag(QStringLiteral("Packets dropped: %1 (%2 declaring over %3 bytes, %4 without "
                                 "terminator); %5 other bytes skipped")
                      .arg(dropped.tooLong + dropped.unterminated)
                      .arg(dropped.tooLong)
                      .arg(sizeof(receiver.rxbuf))
                      .arg(dropped.unterminated)
                      .arg(dropped.skipped));
}

void KelInterface::processPacket()
{
    packetSeen = true;
    const Ptx::PacketHeader h = Ptx::decodeHeader(receiver.rxbuf);
    const unsigned char *payload = receiver.rxbuf + Ptx::HeaderSize;
    cmdBufferStruct &tail = ring.commandBuffer[ring.cmdBufTail];
    // Only an entry that has been sent and is still unanswered can take a reply.
    const bool awaiting = ring.awaitingReply() && tail.waitforcompl && !tail.done;

    // A text command at the tail takes its reply and nothing else gets through meanwhile.
    if (!ring.isEmpty() && tail.wrapper) {
        if (awaiting && h.cmd == tail.cmd + Ptx::ReplyOffset && h.dev == tail.dev) {
            tail.done = true;
            // The reply text replaces the command text, terminator included.
            tail.wcmd = QString::fromLatin1(reinterpret_cast<const char *>(payload),
                                            static_cast<int>(h.length) + 1);
            processCommand();
        }
        return;
    }

    const long value = Ptx::decodeReplyValue(payload, h.length);
    if (awaiting && h.cmd == tail.cmd + Ptx::ReplyOffset && h.index == tail.index
        && h.dev == tail.dev) {
        tail.done = true;
        tail.retVal = value;
        if (tail.retValPtr)
            *tail.retValPtr = value;
        processCommand();
    }

    if (h.cmd != ReadReply)
        return;
    const unsigned int changed = status.applyRead(h.dev, h.index, value);
    if (changed & ControllerStatus::ModulesSeen)
        emit modulesPresentChanged();
    if (changed & ControllerStatus::PositionChanged)
        updatePosition();
    if (changed & ControllerStatus::ShuttersChanged)
        emit fwShutChanged(status.fwShut1Pos, status.fwShut2Pos, status.fwShut3Pos);
    if (changed & ControllerStatus::BusyChanged)
        emit busyChanged();
}

void KelInterface::writeToController(const QByteArray &bytes)
{
    // Nothing can be written without a connection; the ring still moves on.
    if (tcpSocket->state() == QAbstractSocket::ConnectedState)
        tcpSocket->write(bytes);
}

void KelInterface::sendPacket(uint dev, uint cmd, uint index, uint dlen, long data)
{
    writeToController(Ptx::encodeCommandPacket(dev, cmd, index, dlen, data));
}

void KelInterface::sendWrapPacket(uint dev, QString cmd)
{
    writeToController(Ptx::encodeTextPacket(dev, cmd));
}
