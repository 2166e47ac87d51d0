// The compiler's diagnostic number texts match C printf's %f and the general number text.
#include "config/numbertext.h"
#include "recipe/diagtext.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cstdio>

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

class TestDiagText : public QObject
{
    Q_OBJECT

private slots:
    // Halfway cases of both formats, negative zero, the far ends of the range; then short
    // decimals of every size, as recipes hold them, and arbitrary doubles.
    void numbers()
    {
        for (const double v : {-0.0, 999999.5, 99999.95, 0.0078125, 9.9999995, 1.015625, 1.234375, 0.5078125,
                               1015625.0, 3.0517578125e-05, 0.9999995, 4503599627370497.0, 1e300, -1e308,
                               2.5e-310, qInf(), -qInf()})
            compareFormats(v);
        QRandomGenerator random(20261206);
        for (int i = 0; i < 20000 && !QTest::currentTestFailed(); ++i) {
            const int decimals = int(random.bounded(8));
            const double scale = std::pow(10.0, int(random.bounded(16)) - 8);
            const double shortDecimal = std::round(random.bounded(2e6) - 1e6) / std::pow(10.0, decimals);
            compareFormats(shortDecimal);
            compareFormats(shortDecimal * scale);
            compareFormats((random.generateDouble() - 0.5) * scale);
        }
    }
};

QTEST_APPLESS_MAIN(TestDiagText)
#include "tst_diagtext.moc"
