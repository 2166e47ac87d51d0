// The settings file "config.xml": exact layout, reading rules, damaged and unwritable files.
#include "support/diagcapture.h"
#include "support/filesizelimit.h"
#include "support/motionprobe.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using Getter = std::function<double(MotionProbe &)>;
Q_DECLARE_METATYPE(Getter)

namespace {

const QString ConfigName = QStringLiteral("config.xml");
const QString BadName = QStringLiteral("config.xml.bad");
const QString Address = QStringLiteral("192.168.1.10");

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

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
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

constexpr qsizetype LargestFile = 64 * 1024;

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noFileWritesDefaults();
    void onlyAddress();
    void booleans_data();
    void booleans();
    void numbers_data();
    void numbers();
    void lookup_data();
    void lookup();
    void numberText_data();
    void numberText();
    void roundTrip();
    void readResetsAllButAddress();
    void malformedKeptAsBad_data();
    void malformedKeptAsBad();
    void malformedReadAloneDoesNotRewrite();
    void unwritablePath();
    void failedWriteKeepsOldFile();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void TestConfigFile::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestConfigFile::cleanup()
{
    dir.reset();
}

void TestConfigFile::noFileWritesDefaults()
{
    MotionProbe kel(Address);
    QCOMPARE(readFile(ConfigName), defaultFile(Address));
    QCOMPARE(kel.getIpAddr(), Address);
}

void TestConfigFile::onlyAddress()
{
    // An address with a port is kept as text.
    writeFile(ConfigName, "<archive><ipaddr>10.0.0.5:2323</ipaddr></archive>");
    MotionProbe kel(Address);
    QCOMPARE(kel.getIpAddr(), QStringLiteral("10.0.0.5:2323"));
    QCOMPARE(kel.getXYRes(), 10000.0);
    QCOMPARE(kel.getFocusSpeed(), 25000.0);
    QCOMPARE(readFile(ConfigName), defaultFile(QStringLiteral("10.0.0.5:2323")));
}

void TestConfigFile::booleans_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("cenonstart");
    QTest::addColumn<bool>("xyenable");
    QTest::addColumn<bool>("zenable");
    QTest::addColumn<bool>("autostart");

    auto file = [](const char *text) {
        return QByteArray("<archive><stage><cenonstart>") + text
               + "</cenonstart><loadptxyenable>" + text + "</loadptxyenable><loadptzenable>" + text
               + "</loadptzenable></stage><recipe><autostart>" + text
               + "</autostart></recipe></archive>";
    };
    QTest::newRow("true") << file("true") << true << true << true << true;
    QTest::newRow("TRUE") << file("TRUE") << false << false << false << false;
    QTest::newRow("1") << file("1") << false << false << false << false;
    QTest::newRow("True") << file("True") << false << false << false << false;
    QTest::newRow("true with spaces") << file(" true ") << false << false << false << false;
    QTest::newRow("false") << file("false") << false << false << false << false;
    QTest::newRow("empty") << file("") << false << false << false << false;
    QTest::newRow("only one set") << QByteArray("<archive><stage><loadptzenable>true</loadptzenable>"
                                                "</stage></archive>")
                                  << false << false << true << false;
}

void TestConfigFile::booleans()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, cenonstart);
    QFETCH(bool, xyenable);
    QFETCH(bool, zenable);
    QFETCH(bool, autostart);
    writeFile(ConfigName, file);
    MotionProbe kel(Address);
    QCOMPARE(kel.getXYdoCenter(), cenonstart);
    QCOMPARE(kel.getXYLdPtEnable(), xyenable);
    QCOMPARE(kel.getZLdPtEnable(), zenable);
    QCOMPARE(kel.getRecipeAutoStart(), autostart);
}

void TestConfigFile::numbers_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Getter>("getter");
    QTest::addColumn<double>("expected");
    QTest::addColumn<bool>("diagnosed");

    const Getter speedXY = [](MotionProbe &k) { return k.getXYSpeed(); };
    const Getter resXY = [](MotionProbe &k) { return k.getXYRes(); };
    const Getter resZ = [](MotionProbe &k) { return k.getFocusRes(); };

    QTest::newRow("stage speed") << stageFile("<speed>7.5</speed>") << speedXY << 7.5 << false;
    QTest::newRow("not a number reads 0") << stageFile("<speed>fast</speed>") << speedXY << 0.0
                                          << false;
    QTest::newRow("empty reads 0") << stageFile("<speed></speed>") << speedXY << 0.0 << false;
    QTest::newRow("surrounding spaces") << stageFile("<speed> 12 </speed>") << speedXY << 12.0
                                        << false;
    QTest::newRow("censpeed") << stageFile("<censpeed>2.5</censpeed>")
                              << Getter([](MotionProbe &k) { return k.getXYCenSpeed(); }) << 2.5
                              << false;
    QTest::newRow("stage defincr sets X")
        << stageFile("<defincr>0.25</defincr>") << Getter([](MotionProbe &k) { return k.defxincr; })
        << 0.25 << false;
    QTest::newRow("stage defincr sets Y")
        << stageFile("<defincr>0.25</defincr>") << Getter([](MotionProbe &k) { return k.defyincr; })
        << 0.25 << false;
    QTest::newRow("jog step starts at the default increment")
        << stageFile("<defincr>0.25</defincr>") << Getter([](MotionProbe &k) { return k.yincr; })
        << 0.25 << false;
    QTest::newRow("load point X") << stageFile("<loadptX>-12.5</loadptX>")
                                  << Getter([](MotionProbe &k) { return k.loadptX; }) << -12.5
                                  << false;
    QTest::newRow("load point Y") << stageFile("<loadptY>3</loadptY>")
                                  << Getter([](MotionProbe &k) { return k.loadptY; }) << 3.0
                                  << false;
    QTest::newRow("load point Z lives under stage")
        << QByteArray("<archive><focus><loadptZ>9</loadptZ></focus><stage><loadptZ>50</loadptZ>"
                      "</stage></archive>")
        << Getter([](MotionProbe &k) { return k.loadptZ; }) << 50.0 << false;
    QTest::newRow("focus speed") << QByteArray("<archive><focus><speed>1000</speed></focus></archive>")
                                 << Getter([](MotionProbe &k) { return k.getFocusSpeed(); })
                                 << 1000.0 << false;
    QTest::newRow("focus defincr")
        << QByteArray("<archive><focus><defincr>2.5</defincr></focus></archive>")
        << Getter([](MotionProbe &k) { return k.getFocusDefIncr(); }) << 2.5 << false;
    QTest::newRow("focus defincr leaves the stage alone")
        << QByteArray("<archive><focus><defincr>2.5</defincr></focus></archive>")
        << Getter([](MotionProbe &k) { return k.getXYDefIncr(); }) << 1.0 << false;
    QTest::newRow("stage resolution") << stageFile("<stepspmm>2000</stepspmm>") << resXY << 2000.0
                                      << false;
    QTest::newRow("negative stage resolution kept")
        << stageFile("<stepspmm>-2000</stepspmm>") << resXY << -2000.0 << false;
    QTest::newRow("zero stage resolution") << stageFile("<stepspmm>0</stepspmm>") << resXY
                                           << 10000.0 << true;
    QTest::newRow("non-numeric stage resolution")
        << stageFile("<stepspmm>abc</stepspmm>") << resXY << 10000.0 << true;
    QTest::newRow("nan stage resolution") << stageFile("<stepspmm>nan</stepspmm>") << resXY
                                          << 10000.0 << true;
    QTest::newRow("infinite stage resolution")
        << stageFile("<stepspmm>inf</stepspmm>") << resXY << 10000.0 << true;
    QTest::newRow("overflowing stage resolution")
        << stageFile("<stepspmm>1e999</stepspmm>") << resXY << 10000.0 << true;
    const auto focus = [](const char *text) {
        return QByteArray("<archive><focus><micronsperstep>") + text
               + "</micronsperstep></focus></archive>";
    };
    QTest::newRow("focus resolution") << focus("0.05") << resZ << 0.05 << false;
    QTest::newRow("negative focus resolution kept") << focus("-0.5") << resZ << -0.5 << false;
    QTest::newRow("zero focus resolution") << focus("0") << resZ << 0.1 << true;
    QTest::newRow("empty focus resolution") << focus("") << resZ << 0.1 << true;
    QTest::newRow("-inf focus resolution") << focus("-inf") << resZ << 0.1 << true;
}

void TestConfigFile::numbers()
{
    QFETCH(QByteArray, file);
    QFETCH(Getter, getter);
    QFETCH(double, expected);
    QFETCH(bool, diagnosed);
    writeFile(ConfigName, file);
    DiagCapture diag;
    MotionProbe kel(Address);
    QCOMPARE(getter(kel), expected);
    QCOMPARE(diag.contains(QStringLiteral("USING")), diagnosed);
}

void TestConfigFile::lookup_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<double>("speed");
    QTest::addColumn<QString>("address");

    QTest::newRow("stage nested deeper than the root")
        << QByteArray("<archive><panel><stage><speed>7</speed></stage></panel></archive>") << 7.0
        << Address;
    QTest::newRow("first stage wins")
        << QByteArray("<archive><stage><speed>7</speed></stage><stage><speed>8</speed></stage>"
                      "</archive>")
        << 7.0 << Address;
    QTest::newRow("last of repeated children wins")
        << stageFile("<speed>7</speed><speed>9</speed>") << 9.0 << Address;
    QTest::newRow("grandchildren are not read")
        << stageFile("<extra><speed>7</speed></extra>") << 5.0 << Address;
    QTest::newRow("unknown children and attributes ignored")
        << QByteArray("<archive><stage unit=\"mm\"><colour>red</colour><speed unit=\"x\">6</speed>"
                      "</stage></archive>")
        << 6.0 << Address;
    QTest::newRow("other root element")
        << QByteArray("<settings><ipaddr>10.1.1.1</ipaddr><stage><speed>4</speed></stage></settings>")
        << 4.0 << QStringLiteral("10.1.1.1");
    QTest::newRow("address nested anywhere, first one wins")
        << QByteArray("<archive><stage><ipaddr>10.2.2.2</ipaddr></stage><ipaddr>10.3.3.3</ipaddr>"
                      "</archive>")
        << 5.0 << QStringLiteral("10.2.2.2");
    QTest::newRow("empty address element")
        << QByteArray("<archive><ipaddr/></archive>") << 5.0 << QString();
    QTest::newRow("largest file read") << paddedFile(LargestFile) << 7.0 << Address;
    QTest::newRow("with declaration and comments")
        << QByteArray("<?xml version=\"1.0\"?>\n<!-- panel -->\n<archive><stage><!-- s -->"
                      "<speed>3</speed></stage></archive>\n")
        << 3.0 << Address;
}

void TestConfigFile::lookup()
{
    QFETCH(QByteArray, file);
    QFETCH(double, speed);
    QFETCH(QString, address);
    writeFile(ConfigName, file);
    MotionProbe kel(Address);
    QCOMPARE(kel.getXYSpeed(), speed);
    QCOMPARE(kel.getIpAddr(), address);
}

void TestConfigFile::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("six significant digits") << 12.345678 << QByteArray("12.3457");
    QTest::newRow("whole number") << 10000.0 << QByteArray("10000");
    QTest::newRow("one million") << 1e6 << QByteArray("1e+06");
    QTest::newRow("small") << 0.0001 << QByteArray("0.0001");
    QTest::newRow("smaller") << 0.00001 << QByteArray("1e-05");
    QTest::newRow("negative") << -0.5 << QByteArray("-0.5");
}

void TestConfigFile::numberText()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    MotionProbe kel(Address);
    kel.loadptX = value;
    kel.writeConfigData();
    const QByteArray bytes = readFile(ConfigName);
    QVERIFY2(bytes.contains("<loadptX>" + text + "</loadptX>"), bytes.constData());
}

void TestConfigFile::roundTrip()
{
    {
        MotionProbe kel(Address);
        kel.ipAddr = QStringLiteral("ptx-4:2323");
        kel.setXYSpeed(7.25);
        kel.setXYRes(-2500.0);
        kel.setXYCenSpeed(3.5);
        kel.setXYDefIncr(0.125);
        kel.setXYdoCenter(true);
        kel.loadptX = -1.5;
        kel.loadptY = 2.75;
        kel.loadptZ = 300.0;
        kel.setFocusSpeed(12000.0);
        kel.setFocusRes(0.05);
        kel.setFocusDefIncr(5.0);
        kel.setDefRecipeName(QStringLiteral("wafer <A> & B.rcp"));
        kel.setRecipeAutoStart(true);
        kel.setZLdPtEnable(true); // writes the file
    }
    MotionProbe kel(Address);
    QCOMPARE(kel.getIpAddr(), QStringLiteral("ptx-4:2323"));
    QCOMPARE(kel.getXYSpeed(), 7.25);
    QCOMPARE(kel.getXYRes(), -2500.0);
    QCOMPARE(kel.getXYCenSpeed(), 3.5);
    QCOMPARE(kel.defxincr, 0.125);
    QCOMPARE(kel.defyincr, 0.125);
    QVERIFY(kel.getXYdoCenter());
    QCOMPARE(kel.loadptX, -1.5);
    QCOMPARE(kel.loadptY, 2.75);
    QCOMPARE(kel.loadptZ, 300.0);
    QVERIFY(!kel.getXYLdPtEnable());
    QVERIFY(kel.getZLdPtEnable());
    QCOMPARE(kel.getFocusSpeed(), 12000.0);
    QCOMPARE(kel.getFocusRes(), 0.05);
    QCOMPARE(kel.getFocusDefIncr(), 5.0);
    QCOMPARE(kel.getDefRecipeName(), QStringLiteral("wafer <A> & B.rcp"));
    QVERIFY(kel.getRecipeAutoStart());
    QVERIFY(readFile(ConfigName).contains("<filename>wafer &lt;A> &amp; B.rcp</filename>"));
}

void TestConfigFile::readResetsAllButAddress()
{
    MotionProbe kel(Address);
    kel.ipAddr = QStringLiteral("10.9.9.9");
    kel.setXYRes(2000.0);
    kel.setFocusSpeed(1.0);
    kel.setRecipeAutoStart(true);
    writeFile(ConfigName, stageFile("<speed>3</speed>"));
    kel.readConfigData();
    QCOMPARE(kel.getIpAddr(), QStringLiteral("10.9.9.9"));
    QCOMPARE(kel.getXYSpeed(), 3.0);
    QCOMPARE(kel.getXYRes(), 10000.0);
    QCOMPARE(kel.getFocusSpeed(), 25000.0);
    QVERIFY(!kel.getRecipeAutoStart());
}

void TestConfigFile::malformedKeptAsBad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("unterminated") << QByteArray("<archive><stage><speed>7</speed>");
    QTest::newRow("not XML") << QByteArray("speed=7\n");
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
    MotionProbe kel(Address);
    QCOMPARE(readFile(BadName), bytes);
    QVERIFY(diag.contains(BadName));
    QCOMPARE(kel.getXYSpeed(), 5.0);
    QCOMPARE(readFile(ConfigName), defaultFile(Address));
}

void TestConfigFile::malformedReadAloneDoesNotRewrite()
{
    MotionProbe kel(Address);
    kel.setXYSpeed(9.0);
    const QByteArray bad("<archive><stage>");
    writeFile(ConfigName, bad);
    kel.readConfigData();
    QCOMPARE(kel.getXYSpeed(), 5.0);
    QCOMPARE(readFile(ConfigName), bad);
    QCOMPARE(readFile(BadName), bad);
}

void TestConfigFile::unwritablePath()
{
    // A folder where the file should be: it can be neither read nor replaced.
    QVERIFY(QDir().mkdir(ConfigName));
    writeFile(ConfigName + QStringLiteral("/keep"), "kept");
    DiagCapture diag;
    MotionProbe kel(Address);
    QVERIFY(diag.contains(QStringLiteral("NOT WRITTEN")));
    QCOMPARE(kel.getXYRes(), 10000.0);
    kel.setXYSpeed(8.0);
    kel.setXYLdPtEnable(true);
    QCOMPARE(kel.getXYSpeed(), 8.0);
    QVERIFY(kel.getXYLdPtEnable());
    QVERIFY(QFileInfo(ConfigName).isDir());
    QCOMPARE(readFile(ConfigName + QStringLiteral("/keep")), QByteArray("kept"));
    QVERIFY(!QFileInfo::exists(BadName));
}

void TestConfigFile::failedWriteKeepsOldFile()
{
    MotionProbe kel(Address);
    const QByteArray old = readFile(ConfigName);
    kel.setXYSpeed(8.0);
    DiagCapture diag;
    {
        // Too small for the whole file: the write fails part way.
        FileSizeLimit limit(64);
        QVERIFY(limit.ok);
        kel.writeConfigData();
    }
    QVERIFY(diag.contains(QStringLiteral("NOT WRITTEN")));
    QCOMPARE(readFile(ConfigName), old);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{ConfigName});
    kel.writeConfigData();
    QVERIFY(readFile(ConfigName).contains("<speed>8</speed>"));
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
