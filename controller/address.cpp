// The controller address: "host" or "host:port".
#include "controller/address.h"

#include "controller/protocol.h"

namespace Ptx {

namespace {
constexpr unsigned int MaxPort = 65535;
constexpr int DecimalBase = 10;
} // namespace

bool splitAddress(const QString &address, QString *host, quint16 *port)
{
    return splitAddress(address, host, port, DefaultPort);
}

bool splitAddress(const QString &address, QString *host, quint16 *port, quint16 defaultPort)
{
    const QString text = address.trimmed();
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    // More than one colon would be an IPv6 literal; it is taken as a host without a port.
    if (colon < 0 || text.indexOf(QLatin1Char(':')) != colon) {
        if (text.isEmpty())
            return false;
        *host = text;
        *port = defaultPort;
        return true;
    }
    const QString name = text.left(colon);
    bool ok = false;
    const unsigned int number = text.mid(colon + 1).toUInt(&ok, DecimalBase);
    if (name.isEmpty() || !ok || number == 0 || number > MaxPort)
        return false;
    *host = name;
    *port = static_cast<quint16>(number);
    return true;
}

} // namespace Ptx
