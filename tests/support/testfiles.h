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
