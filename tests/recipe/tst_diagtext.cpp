// The compiler's diagnostic number texts match C printf's %f and the general number text.
#include "config/numbertext.h"
#include "recipe/diagtext.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstdio>

class TestDiagText : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void randomNumbers();
    void integers();
    void echo();
};

namespace {

void compareFormats(double value)
{
    Ptx::DiagText fixed;
    fixed.fixed(value);
    char expected[400];
    std::snprintf(expected, sizeof expected, "%f", value);
    QCOMPARE(fixed.toString(), QString::fromLatin1(expected));
    Ptx::DiagText general;
    general.general(value);
    QCOMPARE(general.toString(), Ptx::numberText(value));
}

} // namespace

void TestDiagText::numbers_data()
{
    QTest::addColumn<double>("value");
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.1, 0.25, 12.5, -3.75, 25000.0, 10000.0, 999999.0,
                             1e6, 1234567.0, 999999.5, 99999.95, 0.0078125, 1.0 / 3, 10.0 / 3, 0.099999,
                             0.1000005, 1e-4, 1e-5, 0.00012345678, 5e-7, 1e15, 1e300, -1e308, 2.5e-310,
                             123.456789, 9.9999995, 1.015625, 1.234375, 0.5078125, 1015625.0, 3.0517578125e-05, 0.9999995, 4503599627370497.0, qInf(), -qInf()};
    for (const double v : values)
        QTest::addRow("%.17g", v) << v;
}

void TestDiagText::numbers()
{
    QFETCH(double, value);
    compareFormats(value);
}

void TestDiagText::randomNumbers()
{
    QRandomGenerator random(20261206);
    for (int i = 0; i < 20000; ++i) {
        // Short decimals of every size, as recipes hold them, and arbitrary doubles.
        const int decimals = int(random.bounded(8));
        const double scale = std::pow(10.0, int(random.bounded(16)) - 8);
        const double shortDecimal = std::round(random.bounded(2e6) - 1e6) / std::pow(10.0, decimals);
        compareFormats(shortDecimal);
        compareFormats(shortDecimal * scale);
        compareFormats((random.generateDouble() - 0.5) * scale);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestDiagText::integers()
{
    Ptx::DiagText text;
    text.decimal(-12).text(" 0x").hex(61).text(" ").decimal(4294967295LL);
    QCOMPARE(text.toString(), QStringLiteral("-12 0x3d 4294967295"));
}

void TestDiagText::echo()
{
    Ptx::DiagText text;
    text.text(" POINT ").general(1).text(",").general(2);
    QCOMPARE(Ptx::lineEcho(QString::fromUtf8("POINT 1,2 \xc2\xb5"), text),
             QString::fromUtf8("LINE:POINT 1,2 \xc2\xb5 POINT 1,2"));
}

QTEST_APPLESS_MAIN(TestDiagText)
#include "tst_diagtext.moc"
