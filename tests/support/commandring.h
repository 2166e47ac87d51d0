// Reading a KelInterface's command ring in tests: the entries waiting between tail and head.
#pragma once

#include "controller/kelinterface.h"

#include <QStringList>

// Every entry from tail to head, oldest first, rendered as "dev,cmd,index,data".
inline QStringList queuedCommandTexts(const cmdBufferStruct *ring, unsigned int tail,
                                      unsigned int head)
{
    QStringList out;
    for (unsigned int i = tail; i != head; i = (i + 1) % Ptx::CmdBufSize) {
        const cmdBufferStruct &e = ring[i];
        out << QStringLiteral("%1,%2,%3,%4").arg(e.dev).arg(e.cmd).arg(e.index).arg(e.data);
    }
    return out;
}
