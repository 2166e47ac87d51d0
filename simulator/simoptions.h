// Settings of the simulated controller: log-in, fitted modules, hardware figures and faults.
#pragma once

#include "controller/protocol.h"

#include <QList>
#include <QString>

namespace PtxSim {

// Faults put on the link on purpose; every one can be changed while a client is connected.
struct Faults {
    double dropFraction = 0.0;   // share of replies never sent, 0 to 1 (evenly spread)
    int delayMs = 0;             // every reply leaves this many wall-clock ms late
    bool splitBytes = false;     // each reply byte goes out in a write of its own, flushed
    int garbageBytes = 0;        // this many noise bytes (never "#") precede every reply
    bool coalesce = false;       // replies leave in pairs, two in one write
    int coalesceWindowMs = 100;  // a held reply with no partner leaves alone after this
    int closeAfterPackets = 0;   // close the connection on receiving the N-th packet (0 = never)
    bool refuseLogin = false;    // answer every log-in with "Login incorrect" and hang up
    int floodHashBytes = 0;      // a burst of this many "#" bytes precedes every reply
    int floodNoiseBytes = 0;     // this many noise bytes, "#" and carriage returns among them, too
    bool halfFrames = false;     // only the first half of every reply is sent, the rest never
    int loginFloodBytes = 0;     // this much text without a prompt precedes the log-in prompt
};

// Everything the simulator is started with.
struct Options {
    QString user = QString::fromLatin1(Ptx::LoginUser);
    QString password = QString::fromLatin1(Ptx::LoginPassword);
    QString greeting = QStringLiteral("PTX4100 motion controller ready");
    QList<int> modules{Ptx::DevX, Ptx::DevY, Ptx::DevZ, Ptx::DevWheel1, Ptx::DevWheel2};

    // Hardware figures (steps, steps per second, milliseconds).
    qint32 travelMin = -1000000;       // every axis, lower travel limit
    qint32 travelMax = 1000000;        // every axis, upper travel limit
    qint32 axisSpeed = 50000;          // speed of every axis at power-up
    qint32 centringSpeed = 20000;      // speed of the "calib" run at power-up
    int wheel1Positions = 10;
    int wheel2Positions = 10;
    int wheelSlotMs = 200;             // a wheel turns one slot in this time
    int wheelHomeMs = 600;             // a homing run takes this long on top of its slots
    int exposureMs = 100;              // exposure time of every shutter at power-up

    double timeScale = 1.0;            // hardware runs this many times faster than the wall clock
    bool verbose = false;              // print every packet, one line each
    Faults faults;
};

} // namespace PtxSim
