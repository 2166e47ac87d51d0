#include "simulator/packet.h"

#include "controller/protocol.h"
#include "simulator/devices.h"

namespace PtxSim {

namespace {
constexpr int ValueBytes = 4;
constexpr int BitsPerByte = 8;
}

qint32 Packet::value() const
{
    if (data.isEmpty() || data.size() > ValueBytes)
        return 0;
    quint32 v = 0;
    for (int i = 0; i < data.size(); ++i)
        v |= quint32(quint8(data.at(i))) << (BitsPerByte * i);
    return qint32(v);
}

QString Packet::text() const
{
    QByteArray bytes = data;
    if (bytes.endsWith(char(Ptx::PacketEnd)))
        bytes.chop(1);
    return QString::fromLatin1(bytes);
}

bool Packet::isText() const
{
    return cmd == CmdText || cmd == CmdTextReply;
}

QString Packet::describe() const
{
    QString line = QStringLiteral("dev=%1 cmd=%2 index=%3 len=%4").arg(dev).arg(cmd).arg(index).arg(data.size());
    if (isText())
        return line + QStringLiteral(" text=\"%1\"").arg(text());
    if (data.size() > ValueBytes)
        return line + QStringLiteral(" data=%1").arg(QString::fromLatin1(data.toHex(' ')));
    return line + QStringLiteral(" value=%1").arg(value());
}

} // namespace PtxSim
