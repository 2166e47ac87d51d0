// Topics, timings and limits of the panel's telemetry.
#pragma once

#include <QtGlobal>

namespace Ptx::Telemetry {

// Topics under the panel's prefix.
constexpr const char *OnlineTopic = "online";
constexpr const char *StateTopic = "state";
constexpr const char *DisplayTopic = "display";
constexpr const char *RunsTopic = "runs";
// The prefix of a panel whose settings name none: this followed by the host name.
constexpr const char *DefaultPrefixStart = "ptx/";

constexpr quint16 PlainPort = 1883;   // the broker port without encryption
constexpr quint16 TlsPort = 8883;     // and with it

constexpr int QosAtMostOnce = 0;
constexpr int QosAtLeastOnce = 1;

// The state goes out on change, at most this often (four times a second).
constexpr int StateIntervalMs = 250;
// The broker hears from the panel at least this often, and takes it for gone after one and
// a half times as long without a word.
constexpr int KeepAliveSeconds = 30;
// The network thread looks up from the socket at least this often.
constexpr int LoopWaitMs = 500;
// Waits between attempts to reach the broker: doubled after each failure up to the longest.
constexpr int FirstRetryMs = 1000;
constexpr int LongestRetryMs = 60000;
// How long the panel, closing, waits for its "offline" word to reach the broker.
constexpr int GoodbyeMs = 1000;

} // namespace Ptx::Telemetry
