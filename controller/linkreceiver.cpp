#include "controller/linkreceiver.h"

#include "controller/packet.h"

#include <QtGlobal>

#include <cstring>

namespace {

constexpr char LoginPrompt[] = "Login:";
constexpr char PasswordPrompt[] = "Password:";
constexpr char LineFeed = '\n';
// Offset of the data length in the header (two bytes, little-endian).
constexpr unsigned int LengthField = 6;
constexpr unsigned int ByteShift = 8;

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

void LinkReceiver::reset()
{
    connectionState = RxWaitLogin;
    rxbufptr = 0;
}

LinkReceiver::LoginStep LinkReceiver::takeLoginByte(unsigned char byte)
{
    // A controller that talks on without prompting is not one the panel can log in to.
    if (rxbufptr >= sizeof(rxbuf))
        return LoginStep::Overflow;
    rxbuf[rxbufptr++] = byte;
    switch (connectionState) {
    case RxWaitLogin:
        if (endsWith(rxbuf, rxbufptr, LoginPrompt)) {
            connectionState = RxWaitPassword;
            rxbufptr = 0;
            return LoginStep::SendUser;
        }
        break;
    case RxWaitPassword:
        if (endsWith(rxbuf, rxbufptr, PasswordPrompt)) {
            connectionState = RxWaitGreetingEnd;
            rxbufptr = 0;
            return LoginStep::SendPassword;
        }
        break;
    case RxWaitGreetingEnd:
        if (rxbuf[rxbufptr - 1] == LineFeed) {
            rxbufptr = 0;
            connectionState = RxHunt;
            return LoginStep::Finished;
        }
        break;
    default:
        break;
    }
    return LoginStep::None;
}

LinkReceiver::Dropped LinkReceiver::framePackets(const unsigned char *data, unsigned int size,
                                                 const std::function<bool()> &onPacket)
{
    Dropped dropped;
    const bool carrying = connectionState == RxHeader || connectionState == RxData;
    const Unframed input(rxbuf, carrying ? rxbufptr : 0, data, size);
    unsigned int at = 0;
    for (;;) {
        const unsigned int start = input.nextStart(at);
        dropped.skipped += start - at;
        at = start;
        if (input.size() - at < unsigned(Ptx::HeaderSize))
            break;
        const unsigned int length = input.packetLength(at);
        // A bad frame is given up at its "#": the hunt goes on from the byte after it.
        if (length > sizeof(rxbuf)) {
            ++dropped.tooLong;
            ++at;
            continue;
        }
        if (input.size() - at < length)
            break;
        if (input.at(at + length - 1) != Ptx::PacketEnd) {
            ++dropped.unterminated;
            ++at;
            continue;
        }
        input.copyTo(at, length, rxbuf);
        at += length;
        rxbufptr = rxlen = length;
        connectionState = RxComplete;
        if (!onPacket()) {
            dropped.stopped = true;
            return dropped;
        }
    }
    rxbufptr = input.size() - at;
    input.copyTo(at, rxbufptr, rxbuf);
    connectionState = rxbufptr == 0 ? RxHunt : rxbufptr < unsigned(Ptx::HeaderSize) ? RxHeader : RxData;
    if (connectionState == RxData)
        rxlen = Ptx::packetLength(Ptx::decodeHeader(rxbuf).length);
    return dropped;
}
