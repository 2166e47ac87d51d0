#include "simulator/replywriter.h"

#include "simulator/simoptions.h"

#include <QTcpSocket>

#include <algorithm>

namespace PtxSim {

namespace {
// Noise bytes cycle through these; "#" never appears, so the noise never looks like a frame.
const QByteArray NoisePattern("noise\x00\xff\x0d\x0a~!", 11);
constexpr double DropEpsilon = 1e-9;
// A controller that chatters before its prompt: never "Login:" nor "Password:".
const QByteArray LoginChatter("PTX4100 self test running\r\n");
// A linear congruential sequence; its top byte is the noise byte.
constexpr quint32 NoiseMultiplier = 1103515245u;
constexpr quint32 NoiseIncrement = 12345u;
constexpr int NoiseShift = 24;
}

QByteArray noiseBytes(int count, quint32 *state)
{
    QByteArray bytes(count, '\0');
    for (char &b : bytes) {
        *state = *state * NoiseMultiplier + NoiseIncrement;
        b = char(*state >> NoiseShift);
    }
    return bytes;
}

ReplyWriter::ReplyWriter(QTcpSocket *tcpSocket, const Faults *switches, QObject *parent)
    : QObject(parent), socket(tcpSocket), faults(switches)
{
    wall.start();
    delayTimer.setSingleShot(true);
    coalesceTimer.setSingleShot(true);
    splitTimer.setInterval(SplitGapMs);
    connect(&delayTimer, &QTimer::timeout, this, &ReplyWriter::releaseDue);
    connect(&coalesceTimer, &QTimer::timeout, this, &ReplyWriter::releaseHeld);
    connect(&splitTimer, &QTimer::timeout, this, &ReplyWriter::writeNextByte);
}

bool ReplyWriter::send(const QByteArray &reply)
{
    if (dropThisOne())
        return false;
    QByteArray frame = reply;
    if (faults->halfFrames) {
        frame.truncate(frame.size() / 2);
        ++halfFrameCount;
    }
    const int hashes = std::max(0, faults->floodHashBytes);
    const int noise = std::max(0, faults->floodNoiseBytes);
    floodCount += hashes + noise;
    QByteArray bytes = QByteArray(hashes, '#') + noiseBytes(noise, &noiseState)
                       + garbage(faults->garbageBytes) + frame;
    if (faults->delayMs <= 0 && delayed.empty()) {
        release(bytes);
        return true;
    }
    // Replies keep their order even when the delay is shortened meanwhile.
    const qint64 due = wall.elapsed() + std::max(0, faults->delayMs);
    delayed.push_back({delayed.empty() ? due : std::max(due, delayed.back().dueMs), bytes});
    releaseDue();
    return true;
}

void ReplyWriter::writeNow(const QByteArray &bytes)
{
    if (bytes.isEmpty() || socket->state() != QAbstractSocket::ConnectedState)
        return;
    socket->write(bytes);
    socket->flush();
}

void ReplyWriter::writeLoginFlood()
{
    const int count = std::max(0, faults->loginFloodBytes);
    QByteArray text;
    text.reserve(count);
    while (text.size() < count)
        text.append(LoginChatter.left(count - text.size()));
    floodCount += count;
    writeNow(text);
}

void ReplyWriter::discard()
{
    delayTimer.stop();
    coalesceTimer.stop();
    splitTimer.stop();
    delayed.clear();
    held.clear();
    splitQueue.clear();
}

bool ReplyWriter::dropThisOne()
{
    // Spreads the drops evenly: with 0.25 every fourth reply is dropped.
    dropCredit += std::clamp(faults->dropFraction, 0.0, 1.0);
    if (dropCredit < 1.0 - DropEpsilon)
        return false;
    dropCredit -= 1.0;
    return true;
}

QByteArray ReplyWriter::garbage(int count)
{
    QByteArray noise;
    for (int i = 0; i < count; ++i) {
        noise.append(NoisePattern.at(garbageSeed));
        garbageSeed = (garbageSeed + 1) % NoisePattern.size();
    }
    return noise;
}

void ReplyWriter::releaseDue()
{
    const qint64 now = wall.elapsed();
    while (!delayed.empty() && delayed.front().dueMs <= now) {
        const QByteArray bytes = delayed.front().bytes;
        delayed.pop_front();
        release(bytes);
    }
    if (!delayed.empty())
        delayTimer.start(int(delayed.front().dueMs - now));
}

void ReplyWriter::release(const QByteArray &reply)
{
    if (!faults->coalesce) {
        releaseHeld();
        emitBytes(reply);
        return;
    }
    if (held.isEmpty()) {
        held = reply;
        coalesceTimer.start(std::max(0, faults->coalesceWindowMs));
        return;
    }
    coalesceTimer.stop();
    emitBytes(held + reply);
    held.clear();
}

void ReplyWriter::releaseHeld()
{
    coalesceTimer.stop();
    if (held.isEmpty())
        return;
    emitBytes(held);
    held.clear();
}

void ReplyWriter::emitBytes(const QByteArray &bytes)
{
    if (!faults->splitBytes && splitQueue.isEmpty()) {
        writeNow(bytes);
        return;
    }
    splitQueue.append(bytes);
    if (!splitTimer.isActive()) {
        writeNextByte();
        if (!splitQueue.isEmpty())
            splitTimer.start();
    }
}

void ReplyWriter::writeNextByte()
{
    if (splitQueue.isEmpty()) {
        splitTimer.stop();
        return;
    }
    if (!faults->splitBytes) {
        writeNow(splitQueue);
        splitQueue.clear();
        splitTimer.stop();
        return;
    }
    writeNow(splitQueue.left(1));
    splitQueue.remove(0, 1);
    if (splitQueue.isEmpty())
        splitTimer.stop();
}

} // namespace PtxSim
