// Feeds arbitrary client bytes to the simulated controller's log-in, packet framing and
// command handling, with the hardware clock stepped between packets.
#include "simulator/commandhandler.h"
#include "simulator/framing.h"
#include "simulator/hardware.h"
#include "simulator/hardwareclock.h"
#include "simulator/loginsession.h"
#include "simulator/simoptions.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {
constexpr qint64 StepMs = 37;       // hardware time between two packets
constexpr int ChunkBytes = 7;       // bytes arrive in small pieces, as over a slow link
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    PtxSim::Options options;
    PtxSim::HardwareClock clock;
    clock.setManual(true);
    PtxSim::Hardware hardware(options, clock);
    PtxSim::CommandHandler handler(hardware);
    PtxSim::LoginSession login(&options);
    PtxSim::PacketFramer framer;

    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    for (int at = 0; at < input.size(); at += ChunkBytes) {
        QByteArray chunk = input.mid(at, ChunkBytes);
        if (login.step() != PtxSim::LoginSession::Step::Done) {
            QByteArray rest;
            login.feed(chunk, &rest);
            if (login.step() == PtxSim::LoginSession::Step::Refused)
                return 0;
            chunk = rest;
        }
        framer.feed(chunk);
        PtxSim::Packet packet;
        while (framer.next(&packet)) {
            if (const auto reply = handler.handle(packet))
                (void)PtxSim::encodePacket(*reply);
            clock.advance(StepMs);
            (void)hardware.busyMask();
        }
    }
    return 0;
}
