// Settings accessors: what each setter changes, the resolution guard, and that plain setters
// leave the file alone.
#include "support/diagcapture.h"
#include "support/motionfixture.h"

#include <QFile>
#include <QtTest>

#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

QByteArray configBytes()
{
    QFile f(QStringLiteral("config.xml"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TestSettings : public QObject, private MotionFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resolutions_data();
    void resolutions();
    void plainSettersDoNotWrite();
    void defaultIncrementsLeaveJogSteps();
};

void TestSettings::init()
{
    QVERIFY(openProbe());
}

void TestSettings::cleanup()
{
    closeProbe();
}

void TestSettings::resolutions_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("xy");
    QTest::addColumn<double>("z");
    QTest::addColumn<bool>("diagnosed");

    QTest::newRow("ordinary") << 2.5 << 2.5 << 2.5 << false;
    QTest::newRow("negative kept") << -4.0 << -4.0 << -4.0 << false;
    QTest::newRow("tiny kept") << 1e-300 << 1e-300 << 1e-300 << false;
    QTest::newRow("zero") << 0.0 << 10000.0 << 0.1 << true;
    QTest::newRow("minus zero") << -0.0 << 10000.0 << 0.1 << true;
    QTest::newRow("nan") << NaN << 10000.0 << 0.1 << true;
    QTest::newRow("infinite") << Inf << 10000.0 << 0.1 << true;
    QTest::newRow("minus infinite") << -Inf << 10000.0 << 0.1 << true;
}

void TestSettings::resolutions()
{
    QFETCH(double, value);
    QFETCH(double, xy);
    QFETCH(double, z);
    QFETCH(bool, diagnosed);
    DiagCapture diag;
    kel->setXYRes(value);
    kel->setFocusRes(value);
    QCOMPARE(kel->getXYRes(), xy);
    QCOMPARE(kel->getFocusRes(), z);
    QCOMPARE(diag.lines().size(), diagnosed ? 2 : 0);
    if (diagnosed) {
        QVERIFY(diag.contains(QStringLiteral("stepspmm")));
        QVERIFY(diag.contains(QStringLiteral("micronsperstep")));
    }
}

void TestSettings::plainSettersDoNotWrite()
{
    const QByteArray before = configBytes();
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
    QCOMPARE(configBytes(), before);
    QVERIFY(kel->queued().isEmpty());

    // One default increment serves X and Y.
    QCOMPARE(kel->defyincr, 4.0);

    kel->writeConfigData();
    QVERIFY(configBytes().contains("<stepspmm>2</stepspmm>"));
}

void TestSettings::defaultIncrementsLeaveJogSteps()
{
    kel->setXYDefIncr(0.5);
    kel->setFocusDefIncr(3.0);
    QCOMPARE(kel->xincr, 1.0);
    QCOMPARE(kel->yincr, 1.0);
    QCOMPARE(kel->zincr, 1.0);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
