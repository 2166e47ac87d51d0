// The settings file "config.xml" and its accessors: exact layout, reading rules, damaged and
// unwritable files, the resolution guard, and which setters write the file.
#include "controller/kelinterface.h"
#include "support/diagcapture.h"
#include "support/filesizelimit.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

#include <sys/stat.h>

namespace {

const QString ConfigName = QStringLiteral("config.xml");
const QString BadName = QStringLiteral("config.xml.bad");
constexpr qsizetype LargestFile = 64 * 1024;

QByteArray dataFile(const char *name)
{
    QFile file(QStringLiteral(PTX_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file as a fresh panel writes it, byte for byte.
QByteArray defaultFile()
{
    return dataFile("default-config.xml");
}

QByteArray stageFile(const QByteArray &inner)
{
    return "<archive><stage>" + inner + "</stage></archive>";
}

// A file of the given size: a stage speed of 7, padded with spaces.
QByteArray paddedFile(qsizetype size)
{
    QByteArray bytes = stageFile("<speed>7</speed>");
    return bytes + QByteArray(size - bytes.size(), ' ');
}

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

    // Each test function starts in a fresh folder, so no "config.xml" carries over; the
    // interface goes before its folder.
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<KelInterface> kel;

private slots:
    void init()
    {
        kel.reset();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid() && QDir::setCurrent(dir->path()));
        reopen();
    }

    void read_data();
    void read();
    void everySettingReadBack();
    void malformed_data();
    void malformed();
    void unreadable();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void settersDoNotWrite();

private:
    // A new interface reading the file as it now stands, as at the panel's start.
    void reopen() { kel = std::make_unique<KelInterface>(QStringLiteral("192.168.1.10")); }
};

void TestConfigFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    // The file read is written back at once, complete: the defaults with this text replaced.
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    const auto row = [](const char *name, const QByteArray &file, const char *from = "",
                        const char *to = "") {
        QTest::newRow(name) << file << QByteArray(from) << QByteArray(to);
    };

    row("only the address, with a port", "<archive><ipaddr>10.0.0.5:2323</ipaddr></archive>",
        "192.168.1.10", "10.0.0.5:2323");
    row("only the exact text true is true",
        "<archive><stage><cenonstart>TRUE</cenonstart><loadptxyenable>1</loadptxyenable></stage>"
        "<recipe><autostart>True</autostart></recipe></archive>");
    row("not a number reads 0", stageFile("<speed>fast</speed>"), "<speed>5<", "<speed>0<");
    row("first stage anywhere wins",
        "<archive><a><stage><speed>7</speed></stage></a><stage><speed>8</speed></stage></archive>",
        "<speed>5<", "<speed>7<");
    row("largest file read", paddedFile(LargestFile), "<speed>5<", "<speed>7<");
    row("mistyped and crossed limits dropped",
        stageFile("<xmin>10</xmin><xmax>5</xmax><ymin>1</ymin><ymax>12O</ymax>"),
        "</loadptzenable>\n", "</loadptzenable>\n        <ymin>1</ymin>\n");
    // A resolution divides every position: zero or infinite gives way to the default.
    row("zero stage resolution", stageFile("<stepspmm>0</stepspmm>"));
    // Telemetry only where the file asks for it, then completed like every other group.
    const auto telemetry = [](const char *broker, const char *password) {
        return QByteArray("    </recipe>\n    <telemetry>\n        <broker>") + broker
               + "</broker>\n        <prefix></prefix>\n        <user></user>\n        <password>"
               + password + "</password>\n        <cafile></cafile>\n    </telemetry>\n";
    };
    row("telemetry completed", "<archive><telemetry><password>a&lt;b</password></telemetry></archive>",
        "    </recipe>\n", telemetry("127.0.0.1", "a&lt;b"));
    row("telemetry broker kept", "<archive><x><telemetry><broker>lab:1884</broker></telemetry></x></archive>",
        "    </recipe>\n", telemetry("lab:1884", ""));
    row("infinite focus resolution",
        "<archive><focus><micronsperstep>1e999</micronsperstep></focus></archive>");
}

void TestConfigFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QCOMPARE(readFile(ConfigName), defaultFile()); // a missing file is written with the defaults
    writeFile(ConfigName, file);
    reopen();
    QCOMPARE(readFile(ConfigName), defaultFile().replace(from, to));
}

void TestConfigFile::everySettingReadBack()
{
    // Each value read into its own place is written back as it was; numbers with six
    // significant digits. A negative resolution is kept: it inverts the axis.
    QByteArray full = dataFile("full-config.xml");
    writeFile(ConfigName, full);
    reopen();
    QCOMPARE(readFile(ConfigName), full.replace("12.345678", "12.3457"));
    QCOMPARE(kel->getDefRecipeName(), QStringLiteral("wafer <A> & B.rcp"));

    // Read again, what the file leaves out returns to its default, except the address.
    writeFile(ConfigName, stageFile("<speed>3</speed>"));
    kel->readConfigData();
    QVERIFY(!kel->getTravelLimits().isSet());
    kel->writeConfigData();
    QCOMPARE(readFile(ConfigName),
             defaultFile().replace("192.168.1.10", "ptx-4:2323").replace("<speed>5<", "<speed>3<"));
}

void TestConfigFile::malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("copyBlocked"); // a folder in the copy's place
    QTest::newRow("unterminated") << QByteArray("<archive><stage><speed>7</speed>") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("too large") << paddedFile(LargestFile + 1) << false;
    QTest::newRow("no copy possible, left as it is") << QByteArray("<archive>") << true;
    // Shapes that slow the parser down out of proportion are refused, even well-formed.
    QTest::newRow("nested 65 deep") << stageFile(QByteArray("<a>").repeated(64) + QByteArray("</a>").repeated(64)) << false;
    QTest::newRow("declarations in the document type") << "<!DOCTYPE archive [<!ENTITY e '7'>]>" + stageFile("<speed>&e;</speed>") << false;
}

void TestConfigFile::malformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, copyBlocked);
    if (copyBlocked)
        QVERIFY(QDir().mkdir(BadName));
    else
        writeFile(BadName, "an older bad file");
    writeFile(ConfigName, bytes);
    DiagCapture diag;
    reopen();
    QVERIFY(diag.contains(BadName));
    QCOMPARE(readFile(BadName), copyBlocked ? QByteArray() : bytes);
    QCOMPARE(readFile(ConfigName), copyBlocked ? bytes : defaultFile());
    QVERIFY(kel->configNotice().contains(copyBlocked ? "LEFT AS IT IS" : "KEPT AS"));

    // Read again by a running panel, the defaults return but the file is not rewritten.
    writeFile(ConfigName, bytes);
    kel->setXYSpeed(9.0);
    kel->readConfigData();
    QCOMPARE(kel->getXYSpeed(), 5.0);
    QCOMPARE(readFile(ConfigName), bytes);
    // The operator's next saved setting writes the file as usual.
    kel->setXYLdPtEnable(true);
    QVERIFY(readFile(ConfigName).contains("<loadptxyenable>true</loadptxyenable>"));
}

// A folder, or a pipe (which must not block), in the file's place is neither copied nor
// replaced; the display says so.
void TestConfigFile::unreadable()
{
    for (const bool pipe : {false, true}) {
        QVERIFY((QFile::remove(ConfigName) || QDir().rmdir(ConfigName)) && (pipe ? !mkfifo("config.xml", 0600) : QDir().mkdir(ConfigName)));
        DiagCapture diag;
        reopen();
        QVERIFY(kel->configNotice().contains("LEFT AS IT IS") && !diag.contains(QStringLiteral("NOT WRITTEN")) && !QFile::exists(BadName));
    }
}

void TestConfigFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<bool>("folder"); // in the file's place, so that it cannot be replaced
    // A small file waits in the write buffer and falls short in the final flush; one larger
    // than the buffer falls short in the write itself.
    QTest::newRow("short final flush") << 1 << false;
    QTest::newRow("short write") << 32 * 1024 << false;
    QTest::newRow("folder in the file's place") << 1 << true;
}

void TestConfigFile::failedWriteKeepsOldFile()
{
    QFETCH(int, nameLength);
    QFETCH(bool, folder);
    if (folder)
        QVERIFY(QFile::remove(ConfigName) && QDir().mkdir(ConfigName));
    const QByteArray old = readFile(ConfigName);
    kel->setDefRecipeName(QString(nameLength, 'a'));
    DiagCapture diag;
    {
        FileSizeLimit limit(64);
        QVERIFY(limit.ok);
        kel->writeConfigData();
    }
    QVERIFY(diag.contains(QStringLiteral("NOT WRITTEN")));
    QCOMPARE(readFile(ConfigName), old);
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{ConfigName});
}

void TestConfigFile::settersDoNotWrite()
{
    DiagCapture diag;
    kel->setXYRes(-0.0);
    kel->setFocusRes(std::numeric_limits<double>::quiet_NaN());
    kel->setXYDefIncr(4.0);
    QCOMPARE(readFile(ConfigName), defaultFile());
    // A zero or non-number resolution would divide positions by zero: the default stays.
    QCOMPARE((QList<double>{kel->getXYRes(), kel->getFocusRes()}), (QList<double>{10000, 0.1}));
    QVERIFY(diag.contains(QStringLiteral("stepspmm"))
            && diag.contains(QStringLiteral("micronsperstep")));
    // One default increment serves X and Y; the jog steps in use stay as they were until a
    // run ends or stops.
    const auto jog = [this] {
        kel->incX(true);
        kel->incY(true);
    };
    jog();
    kel->stopRecipe();
    jog();
    QCOMPARE(kel->pendingCommands(),
             (QStringList{"1,65,4,10000", "2,65,4,10000", "1,65,4,40000", "2,65,4,40000"}));
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
