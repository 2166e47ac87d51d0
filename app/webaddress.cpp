// The controller's web page address from its link address.
#include "app/webaddress.h"

#include "controller/address.h"

namespace Ptx {

QUrl controllerWebPage(const QString &address)
{
    QString host = address.trimmed();
    quint16 port = 0;
    // An address the link cannot split either is opened as it stands.
    splitAddress(address, &host, &port);
    // An IPv6 literal goes in brackets in a web address.
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return QUrl(QStringLiteral("http://") + host);
}

} // namespace Ptx
