// KelInterface: the receive state machine and the decoding of reply packets.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"
#include "controller/packet.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

// Receive states.
enum RxState : unsigned int {
    RxWaitLogin = 0,
    RxWaitPassword = 1,
    RxWaitGreetingEnd = 2,
    RxHunt = 3,
    RxHeader = 4,
    RxData = 5,
    RxComplete = 6
};

constexpr char LoginPrompt[] = "Login:";
constexpr char PasswordPrompt[] = "Password:";
constexpr char LineFeed = '\n';
// Bytes of log-in text kept when an over-long text is cut: the longest prompt but one.
constexpr unsigned int PromptKeep = sizeof(PasswordPrompt) - 2;
// Status replies: the answer to the read command 84.
constexpr unsigned int ReadReply = Ptx::CmdRead + Ptx::ReplyOffset;
constexpr int ShutterFieldShift = 16;
constexpr long ByteMask = 0xFF;
constexpr int ShutterCount = 3;

bool endsWith(const unsigned char *buf, unsigned int len, const char *text)
{
    const unsigned int n = static_cast<unsigned int>(qstrlen(text));
    return len >= n && memcmp(buf + len - n, text, n) == 0;
}

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

QByteArray KelInterface::dropPacket(const char *reason)
{
    Ptx::diag(QStringLiteral("Packet dropped (%1): %2 bytes")
                  .arg(QLatin1String(reason))
                  .arg(rxbufptr));
    // Resynchronise from the byte after the dropped packet's "#".
    const QByteArray rest(reinterpret_cast<const char *>(rxbuf) + 1,
                          static_cast<int>(rxbufptr) - 1);
    rxbufptr = 0;
    connectionState = RxHunt;
    return rest;
}

void KelInterface::receiveBytes(const QByteArray &bytes)
{
    const unsigned int generation = linkGeneration;
    QByteArray input = bytes;
    int pos = 0;
    while (pos < input.size()) {
        const unsigned char byte = static_cast<unsigned char>(input.at(pos++));
        switch (connectionState) {
        case RxWaitLogin:
        case RxWaitPassword:
        case RxWaitGreetingEnd:
            if (rxbufptr >= sizeof(rxbuf)) {
                // Keep just enough of the end for a prompt that straddles the cut.
                Ptx::diag(QStringLiteral("Log-in text over %1 bytes dropped").arg(sizeof(rxbuf)));
                memmove(rxbuf, rxbuf + rxbufptr - PromptKeep, PromptKeep);
                rxbufptr = PromptKeep;
            }
            rxbuf[rxbufptr++] = byte;
            handleLoginText();
            break;
        case RxHunt:
            rxbufptr = 0;
            if (byte == Ptx::PacketStart) {
                rxbuf[rxbufptr++] = byte;
                connectionState = RxHeader;
            }
            break;
        case RxHeader:
            rxbuf[rxbufptr++] = byte;
            if (rxbufptr == Ptx::HeaderSize) {
                rxlen = Ptx::packetLength(Ptx::decodeHeader(rxbuf).length);
                if (rxlen > sizeof(rxbuf)) {
                    input = dropPacket("declared length too long") + input.mid(pos);
                    pos = 0;
                } else {
                    connectionState = RxData;
                }
            }
            break;
        case RxData:
            rxbuf[rxbufptr++] = byte;
            if (rxbufptr == rxlen) {
                if (rxbuf[rxlen - 1] != Ptx::PacketEnd) {
                    input = dropPacket("no terminator") + input.mid(pos);
                    pos = 0;
                    break;
                }
                connectionState = RxComplete;
                processPacket();
                // A slot reached from the packet may have closed the link.
                if (generation != linkGeneration)
                    return;
                rxbufptr = 0;
                connectionState = RxHunt;
            }
            break;
        default:
            connectionState = RxHunt;
            rxbufptr = 0;
            break;
        }
        if (generation != linkGeneration)
            return;
    }
}

void KelInterface::handleLoginText()
{
    switch (connectionState) {
    case RxWaitLogin:
        if (endsWith(rxbuf, rxbufptr, LoginPrompt)) {
            writeToController(QByteArray(Ptx::LoginUser) + LineFeed);
            connectionState = RxWaitPassword;
            rxbufptr = 0;
        }
        break;
    case RxWaitPassword:
        if (endsWith(rxbuf, rxbufptr, PasswordPrompt)) {
            writeToController(QByteArray(Ptx::LoginPassword) + LineFeed);
            connectionState = RxWaitGreetingEnd;
            rxbufptr = 0;
        }
        break;
    case RxWaitGreetingEnd:
        if (rxbuf[rxbufptr - 1] == LineFeed) {
            rxbufptr = 0;
            connectionState = RxHunt;
            loginFinished();
        }
        break;
    default:
        break;
    }
}

void KelInterface::processPacket()
{
    packetSeen = true;
    const Ptx::PacketHeader h = Ptx::decodeHeader(rxbuf);
    const unsigned char *payload = rxbuf + Ptx::HeaderSize;
    cmdBufferStruct &tail = commandBuffer[cmdBufTail];
    // Only an entry that has been sent and is still unanswered can take a reply.
    const bool awaiting = cmdBufState == 2 && tail.waitforcompl && !tail.done;

    // A text command at the tail takes its reply and nothing else gets through meanwhile.
    if (cmdBufHead != cmdBufTail && tail.wrapper) {
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
    switch (h.dev) {
    case Ptx::DevWheel1:
        setModPresent(Ptx::DevWheel1, true);
        if (h.index == Ptx::IdxPosition) {
            fw1CurPos = value;
            updatePosition();
        } else if (h.index == Ptx::IdxShutter) {
            const long k = ((value >> ShutterFieldShift) & ByteMask) - Ptx::ShutterBase;
            long *const shutters[ShutterCount] = {&fwShut1Pos, &fwShut2Pos, &fwShut3Pos};
            if (k >= 1 && k <= ShutterCount)
                *shutters[k - 1] = value & ByteMask;
            emit fwShutChanged(fwShut1Pos, fwShut2Pos, fwShut3Pos);
        }
        break;
    case Ptx::DevWheel2:
        setModPresent(Ptx::DevWheel2, true);
        if (h.index == Ptx::IdxPosition) {
            fw2CurPos = value;
            updatePosition();
        }
        break;
    case Ptx::DevX:
    case Ptx::DevY:
    case Ptx::DevZ:
        setModPresent(h.dev, true);
        if (h.index == Ptx::IdxPosition) {
            long *const axes[] = {&xpos, &ypos, &zpos};
            *axes[h.dev - Ptx::DevX] = value;
            updatePosition();
        }
        break;
    case Ptx::DevController:
        if (h.index == Ptx::IdxBusyMask) {
            mbusy = static_cast<unsigned int>(value);
            emit busyChanged();
        }
        break;
    default:
        break;
    }
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
