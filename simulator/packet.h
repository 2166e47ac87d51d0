// One packet as the controller receives or sends it: header fields and data.
#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace PtxSim {

struct Packet {
    quint8 dev = 0;
    quint16 cmd = 0;
    quint16 index = 0;
    QByteArray data;       // the data bytes as they travelled

    // Binary data read as a little-endian number; four bytes give a signed value.
    qint32 value() const;
    // Text data without the carriage return that ends a text command.
    QString text() const;
    bool isText() const;
    // One-line description for the verbose log and test messages.
    QString describe() const;
};

} // namespace PtxSim

Q_DECLARE_METATYPE(PtxSim::Packet)
