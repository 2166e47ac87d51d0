// Test access to the controller link of KelInterface, and a count of diagnostic lines.
#pragma once

#include "controller/kelinterface.h"
#include "controller/packet.h"
#include "support/diagcapture.h"

#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

// Opens the link's protected members and steps to tests.
class LinkProbe : public KelInterface
{
public:
    explicit LinkProbe(const QString &addr = QStringLiteral("127.0.0.1:1")) : KelInterface(addr) {}

    using KelInterface::cmdBufHead;
    using KelInterface::cmdBufState;
    using KelInterface::cmdBufTail;
    using KelInterface::cmdDone;
    using KelInterface::commandBuffer;
    using KelInterface::connectionState;
    using KelInterface::doStageCenter;
    using KelInterface::doStageCenterTemp;
    using KelInterface::fw2NumPos;
    using KelInterface::interfaceState;
    using KelInterface::interfaceSubState;
    using KelInterface::loadptEnXY;
    using KelInterface::loadptEnZ;
    using KelInterface::loadptX;
    using KelInterface::loadptY;
    using KelInterface::loadptZ;
    using KelInterface::longWaitForResp;
    using KelInterface::mbusy;
    using KelInterface::modulespresent;
    using KelInterface::nextInterfaceState;
    using KelInterface::onTimer;
    using KelInterface::processCommand;
    using KelInterface::processState;
    using KelInterface::receiveBytes;
    using KelInterface::speedXY;
    using KelInterface::speedZ;
    using KelInterface::stateNormal;
    using KelInterface::timer;
    using KelInterface::xpos;
    using KelInterface::ypos;
    using KelInterface::zpos;

    qint64 bytesToWrite() const { return tcpSocket->bytesToWrite(); }

    // The receiver in packet mode, as after the log-in.
    void enterPacketMode() { connectionState = 3; }

    // The reply a controller gives to the entry at the tail, carrying value.
    QByteArray replyToTail(long value) const
    {
        const cmdBufferStruct &e = commandBuffer[cmdBufTail];
        return Ptx::encodeCommandPacket(e.dev, e.cmd + Ptx::ReplyOffset, e.index, 4, value);
    }

    // Queued entries from the tail to the head, as "dev,cmd,index".
    QStringList queued() const
    {
        QStringList out;
        for (unsigned int i = cmdBufTail; i != cmdBufHead; i = (i + 1) % Ptx::CmdBufSize) {
            const cmdBufferStruct &e = commandBuffer[i];
            out << QStringLiteral("%1,%2,%3").arg(e.dev).arg(e.cmd).arg(e.index);
        }
        return out;
    }
};

// The number of captured diagnostic lines that contain `part`.
inline int countLines(const DiagCapture &diag, const QString &part)
{
    return int(diag.lines().filter(part).size());
}
