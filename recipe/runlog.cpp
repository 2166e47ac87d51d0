#include "recipe/runlog.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Ptx {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString FromField = QStringLiteral("from ");
const QString CompletedField = QStringLiteral("completed ");
const QString ChecksumField = QStringLiteral("checksum ");
const QString DoneText = QStringLiteral("DONE");
// Fields of a line: start, end, recipe, "N of M", ending, from, completed, checksum.
enum Field { RecipeField = 2, EndingField = 4, CompletedIndex = 6, ChecksumIndex = 7, FieldCount = 8 };

// A tab or line end in a file name would break the line into fields or lines.
QString logName(QString name)
{
    name.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    return name.isEmpty() ? QStringLiteral("-") : name;
}

QString checkpointPath(const QString &path)
{
    return path + QLatin1String(RunLogCurrentSuffix);
}


} // namespace

QString runEndingText(RunEnding ending)
{
    switch (ending) {
    case RunEnding::Done:
        return DoneText;
    case RunEnding::Stop:
        return QStringLiteral("STOP");
    case RunEnding::Halt:
        return QStringLiteral("HALT");
    case RunEnding::Restart:
        return QStringLiteral("RESTART");
    case RunEnding::NotEnded:
        return QStringLiteral("NOT ENDED");
    case RunEnding::LinkLost:
        break;
    }
    return QStringLiteral("LINK LOST");
}

QString runLogLine(const RunRecord &record)
{
    return QStringLiteral("%1\t%2\t%3\t%4 of %5\t%6\t%7%8\t%9%10\t%11%12")
        .arg(record.start.toString(TimeFormat), record.end.toString(TimeFormat), logName(record.recipe))
        .arg(record.entriesDone)
        .arg(record.entries)
        .arg(runEndingText(record.ending), FromField)
        .arg(record.firstEntry)
        .arg(CompletedField)
        .arg(record.lastCompleted)
        .arg(ChecksumField, record.checksum);
}

int proposedStartEntry(const QStringList &lines, const QString &recipe, const QString &checksum)
{
    const QString name = logName(recipe);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QStringList fields = line->split(QLatin1Char('\t'));
        if (fields.size() < RecipeField + 1 || fields.at(RecipeField) != name)
            continue;
        // A line from before entries were recorded, a run that ended DONE or a changed
        // recipe starts from the beginning.
        if (fields.size() < FieldCount || fields.at(EndingField) == DoneText
            || fields.at(ChecksumIndex) != ChecksumField + checksum)
            return 1;
        const int entries = fields.at(EndingField - 1).section(QLatin1Char(' '), 2).toInt();
        const int completed = fields.at(CompletedIndex).mid(CompletedField.size()).toInt();
        return completed >= 0 && completed < entries ? completed + 1 : 1;
    }
    return 1;
}

QStringList readRunLog(const QString &path)
{
    QStringList lines;
    for (const QString &name : {path + QLatin1String(RunLogOldSuffix), path, checkpointPath(path)}) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly))
            lines << QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    return lines;
}

bool writeRunCheckpoint(const QString &path, const QString &line)
{
    QSaveFile file(checkpointPath(path));
    return file.open(QIODevice::WriteOnly) && file.write(line.toUtf8() + '\n') >= 0 && file.commit();
}

void clearRunCheckpoint(const QString &path)
{
    QFile::remove(checkpointPath(path));
}

void recoverRunCheckpoint(const QString &path)
{
    QFile file(checkpointPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString line = QString::fromUtf8(file.readAll()).trimmed();
    file.close();
    if (!line.isEmpty())
        appendRunLog(path, line);
    clearRunCheckpoint(path);
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
