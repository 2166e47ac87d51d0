// The settings file "config.xml" and its accessors: exact layout, reading rules, damaged and
// unwritable files, the resolution guard, and which setters write the file.
#include "support/diagcapture.h"
#include "support/filesizelimit.h"
#include "support/motionfixture.h"

#include <QFileInfo>
#include <QtTest>

#include <limits>

using Getter = std::function<QVariant(MotionProbe &)>;
Q_DECLARE_METATYPE(Getter)

namespace {

const QString ConfigName = QStringLiteral("config.xml");
const QString BadName = QStringLiteral("config.xml.bad");
const QString Address = QStringLiteral("192.168.1.10"); // the probe's own
constexpr qsizetype LargestFile = 64 * 1024;
const double NaN = std::numeric_limits<double>::quiet_NaN();

// The file as a fresh panel writes it, byte for byte.
QByteArray defaultFile(const QString &address)
{
    return QByteArray("<archive>\n"
                      "    <ipaddr>") + address.toUtf8() + QByteArray("</ipaddr>\n"
                      "    <stage>\n"
                      "        <speed>5</speed>\n"
                      "        <stepspmm>10000</stepspmm>\n"
                      "        <censpeed>5</censpeed>\n"
                      "        <defincr>1</defincr>\n"
                      "        <cenonstart>false</cenonstart>\n"
                      "        <loadptX>0</loadptX>\n"
                      "        <loadptY>0</loadptY>\n"
                      "        <loadptZ>0</loadptZ>\n"
                      "        <loadptxyenable>false</loadptxyenable>\n"
                      "        <loadptzenable>false</loadptzenable>\n"
                      "    </stage>\n"
                      "    <focus>\n"
                      "        <speed>25000</speed>\n"
                      "        <micronsperstep>0.1</micronsperstep>\n"
                      "        <defincr>1</defincr>\n"
                      "    </focus>\n"
                      "    <recipe>\n"
                      "        <filename></filename>\n"
                      "        <autostart>false</autostart>\n"
                      "    </recipe>\n"
                      "</archive>\n");
}

QByteArray stageFile(const QByteArray &inner)
{
    return "<archive><stage>" + inner + "</stage></archive>";
}

QByteArray focusFile(const QByteArray &inner)
{
    return "<archive><focus>" + inner + "</focus></archive>";
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

    void noFileWritesDefaults();
    void onlyAddress();
    void read_data();
    void read();
    void roundTrip();
    void rereadResetsToDefaults();
    void malformedKeptAsBad_data();
    void malformedKeptAsBad();
    void malformedWithoutCopyLeftAlone();
    void unwritablePath();
    void failedWriteKeepsOldFile();
    void resolutionSetters();
    void plainSettersDoNotWrite();

private:
    // A new interface reading the file as it now stands, as at the panel's start.
    void reopen() { kel = std::make_unique<MotionProbe>(); }
};

void TestConfigFile::noFileWritesDefaults()
{
    QCOMPARE(readFile(), defaultFile(Address));
    QCOMPARE(kel->getIpAddr(), Address);
}

void TestConfigFile::onlyAddress()
{
    // An address with a port is kept as text.
    writeFile(ConfigName, "<archive><ipaddr>10.0.0.5:2323</ipaddr></archive>");
    reopen();
    QCOMPARE(kel->getIpAddr(), QStringLiteral("10.0.0.5:2323"));
    QCOMPARE(readFile(), defaultFile(QStringLiteral("10.0.0.5:2323")));
}

void TestConfigFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Getter>("getter");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<bool>("resolutionReplaced");
    const auto row = [](const char *name, const QByteArray &file, const Getter &getter,
                        const QVariant &expected, bool replaced = false) {
        QTest::newRow(name) << file << getter << expected << replaced;
    };

    // One bit per boolean: 1 centre on start, 2 and 4 the load point enables, 8 auto-start.
    const Getter flags = [](MotionProbe &k) {
        return QVariant(k.getXYdoCenter() + 2 * k.getXYLdPtEnable() + 4 * k.getZLdPtEnable()
                        + 8 * k.getRecipeAutoStart());
    };
    const auto booleans = [](const QByteArray &text) {
        return "<archive><stage><cenonstart>" + text + "</cenonstart><loadptxyenable>" + text
               + "</loadptxyenable><loadptzenable>" + text + "</loadptzenable></stage><recipe>"
               + "<autostart>" + text + "</autostart></recipe></archive>";
    };
    const Getter speed = [](MotionProbe &k) { return QVariant(k.getXYSpeed()); };
    const Getter resXY = [](MotionProbe &k) { return QVariant(k.getXYRes()); };
    const Getter resZ = [](MotionProbe &k) { return QVariant(k.getFocusRes()); };

    row("true", booleans("true"), flags, 15);
    row("TRUE reads false", booleans("TRUE"), flags, 0);
    row("1 reads false", booleans("1"), flags, 0);
    row("only one set", stageFile("<loadptzenable>true</loadptzenable>"), flags, 4);
    row("not a number reads 0", stageFile("<speed>fast</speed>"), speed, 0.0);
    row("jog step starts at the default increment", stageFile("<defincr>0.25</defincr>"),
        [](MotionProbe &k) { return QVariant(k.yincr); }, 0.25);
    row("load point Z lives under stage",
        "<archive><focus><loadptZ>9</loadptZ></focus>"
        "<stage><loadptZ>50</loadptZ></stage></archive>",
        [](MotionProbe &k) { return QVariant(k.loadptZ); }, 50.0);
    row("stage nested deeper than the root",
        "<archive><panel><stage><speed>7</speed></stage></panel></archive>", speed, 7.0);
    row("first stage wins",
        "<archive><stage><speed>7</speed></stage><stage><speed>8</speed></stage></archive>", speed,
        7.0);
    row("grandchildren are not read", stageFile("<extra><speed>7</speed></extra>"), speed, 5.0);
    row("largest file read", paddedFile(LargestFile), speed, 7.0);
    row("address nested anywhere, first one wins",
        "<archive><stage><ipaddr>10.2.2.2</ipaddr></stage><ipaddr>10.3.3.3</ipaddr></archive>",
        [](MotionProbe &k) { return QVariant(k.getIpAddr()); }, QStringLiteral("10.2.2.2"));
    // Travel limits: X and Y under stage, Z under focus; each side on its own.
    const Getter limits = [](MotionProbe &k) {
        const Ptx::TravelLimits l = k.getTravelLimits();
        return QVariant(QStringLiteral("%1 %2 %3 %4 %5 %6")
                            .arg(l.x.min).arg(l.x.max).arg(l.y.min).arg(l.y.max).arg(l.z.min).arg(l.z.max));
    };
    row("no travel limits", stageFile("<speed>7</speed>"), limits, "-inf inf -inf inf -inf inf");
    row("travel limits",
        "<archive><stage><xmin>-5</xmin><xmax>120</xmax><ymax>80</ymax></stage>"
        "<focus><zmin>0</zmin><zmax>5000</zmax></focus></archive>",
        limits, "-5 120 -inf 80 0 5000");
    row("mistyped limit is no limit", stageFile("<xmax>12O</xmax><ymax> 8 </ymax>"), limits,
        "-inf inf -inf 8 -inf inf");
    row("crossed limits dropped", stageFile("<xmin>10</xmin><xmax>5</xmax><ymin>1</ymin>"), limits,
        "-inf inf 1 inf -inf inf");
    row("zero stage resolution", stageFile("<stepspmm>0</stepspmm>"), resXY, 10000.0, true);
    row("non-numeric stage resolution", stageFile("<stepspmm>abc</stepspmm>"), resXY, 10000.0,
        true);
    row("overflowing stage resolution", stageFile("<stepspmm>1e999</stepspmm>"), resXY, 10000.0,
        true);
    row("zero focus resolution", focusFile("<micronsperstep>0</micronsperstep>"), resZ, 0.1, true);
    row("-inf focus resolution", focusFile("<micronsperstep>-inf</micronsperstep>"), resZ, 0.1,
        true);
}

void TestConfigFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(Getter, getter);
    QFETCH(QVariant, expected);
    QFETCH(bool, resolutionReplaced);
    writeFile(ConfigName, file);
    DiagCapture diag;
    reopen();
    QCOMPARE(getter(*kel), expected);
    QCOMPARE(diag.contains(QStringLiteral("USING")), resolutionReplaced);
}

void TestConfigFile::roundTrip()
{
    kel->ipAddr = QStringLiteral("ptx-4:2323");
    kel->setXYSpeed(7.25);
    kel->setXYRes(-2500.0);
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

    reopen();
    QCOMPARE(kel->getIpAddr(), QStringLiteral("ptx-4:2323"));
    QCOMPARE((QList<double>{kel->getXYSpeed(), kel->getXYRes(), kel->getXYCenSpeed(),
                            kel->defxincr, kel->defyincr, kel->loadptX, kel->loadptY, kel->loadptZ,
                            kel->getFocusSpeed(), kel->getFocusRes(), kel->getFocusDefIncr()}),
             (QList<double>{7.25, -2500, 3.5, 0.125, 0.125, 12.3457, 2.75, 300, 12000, 0.05, 5}));
    QCOMPARE((QList<bool>{kel->getXYdoCenter(), kel->getXYLdPtEnable(), kel->getZLdPtEnable(),
                          kel->getRecipeAutoStart()}),
             (QList<bool>{true, false, true, true}));
    QCOMPARE(kel->getDefRecipeName(), QStringLiteral("wafer <A> & B.rcp"));
    QCOMPARE((QList<double>{kel->getTravelLimits().x.max, kel->getTravelLimits().z.min}),
             (QList<double>{150.5, -20}));
    QVERIFY(!kel->getTravelLimits().y.isSet());
}

void TestConfigFile::rereadResetsToDefaults()
{
    // What the file leaves out returns to its default, except the address.
    kel->ipAddr = QStringLiteral("10.9.9.9");
    kel->setXYRes(2000.0);
    kel->setFocusSpeed(1.0);
    kel->setRecipeAutoStart(true);
    writeFile(ConfigName, stageFile("<speed>3</speed>"));
    kel->readConfigData();
    QCOMPARE(kel->getIpAddr(), QStringLiteral("10.9.9.9"));
    QCOMPARE((QList<double>{kel->getXYSpeed(), kel->getXYRes(), kel->getFocusSpeed()}),
             (QList<double>{3, 10000, 25000}));
    QVERIFY(!kel->getRecipeAutoStart());
}

void TestConfigFile::malformedKeptAsBad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("unterminated") << QByteArray("<archive><stage><speed>7</speed>");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe<archive>\x01", 13);
    QTest::newRow("two roots") << QByteArray("<archive/><archive/>");
    QTest::newRow("too large") << paddedFile(LargestFile + 1);
}

void TestConfigFile::malformedKeptAsBad()
{
    QFETCH(QByteArray, bytes);
    writeFile(BadName, "an older bad file");
    writeFile(ConfigName, bytes);
    DiagCapture diag;
    reopen();
    QCOMPARE(readFile(BadName), bytes);
    QVERIFY(diag.contains(BadName));
    QCOMPARE(kel->getXYSpeed(), 5.0);
    QCOMPARE(readFile(), defaultFile(Address));

    // Read again by a running panel, it is copied aside but not rewritten.
    writeFile(ConfigName, bytes);
    kel->setXYSpeed(9.0);
    kel->readConfigData();
    QCOMPARE(kel->getXYSpeed(), 5.0);
    QCOMPARE(readFile(), bytes);
    QCOMPARE(readFile(BadName), bytes);
}

void TestConfigFile::malformedWithoutCopyLeftAlone()
{
    // A folder in the copy's place: the damaged file cannot be copied aside.
    QVERIFY(QDir().mkdir(BadName));
    writeFile(BadName + QStringLiteral("/keep"), "kept");
    const QByteArray bytes("<archive><stage><speed>7</speed>");
    writeFile(ConfigName, bytes);
    reopen();
    QCOMPARE(readFile(), bytes);
    QCOMPARE(kel->getXYSpeed(), 5.0);
    QVERIFY(kel->configNotice().contains(QStringLiteral("LEFT AS IT IS")));
    // The operator's next saved setting writes the file as usual.
    kel->setXYLdPtEnable(true);
    QVERIFY(readFile().contains("<loadptxyenable>true</loadptxyenable>"));
}

void TestConfigFile::unwritablePath()
{
    // A folder where the file should be: it can be neither read nor replaced.
    QVERIFY(QFile::remove(ConfigName));
    QVERIFY(QDir().mkdir(ConfigName));
    writeFile(ConfigName + QStringLiteral("/keep"), "kept");
    DiagCapture diag;
    reopen();
    QVERIFY(diag.contains(QStringLiteral("NOT WRITTEN")));
    QCOMPARE(kel->getXYRes(), 10000.0);
    kel->setXYLdPtEnable(true);
    QVERIFY(QFileInfo(ConfigName).isDir());
    QCOMPARE(readFile(ConfigName + QStringLiteral("/keep")), QByteArray("kept"));
    QVERIFY(!QFileInfo::exists(BadName));
}

void TestConfigFile::failedWriteKeepsOldFile()
{
    const QByteArray old = readFile();
    kel->setXYSpeed(8.0);
    DiagCapture diag;
    {
        // Too small for the whole file: the write fails part way, at the latest in the flush.
        FileSizeLimit limit(64);
        QVERIFY(limit.ok);
        kel->writeConfigData();
    }
    QVERIFY(diag.contains(QStringLiteral("NOT WRITTEN")));
    QCOMPARE(readFile(), old);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{ConfigName});
    kel->writeConfigData();
    QVERIFY(readFile().contains("<speed>8</speed>"));
}

void TestConfigFile::resolutionSetters()
{
    DiagCapture diag;
    kel->setXYRes(-0.0);
    kel->setFocusRes(NaN);
    QCOMPARE(kel->getXYRes(), 10000.0);
    QCOMPARE(kel->getFocusRes(), 0.1);
    QVERIFY(diag.contains(QStringLiteral("stepspmm"))
            && diag.contains(QStringLiteral("micronsperstep")));
    // Negative values may invert an axis, and tiny ones are still usable.
    kel->setXYRes(-4.0);
    kel->setFocusRes(1e-300);
    QCOMPARE(kel->getXYRes(), -4.0);
    QCOMPARE(kel->getFocusRes(), 1e-300);
    QCOMPARE(diag.lines().size(), 2);
}

void TestConfigFile::plainSettersDoNotWrite()
{
    const QByteArray before = readFile();
    kel->setXYSpeed(1.0);
    kel->setXYRes(2.0);
    kel->setXYCenSpeed(3.0);
    kel->setXYDefIncr(4.0);
    kel->setXYdoCenter(true);
    kel->setFocusSpeed(5.0);
    kel->setFocusRes(6.0);
    kel->setFocusDefIncr(7.0);
    kel->setDefRecipeName(QStringLiteral("a.rcp"));
    kel->setRecipeAutoStart(true);
    // Nor do moves, modes and jogs.
    kel->setStage(50000, 60000, 700);
    kel->setRel();
    kel->moveXYTo(1.0, 1.0);
    kel->incZ(true);
    kel->setAbs();
    QCOMPARE(readFile(), before);

    // One default increment serves X and Y; the jog steps in use stay as they were.
    QCOMPARE((QList<double>{kel->defyincr, kel->xincr, kel->yincr, kel->zincr}),
             (QList<double>{4, 1, 1, 1}));
    kel->writeConfigData();
    QVERIFY(readFile().contains("<stepspmm>2</stepspmm>"));
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
