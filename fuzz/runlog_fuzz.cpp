// Fuzz target "runlog": any bytes as "runs.log" and its run-going-on file are read without
// harm, and the entry offered to START AT is always one to start at.
#include "fuzzworkspace.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkspace workspace("runlog");
    KelInterface &kel = workspace.kel();
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // The first half is the log, the rest the line of a run never seen to end.
    for (const auto &[name, part] : {std::pair{QStringLiteral("runs.log"), bytes.left(bytes.size() / 2)},
                                     std::pair{QStringLiteral("runs.log.run"), bytes.mid(bytes.size() / 2)}}) {
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(part);
    }
    kel.setFileName(QStringLiteral("slide.rcp"));
    if (kel.proposedStartEntry() < 1)
        std::abort();
    return 0;
}
