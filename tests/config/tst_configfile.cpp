// The settings file "config.xml" and its accessors: exact layout, reading rules, damaged and
// unwritable files, the resolution guard, and which setters write the file.
#include "support/diagcapture.h"
#include "support/filesizelimit.h"
#include "support/motionfixture.h"

#include <QtTest>

#include <limits>

using Getter = std::function<QVariant(MotionProbe &)>;
Q_DECLARE_METATYPE(Getter)

namespace {

const QString ConfigName = QStringLiteral("config.xml");
const QString BadName = QStringLiteral("config.xml.bad");
constexpr qsizetype LargestFile = 64 * 1024;

// The file as a fresh panel with this address writes it, byte for byte.
QByteArray defaultFile(const QString &address)
{
    QFile file(QStringLiteral(PTX_TEST_DATA "/default-config.xml"));
    return file.open(QIODevice::ReadOnly)
               ? file.readAll().replace("192.168.1.10", address.toUtf8())
               : QByteArray();
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

class TestConfigFile : public QObject, private MotionFixture
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(openProbe()); }
    void cleanup() { closeProbe(); }

    void missingAndPartialFilesCompleted();
    void read_data();
    void read();
    void roundTrip();
    void malformed_data();
    void malformed();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void settersDoNotWrite();

private:
    // A new interface reading the file as it now stands, as at the panel's start.
    void reopen() { kel = std::make_unique<MotionProbe>(); }
};

void TestConfigFile::missingAndPartialFilesCompleted()
{
    QCOMPARE(readFile(), defaultFile(kel->getIpAddr()));
    writeFile(ConfigName, "<archive><ipaddr>10.0.0.5:2323</ipaddr></archive>"); // port kept
    reopen();
    QCOMPARE(readFile(), defaultFile(QStringLiteral("10.0.0.5:2323")));
}

void TestConfigFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Getter>("getter");
    QTest::addColumn<QVariant>("expected");
    const auto row = [](const char *name, const QByteArray &file, const Getter &getter,
                        const QVariant &expected) {
        QTest::newRow(name) << file << getter << expected;
    };
    const Getter speed = [](MotionProbe &k) { return QVariant(k.getXYSpeed()); };
    const Getter limits = [](MotionProbe &k) {
        const Ptx::TravelLimits l = k.getTravelLimits();
        return QVariant(QStringLiteral("%1 %2 %3 %4 %5 %6")
                            .arg(l.x.min).arg(l.x.max).arg(l.y.min).arg(l.y.max).arg(l.z.min).arg(l.z.max));
    };

    row("only the exact text true is true",
        "<archive><stage><cenonstart>TRUE</cenonstart><loadptxyenable>1</loadptxyenable></stage>"
        "<recipe><autostart>True</autostart></recipe></archive>",
        [](MotionProbe &k) {
            return QVariant(k.getXYdoCenter() || k.getXYLdPtEnable() || k.getRecipeAutoStart());
        }, false);
    row("not a number reads 0", stageFile("<speed>fast</speed>"), speed, 0.0);
    row("load point Z lives under stage",
        "<archive><focus><loadptZ>9</loadptZ></focus><stage><loadptZ>50</loadptZ></stage></archive>",
        [](MotionProbe &k) { return QVariant(k.loadptZ); }, 50.0);
    row("first stage anywhere wins",
        "<archive><a><stage><speed>7</speed></stage></a><stage><speed>8</speed></stage></archive>",
        speed, 7.0);
    row("largest file read", paddedFile(LargestFile), speed, 7.0);
    // X and Y under stage, Z under focus; each side on its own.
    row("travel limits",
        "<archive><stage><xmin>-5</xmin><xmax>120</xmax><ymax> 80 </ymax></stage>"
        "<focus><zmin>0</zmin><zmax>5000</zmax></focus></archive>",
        limits, "-5 120 -inf 80 0 5000");
    row("mistyped and crossed limits dropped",
        stageFile("<xmin>10</xmin><xmax>5</xmax><ymin>1</ymin><ymax>12O</ymax>"), limits,
        "-inf inf 1 inf -inf inf");
    // A resolution divides every position: zero or infinite gives way to the default.
    row("zero stage resolution", stageFile("<stepspmm>0</stepspmm>"),
        [](MotionProbe &k) { return QVariant(k.getXYRes()); }, 10000.0);
    row("infinite focus resolution",
        "<archive><focus><micronsperstep>1e999</micronsperstep></focus></archive>",
        [](MotionProbe &k) { return QVariant(k.getFocusRes()); }, 0.1);
}

void TestConfigFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(Getter, getter);
    QFETCH(QVariant, expected);
    writeFile(ConfigName, file);
    reopen();
    QCOMPARE(getter(*kel), expected);
}

void TestConfigFile::roundTrip()
{
    kel->ipAddr = QStringLiteral("ptx-4:2323");
    kel->setXYSpeed(7.25);
    kel->setXYRes(-2500.0); // a negative resolution inverts the axis
    kel->setXYCenSpeed(3.5);
    kel->setXYDefIncr(0.125);
    kel->setXYdoCenter(true);
    kel->loadptX = 12.345678;
    kel->loadptY = 2.75;
    kel->loadptZ = 300.0;
    kel->setFocusSpeed(12000.0);
    kel->setFocusRes(0.05);
    kel->setFocusDefIncr(5.0);
    kel->setDefRecipeName(QStringLiteral("wafer <A> & B.rcp"));
    kel->setRecipeAutoStart(true);
    Ptx::TravelLimits limits;
    limits.x.max = 150.5;
    limits.z.min = -20;
    kel->setTravelLimits(limits);
    kel->setZLdPtEnable(true); // writes the file
    const QByteArray bytes = readFile();
    QVERIFY(bytes.contains("<loadptX>12.3457</loadptX>"));
    QVERIFY(bytes.contains("<filename>wafer &lt;A> &amp; B.rcp</filename>"));
    // Every value read back into its own place is written again unchanged.
    reopen();
    QCOMPARE(readFile(), bytes);

    // Read again, what the file leaves out returns to its default, except the address.
    writeFile(ConfigName, stageFile("<speed>3</speed>"));
    kel->readConfigData();
    kel->writeConfigData();
    QCOMPARE(readFile(), defaultFile(kel->getIpAddr()).replace("<speed>5<", "<speed>3<"));
}

void TestConfigFile::malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("copyBlocked"); // a folder in the copy's place
    QTest::newRow("unterminated") << QByteArray("<archive><stage><speed>7</speed>") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("too large") << paddedFile(LargestFile + 1) << false;
    QTest::newRow("no copy possible, left as it is") << QByteArray("<archive>") << true;
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
    QCOMPARE(readFile(), copyBlocked ? bytes : defaultFile(kel->getIpAddr()));
    QVERIFY(kel->configNotice().contains(copyBlocked ? "LEFT AS IT IS" : "KEPT AS"));

    // Read again by a running panel, the defaults return but the file is not rewritten.
    writeFile(ConfigName, bytes);
    kel->setXYSpeed(9.0);
    kel->readConfigData();
    QCOMPARE(kel->getXYSpeed(), 5.0);
    QCOMPARE(readFile(), bytes);
    // The operator's next saved setting writes the file as usual.
    kel->setXYLdPtEnable(true);
    QVERIFY(readFile().contains("<loadptxyenable>true</loadptxyenable>"));
}

void TestConfigFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<int>("nameLength");
    // A small file waits in the write buffer and falls short in the final flush; one larger
    // than the buffer falls short in the write itself.
    QTest::newRow("short final flush") << 1;
    QTest::newRow("short write") << 32 * 1024;
}

void TestConfigFile::failedWriteKeepsOldFile()
{
    QFETCH(int, nameLength);
    const QByteArray old = readFile();
    kel->setDefRecipeName(QString(nameLength, 'a'));
    DiagCapture diag;
    {
        FileSizeLimit limit(64);
        QVERIFY(limit.ok);
        kel->writeConfigData();
    }
    QVERIFY(diag.contains(QStringLiteral("NOT WRITTEN")));
    QCOMPARE(readFile(), old);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{ConfigName});
    kel->writeConfigData();
    QVERIFY(readFile().contains("<filename>a"));
}

void TestConfigFile::settersDoNotWrite()
{
    const QByteArray before = readFile();
    DiagCapture diag;
    kel->setXYRes(-0.0);
    kel->setFocusRes(std::numeric_limits<double>::quiet_NaN());
    kel->setXYDefIncr(4.0);
    kel->setStage(0, 0, 700);
    QCOMPARE(readFile(), before);
    // A zero or non-number resolution would divide positions by zero: the default stays.
    QCOMPARE((QList<double>{kel->getXYRes(), kel->getFocusRes()}), (QList<double>{10000, 0.1}));
    QVERIFY(diag.contains(QStringLiteral("stepspmm"))
            && diag.contains(QStringLiteral("micronsperstep")));
    // One default increment serves X and Y; the jog steps in use stay as they were.
    QCOMPARE((QList<double>{kel->defxincr, kel->defyincr, kel->xincr, kel->yincr}),
             (QList<double>{4, 4, 1, 1}));
    // A load point is saved at once.
    kel->setZLdPt();
    QVERIFY(readFile().contains("<loadptZ>70</loadptZ>"));
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
