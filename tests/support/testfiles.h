// Writing and reading whole files in a test's working folder.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

// Writes the file anew; a file that cannot be written fails the test.
inline void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The file as it stands; `missing` when there is none.
inline QByteArray readFile(const QString &name, const QByteArray &missing = QByteArray())
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : missing;
}

// A settings file that sets the load points (stage mm, focus microns) and whether the stage
// and the focus go to them; everything else stays at its default.
inline QByteArray loadPointsFile(bool xyEnable, bool zEnable, double x, double y, double z)
{
    return QStringLiteral("<archive><stage><loadptX>%1</loadptX><loadptY>%2</loadptY><loadptZ>%3</loadptZ>"
                          "<loadptxyenable>%4</loadptxyenable><loadptzenable>%5</loadptzenable></stage></archive>")
        .arg(x).arg(y).arg(z).arg(xyEnable ? "true" : "false", zEnable ? "true" : "false").toUtf8();
}
