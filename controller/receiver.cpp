// KelInterface: the receive state machine and the decoding of reply packets.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"
#include "controller/packet.h"

#include <QTcpSocket>
#include <QTimer>

#include <cstring>

namespace {

constexpr char LoginPrompt[] = "Login:";
constexpr char PasswordPrompt[] = "Password:";
constexpr char LineFeed = '\n';
// Offset of the data length in the header (two bytes, little-endian).
constexpr unsigned int LengthField = 6;
constexpr unsigned int ByteShift = 8;
// Status replies: the answer to the read command 84.
constexpr unsigned int ReadReply = Ptx::CmdRead + Ptx::ReplyOffset;
constexpr int ShutterFieldShift = 16;
constexpr long ByteMask = 0xFF;

bool endsWith(const unsigned char *buf, unsigned int len, const char *text)
{
    const unsigned int n = static_cast<unsigned int>(qstrlen(text));
    return len >= n && memcmp(buf + len - n, text, n) == 0;
}

// The bytes not yet framed: the start of a packet carried over from earlier reads, then the
// current read, addressed as one run. Every question about them costs constant time, so a
// frame that turns out bad is given up without reading its bytes again.
class Unframed
{
public:
    Unframed(const unsigned char *carried, unsigned int carriedLen, const unsigned char *read,
             unsigned int readLen)
        : carried(carried), carriedLen(carriedLen), read(read), readLen(readLen)
    {
    }

    unsigned int size() const { return carriedLen + readLen; }

    unsigned char at(unsigned int i) const
    {
        return i < carriedLen ? carried[i] : read[i - carriedLen];
    }

    // Where the next "#" is, from `from` on; size() when there is none. Everything before it
    // is passed over in one step.
    unsigned int nextStart(unsigned int from) const
    {
        if (from < carriedLen) {
            if (const void *hit = memchr(carried + from, Ptx::PacketStart, carriedLen - from))
                return unsigned(static_cast<const unsigned char *>(hit) - carried);
            from = carriedLen;
        }
        const unsigned int offset = from - carriedLen;
        if (offset >= readLen)
            return size();
        const void *hit = memchr(read + offset, Ptx::PacketStart, readLen - offset);
        return hit ? carriedLen + unsigned(static_cast<const unsigned char *>(hit) - read) : size();
    }

    // The declared total length of the packet whose "#" is at `start`.
    unsigned int packetLength(unsigned int start) const
    {
        return Ptx::packetLength(at(start + LengthField)
                                 | unsigned(at(start + LengthField + 1)) << ByteShift);
    }

    // Copies `len` bytes from `from` on to `out`, which may be the carried bytes themselves:
    // only those at or after `from` are read.
    void copyTo(unsigned int from, unsigned int len, unsigned char *out) const
    {
        unsigned int done = 0;
        if (from < carriedLen) {
            done = qMin(len, carriedLen - from);
            if (out != carried + from)
                memmove(out, carried + from, done);
            from = carriedLen;
        }
        if (done < len)
            memcpy(out + done, read + (from - carriedLen), len - done);
    }

private:
    const unsigned char *carried;
    unsigned int carriedLen;
    const unsigned char *read;
    unsigned int readLen;
};

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
    while (pos < size && connectionState <= RxWaitGreetingEnd) {
        // A controller that talks on without prompting is not one the panel can log in to.
        if (rxbufptr >= sizeof(rxbuf)) {
            Ptx::diag(QStringLiteral("Log-in text over %1 bytes without a prompt").arg(sizeof(rxbuf)));
            connectFailed();
            return;
        }
        rxbuf[rxbufptr++] = data[pos++];
        handleLoginText();
        if (generation != linkGeneration)
            return;
    }
    if (pos < size)
        receivePackets(data + pos, size - pos);
}

void KelInterface::receivePackets(const unsigned char *data, unsigned int size)
{
    const unsigned int generation = linkGeneration;
    const bool carrying = connectionState == RxHeader || connectionState == RxData;
    const Unframed input(rxbuf, carrying ? rxbufptr : 0, data, size);
    unsigned int at = 0;
    unsigned int skipped = 0;
    unsigned int tooLong = 0;
    unsigned int unterminated = 0;
    for (;;) {
        const unsigned int start = input.nextStart(at);
        skipped += start - at;
        at = start;
        if (input.size() - at < unsigned(Ptx::HeaderSize))
            break;
        const unsigned int length = input.packetLength(at);
        // A bad frame is given up at its "#": the hunt goes on from the byte after it.
        if (length > sizeof(rxbuf)) {
            ++tooLong;
            ++at;
            continue;
        }
        if (input.size() - at < length)
            break;
        if (input.at(at + length - 1) != Ptx::PacketEnd) {
            ++unterminated;
            ++at;
            continue;
        }
        input.copyTo(at, length, rxbuf);
        at += length;
        rxbufptr = rxlen = length;
        connectionState = RxComplete;
        processPacket();
        // A slot reached from the packet may have closed the link.
        if (generation != linkGeneration)
            return;
    }
    // The start of a packet that has not arrived whole waits in rxbuf for the next read.
    rxbufptr = input.size() - at;
    input.copyTo(at, rxbufptr, rxbuf);
    connectionState = rxbufptr == 0 ? RxHunt : rxbufptr < unsigned(Ptx::HeaderSize) ? RxHeader : RxData;
    if (connectionState == RxData)
        rxlen = Ptx::packetLength(Ptx::decodeHeader(rxbuf).length);
    if (tooLong + unterminated > 0)
        Ptx::diag(QStringLiteral("Packets dropped: %1 (%2 declaring over %3 bytes, %4 without "
                                 "terminator); %5 other bytes skipped")
                      .arg(tooLong + unterminated)
                      .arg(tooLong)
                      .arg(sizeof(rxbuf))
                      .arg(unterminated)
                      .arg(skipped));
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
            long *const shutters[Ptx::ShutterCount] = {&fwShut1Pos, &fwShut2Pos, &fwShut3Pos};
            if (k >= 1 && k <= Ptx::ShutterCount)
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
