// Test access to the controller link of KelInterface.
#pragma once

#include "controller/kelinterface.h"
#include "controller/packet.h"
#include "support/commandring.h"
#include "support/diagcapture.h"

#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

// Opens the link's protected members and steps to tests.
class LinkProbe : public KelInterface
{
public:
    explicit LinkProbe(const QString &addr = QStringLiteral("127.0.0.1:1")) : KelInterface(addr) {}

    using KelInterface::cmdBufState;
    using KelInterface::cmdBufTail;
    using KelInterface::commandBuffer;
    using KelInterface::connectionState;
    using KelInterface::interfaceState;
    using KelInterface::interfaceSubState;
    using KelInterface::loadptEnXY;
    using KelInterface::loadptEnZ;
    using KelInterface::loadptX;
    using KelInterface::loadptY;
    using KelInterface::loadptZ;
    using KelInterface::longWaitForResp;
    using KelInterface::modulespresent;
    using KelInterface::nextInterfaceState;
    using KelInterface::onTimer;
    using KelInterface::processCommand;
    using KelInterface::processState;
    using KelInterface::receiveBytes;
    using KelInterface::runSpeeds;
    using KelInterface::stateNormal;
    using KelInterface::timer;
    using KelInterface::xpos;
    using KelInterface::ypos;
    using KelInterface::zpos;

    qint64 bytesToWrite() const { return tcpSocket->bytesToWrite(); }
    qint64 bytesAvailable() const { return tcpSocket->bytesAvailable(); }

    // The receiver in packet mode, as after the log-in.
    void enterPacketMode() { connectionState = KelInterface::RxHunt; }

    // The reply a controller gives to the entry at the tail, carrying value.
    QByteArray replyToTail(long value) const
    {
        const cmdBufferStruct &e = commandBuffer[cmdBufTail];
        return Ptx::encodeCommandPacket(e.dev, e.cmd + Ptx::ReplyOffset, e.index, 4, value);
    }

    QStringList queued() const { return queuedCommandTexts(commandBuffer, cmdBufTail, cmdBufHead); }
};
