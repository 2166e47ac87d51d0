// Texts the main screen forms itself: position displays and the controller's web address.
#include "app/positiontext.h"
#include "app/webaddress.h"

#include <QtTest>

#include <limits>

class TestPanelTexts : public QObject
{
    Q_OBJECT

private slots:
    void positionText_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<QString>("text");

        QTest::newRow("cut, not rounded") << 12.34567 << "12.3456";
        QTest::newRow("tiny negative keeps its sign") << -0.00004 << "-0.0000";
        QTest::newRow("whole number") << 3.0 << "3.0000";
        QTest::newRow("negative below one") << -0.5 << "-0.5000";
        QTest::newRow("fraction padded") << 1.0007 << "1.0007";
        QTest::newRow("binary just below a digit") << 0.29 << "0.2900";
        QTest::newRow("step count over resolution") << 123456789.0 / 10000.0 << "12345.6789";
        QTest::newRow("just below the next whole number") << 4.99999997 << "4.9999";
        QTest::newRow("within the lift of the next whole number stays a cut")
            << 4.999999999996 << "4.9999";
        QTest::newRow("negative within the lift of the next whole number")
            << -0.99999999999999 << "-0.9999";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "Error";
        QTest::newRow("infinite") << -std::numeric_limits<double>::infinity() << "Error";
    }

    void positionText()
    {
        QFETCH(double, position);
        QFETCH(QString, text);
        QCOMPARE(Ptx::positionText(position), text);
    }

    // On a display of ten places, where the point takes one.
    void fittedPositionText_data()
    {
        QTest::addColumn<double>("position");
        QTest::addColumn<QString>("text");

        QTest::newRow("fits as it is") << 99999.9999 << "99999.9999";
        QTest::newRow("sign kept, a decimal given up") << -10000.0 << "-10000.000";
        QTest::newRow("tiny negative") << -0.00001 << "-0.0000";
        QTest::newRow("decimals cut, not rounded") << -1234567.89 << "-1234567.8";
        QTest::newRow("no room for a decimal: no point") << -123456789.9 << "-123456789";
        QTest::newRow("integer digits do not fit") << -1234567890.0 << "----------";
    }

    void fittedPositionText()
    {
        QFETCH(double, position);
        QFETCH(QString, text);
        QCOMPARE(Ptx::fittedPositionText(position, 10), text);
    }

    void webPage_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");

        QTest::newRow("plain address") << "192.168.1.100" << "http://192.168.1.100";
        QTest::newRow("port left out, spaces around") << " 10.0.0.7:23 " << "http://10.0.0.7";
        QTest::newRow("host name") << "ptx4100:23" << "http://ptx4100";
        QTest::newRow("IPv6 literal in brackets") << "fe80::1" << "http://[fe80::1]";
    }

    void webPage()
    {
        QFETCH(QString, address);
        QFETCH(QString, url);
        const QUrl page = Ptx::controllerWebPage(address);
        QVERIFY(page.isValid());
        QCOMPARE(page.toString(), url);
    }
};

QTEST_APPLESS_MAIN(TestPanelTexts)
#include "tst_paneltexts.moc"
