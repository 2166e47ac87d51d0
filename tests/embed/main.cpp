// Uses the controller interface and a packet from the embedded ptxcore.
#include "controller/kelinterface.h"
#include "controller/packet.h"

#include <cstring>

int main()
{
    const QByteArray packet = Ptx::encodeTextPacket(1, QStringLiteral("OK"));
    const bool linked = std::strcmp(KelInterface::staticMetaObject.className(), "KelInterface") == 0;
    return linked && packet.endsWith('\r') ? 0 : 1;
}
