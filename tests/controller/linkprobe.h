// Test access to the controller link of KelInterface, and a capture of diagnostic lines.
#pragma once

#include "controller/kelinterface.h"
#include "controller/packet.h"

#include <QTcpSocket>

#include <QStringList>
#include <QTimer>
#include <QtGlobal>

// Opens the link's protected members and steps to tests.
class LinkProbe : public KelInterface
{
public:
    explicit LinkProbe(const QString &addr = QStringLiteral("127.0.0.1:1"))
        : KelInterface(addr)
    {
    }

    using KelInterface::cmdBufHead;
    using KelInterface::cmdBufState;
    using KelInterface::cmdBufTail;
    using KelInterface::cmdDone;
    using KelInterface::commandBuffer;
    using KelInterface::connectionState;
    using KelInterface::doStageCenter;
    using KelInterface::doStageCenterTemp;
    using KelInterface::fw1CurPos;
    using KelInterface::fw1NumPos;
    using KelInterface::fw2CurPos;
    using KelInterface::fw2NumPos;
    using KelInterface::fwShut1Pos;
    using KelInterface::fwShut2Pos;
    using KelInterface::fwShut3Pos;
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
    using KelInterface::recipeRunning;
    using KelInterface::rxbufptr;
    using KelInterface::speedXY;
    using KelInterface::speedZ;
    using KelInterface::stateNormal;
    using KelInterface::stepsPerMMxy;
    using KelInterface::timer;
    using KelInterface::waitForRespTimer;
    using KelInterface::waitforresp;
    using KelInterface::xpos;
    using KelInterface::ypos;
    using KelInterface::zpos;

    qint64 bytesToWrite() const { return tcpSocket->bytesToWrite(); }
    // The receiver in packet mode, as after the log-in.
    void enterPacketMode()
    {
        connectionState = 3;
        rxbufptr = 0;
    }

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

// Collects diagnostic lines while it lives, instead of printing them.
class DiagCapture
{
public:
    DiagCapture() { previous() = qInstallMessageHandler(&DiagCapture::handler); lines().clear(); }
    ~DiagCapture() { qInstallMessageHandler(previous()); }
    static QStringList &lines()
    {
        static QStringList captured;
        return captured;
    }
    static int count(const QString &prefix)
    {
        int n = 0;
        for (const QString &line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    static QtMessageHandler &previous()
    {
        static QtMessageHandler saved = nullptr;
        return saved;
    }
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &msg)
    {
        if (type == QtDebugMsg)
            lines().append(msg);
        else if (previous())
            previous()(type, context, msg);
    }
};
