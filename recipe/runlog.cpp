#include "recipe/runlog.h"

#include <QFile>
#include <QFileInfo>

namespace Ptx {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString endingText(RunEnding ending)
{
    switch (ending) {
    case RunEnding::Done:
        return QStringLiteral("DONE");
    case RunEnding::Stop:
        return QStringLiteral("STOP");
    case RunEnding::Halt:
        return QStringLiteral("HALT");
    case RunEnding::Restart:
        return QStringLiteral("RESTART");
    case RunEnding::LinkLost:
        break;
    }
    return QStringLiteral("LINK LOST");
}

} // namespace

QString runLogLine(const RunRecord &record)
{
    // A tab or line end in a file name would break the line into fields or lines.
    QString name = record.recipe;
    name.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    return QStringLiteral("%1\t%2\t%3\t%4 of %5\t%6")
        .arg(record.start.toString(TimeFormat), record.end.toString(TimeFormat),
             name.isEmpty() ? QStringLiteral("-") : name)
        .arg(record.entriesDone)
        .arg(record.entries)
        .arg(endingText(record.ending));
}

bool appendRunLog(const QString &path, const QString &line, qint64 maxBytes)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    const QFileInfo info(path);
    if (info.exists() && info.size() + bytes.size() > maxBytes) {
        const QString old = path + QLatin1String(RunLogOldSuffix);
        QFile::remove(old);
        QFile::rename(path, old);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return file.write(bytes) == bytes.size();
}

} // namespace Ptx
