// TelemetrySettings: where the panel publishes its state for the lab's monitoring, if at all.
#pragma once

#include <QString>

namespace Ptx {

struct TelemetrySettings {
    bool enabled = false;   // the settings file has a telemetry element
    QString broker;         // "host" or "host:port"
    QString prefix;         // empty: "ptx/" followed by the host name
    QString user;           // empty: no log-in
    QString password;
    QString cafile;         // certificate authority file; set: the link is encrypted
};

} // namespace Ptx
