// The controller address: "host" or "host:port".
#pragma once

#include <QString>
#include <QtGlobal>

namespace Ptx {

// Splits a controller address into host and port. Without ":port" the port is the
// controller's own (23). Returns false when the port part is not a number from 1 to 65535
// or the host is empty; the outputs are then left alone.
bool splitAddress(const QString &address, QString *host, quint16 *port);
// The same for another service: without ":port" the port is defaultPort.
bool splitAddress(const QString &address, QString *host, quint16 *port, quint16 defaultPort);

} // namespace Ptx
