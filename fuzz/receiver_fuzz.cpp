// Feeds arbitrary controller bytes, cut into reads at arbitrary points, through the panel's
// receiver in every log-in state and in packet mode.
//
// Input layout: byte 0 picks the start (bits 0-1: log-in state 0 to 2 or packet mode 3;
// higher bits are ignored), byte 1 the number of cuts (0 to 15), then one byte per cut giving
// its place; the rest are the bytes read.
//
// Every packet handed on must be whole: a "#", the length its header declares, the
// terminator. The buffer and the state stay in range, whatever arrives.
#include "controller/linkreceiver.h"
#include "controller/packet.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr unsigned int StateMask = 0x3;
constexpr unsigned int MaxCuts = 15;
constexpr std::size_t HeaderBytes = 2;

bool wholePacket(const LinkReceiver &rx)
{
    return rx.rxlen >= unsigned(Ptx::HeaderSize) && rx.rxlen <= sizeof(rx.rxbuf)
        && rx.rxbuf[0] == Ptx::PacketStart && rx.rxbuf[rx.rxlen - 1] == Ptx::PacketEnd
        && Ptx::packetLength(Ptx::decodeHeader(rx.rxbuf).length) == rx.rxlen;
}

void feed(LinkReceiver &rx, const uint8_t *bytes, std::size_t size)
{
    std::size_t pos = 0;
    while (pos < size && rx.inLogin()) {
        const LinkReceiver::LoginStep step = rx.takeLoginByte(bytes[pos++]);
        // An overflowing log-in ends the connection: the next one starts afresh.
        if (step == LinkReceiver::LoginStep::Overflow)
            rx.reset();
    }
    if (pos < size) {
        rx.framePackets(bytes + pos, unsigned(size - pos), [&rx] {
            if (!wholePacket(rx))
                std::abort();
            Ptx::decodeReplyValue(rx.rxbuf + Ptx::HeaderSize, Ptx::decodeHeader(rx.rxbuf).length);
            return true;
        });
    }
    if (rx.rxbufptr > sizeof(rx.rxbuf) || rx.connectionState > LinkReceiver::RxData)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < HeaderBytes)
        return 0;
    LinkReceiver rx;
    rx.connectionState = data[0] & StateMask;

    const std::size_t cuts = std::min<std::size_t>(data[1] & MaxCuts, size - HeaderBytes);
    const uint8_t *places = data + HeaderBytes;
    const uint8_t *bytes = places + cuts;
    const std::size_t length = size - HeaderBytes - cuts;

    std::size_t start = 0;
    for (std::size_t i = 0; i < cuts; ++i) {
        // Each cut lands somewhere in what is left, scaled by its byte.
        const std::size_t end = start + (length - start) * places[i] / 256;
        feed(rx, bytes + start, end - start);
        start = end;
    }
    feed(rx, bytes + start, length - start);
    return 0;
}
