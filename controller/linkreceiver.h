// LinkReceiver: turns the bytes the controller sends into log-in steps and whole packets.
#pragma once

#include "controller/protocol.h"

#include <functional>

class LinkReceiver
{
public:
    // Where the receiver stands: the log-in text, then packet mode.
    enum ReceiveState : unsigned int {
        RxWaitLogin = 0,
        RxWaitPassword = 1,
        RxWaitGreetingEnd = 2,
        RxHunt = 3,
        RxHeader = 4,
        RxData = 5,
        RxComplete = 6
    };

    // What the log-in text asks of the panel once a byte has been taken.
    enum class LoginStep { None, SendUser, SendPassword, Finished, Overflow };

    // What a read in packet mode passed over.
    struct Dropped {
        unsigned int tooLong = 0;      // frames declaring more than the buffer holds
        unsigned int unterminated = 0; // frames not ending in the terminator
        unsigned int skipped = 0;      // other bytes between packets
        bool stopped = false;          // the packet handler stopped the read
    };

    void reset();
    bool inLogin() const { return connectionState <= RxWaitGreetingEnd; }
    // Takes one byte of the log-in text; Overflow (the byte not taken) when the text runs
    // past the buffer without the prompt awaited.
    LoginStep takeLoginByte(unsigned char byte);
    // Frames packet-mode bytes: each complete packet is handed to onPacket while it stands at
    // the start of rxbuf, rxlen bytes long; onPacket returns false to stop the read at once.
    // Bad frames and the junk between packets are passed over; the start of an unfinished
    // packet waits in rxbuf for the next read.
    Dropped framePackets(const unsigned char *data, unsigned int size,
                         const std::function<bool()> &onPacket);

    unsigned int connectionState = RxWaitLogin;
    unsigned char rxbuf[Ptx::RxBufSize] = {};
    unsigned int rxbufptr = 0;
    unsigned int rxlen = 0;
};
