// MotionFixture: a fresh MotionProbe in a fresh working folder for each test function, for
// test classes to derive from (next to QObject), so no "config.xml" carries over; with
// reading and writing of the files in that folder.
#pragma once

#include "support/motionprobe.h"

#include <QDir>
#include <QFile>
#include <QMetaType>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// A step of a test case, run on the probe; tables carry it as data.
using Action = std::function<void(MotionProbe &)>;
Q_DECLARE_METATYPE(Action)

class MotionFixture
{
protected:
    // From init(): false when the folder cannot be made or entered.
    bool openProbe()
    {
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid() || !QDir::setCurrent(dir->path()))
            return false;
        kel = std::make_unique<MotionProbe>();
        return true;
    }

    // From cleanup(): the probe goes before its folder.
    void closeProbe()
    {
        kel.reset();
        dir.reset();
    }

    // A file as it stands, empty when there is none; by default the settings file.
    static QByteArray readFile(const QString &name = QStringLiteral("config.xml"))
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<MotionProbe> kel;
};
