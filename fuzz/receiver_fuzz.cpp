// Feeds arbitrary controller bytes, cut into reads at arbitrary points, through the
// panel's receiver in every log-in state and in packet mode, with and without a command
// waiting for its reply.
//
// Input layout: byte 0 picks the start (bits 0-1: log-in state 0 to 2 or packet mode 3;
// bit 2: a read awaits its reply; bit 3: a text command awaits its reply), byte 1 the number
// of cuts (0 to 15), then one byte per cut giving its place; the rest are the bytes read.
//
// Junk must cost linear time: a read writes at most one line about what it dropped, so a
// receiver that gives up frames one by one with work and a line for each is caught.
#include "controller/kelinterface.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdint>
#include <cstdlib>

namespace {

// Lines about dropped frames written since the last read began.
int &droppedLines()
{
    static int count = 0;
    return count;
}

// Resets the link to a chosen receive state and feeds it bytes, checking its bounds.
class ReceiverProbe : public KelInterface
{
public:
    ReceiverProbe() : KelInterface(QStringLiteral("127.0.0.1:1")) {}

    void reset(unsigned int state, bool awaitRead, bool awaitText)
    {
        timer->stop();
        connectionState = state;
        rxbufptr = 0;
        rxlen = 0;
        for (cmdBufferStruct &entry : commandBuffer)
            entry = cmdBufferStruct();
        cmdBufHead = cmdBufTail = cmdBufState = 0;
        waitforresp = false;
        modulespresent = 0;
        if (awaitText)
            addWrapperCommand(Ptx::DevController, QStringLiteral("calib\r"), true);
        else if (awaitRead)
            addCommand(Ptx::DevX, Ptx::CmdRead, Ptx::IdxPosition, 0, true, &result);
        if (awaitText || awaitRead)
            processCommand();
    }

    void feed(const QByteArray &bytes)
    {
        droppedLines() = 0;
        receiveBytes(bytes);
        if (droppedLines() > 1 || rxbufptr > sizeof(rxbuf) || connectionState > RxLastState
            || cmdBufTail >= unsigned(Ptx::CmdBufSize) || cmdBufHead >= unsigned(Ptx::CmdBufSize))
            std::abort();
    }

private:
    static constexpr unsigned int RxLastState = RxData;
    long result = 0;
};

constexpr unsigned int StateMask = 0x3;
constexpr unsigned int AwaitReadBit = 0x4;
constexpr unsigned int AwaitTextBit = 0x8;
constexpr unsigned int MaxCuts = 15;
constexpr std::size_t HeaderBytes = 2;

ReceiverProbe &probe()
{
    static int argc = 1;
    static char name[] = "receiver_fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    static ReceiverProbe instance;
    return instance;
}

// Diagnostics are not printed, only the lines about dropped frames counted.
void countDropped(QtMsgType, const QMessageLogContext &, const QString &line)
{
    if (line.contains(QLatin1String("dropped")))
        ++droppedLines();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < HeaderBytes)
        return 0;
    qInstallMessageHandler(countDropped);
    ReceiverProbe &p = probe();
    const unsigned int mode = data[0];
    p.reset(mode & StateMask, mode & AwaitReadBit, mode & AwaitTextBit);

    const std::size_t cuts = std::min<std::size_t>(data[1] & MaxCuts, size - HeaderBytes);
    const uint8_t *places = data + HeaderBytes;
    const char *bytes = reinterpret_cast<const char *>(places + cuts);
    const std::size_t length = size - HeaderBytes - cuts;

    std::size_t start = 0;
    for (std::size_t i = 0; i < cuts; ++i) {
        // Each cut lands somewhere in what is left, scaled by its byte.
        const std::size_t end = start + (length - start) * places[i] / 256;
        p.feed(QByteArray(bytes + start, static_cast<int>(end - start)));
        start = end;
    }
    p.feed(QByteArray(bytes + start, static_cast<int>(length - start)));
    return 0;
}
