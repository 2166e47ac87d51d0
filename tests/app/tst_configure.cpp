// The configuration dialog from the main screen's Config button: the address parts, the
// values as they reach the interface and "config.xml", refused speeds, Cancel.
#include "dialogs/dlgconfig.h"
#include "dialogs/dlgrcpfile.h"
#include "modaldriver.h"
#include "panelfixture.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {
// Clears the keypad's start text before the new value is typed.
const QString ClearKeys = QStringLiteral("<<<<<<<<<<");

QByteArray configFile()
{
    QFile f(QStringLiteral("config.xml"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of "group/element" in the settings file.
QString configValue(const QString &path)
{
    const QString text = QString::fromUtf8(configFile());
    const QString group = path.section(QLatin1Char('/'), 0, 0);
    const QString name = path.section(QLatin1Char('/'), 1);
    const QRegularExpression value(QStringLiteral("<%1>(.*)</%1>").arg(name), QRegularExpression::InvertedGreedinessOption);
    return value.match(text, text.indexOf(QStringLiteral("<%1>").arg(group))).captured(1);
}
} // namespace

class TestConfigure : public QObject, private PanelFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir.path())); }
    void cleanup()
    {
        window.reset();
        QFile::remove(QStringLiteral("config.xml"));
    }

    void addressParts_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("parts");
        QTest::newRow("dotted quad") << "10.1.2.3" << "10 1 2 3";
        QTest::newRow("port stays in the fourth part") << "10.1.2.3:2323" << "10 1 2 3:2323";
        QTest::newRow("fewer than three dots keeps the design parts") << "host.lan" << "192 168 1 100";
        QTest::newRow("further dots in the fourth part") << "a.b.c.d.e" << "a b c d.e";
    }
    void addressParts()
    {
        QFETCH(QString, address);
        QFETCH(QString, parts);
        dlgConfig d(address);
        QStringList shown;
        for (const char *b : {"IpAddr1", "IpAddr2", "IpAddr3", "IpAddr4"})
            shown << findWidget(d, QLatin1String(b))->text();
        QCOMPARE(shown.join(QLatin1Char(' ')), parts);
        QCOMPARE(d.getAddr(), shown.join(QLatin1Char('.')));
    }

    void configure_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("stored");
        QTest::newRow("OK without edits rounds to six digits") << "" << "" << true << "stage/censpeed" << "0.123457";
        QTest::newRow("typed speed") << "stageSpeed" << "7.5" << true << "stage/speed" << "7.5";
        QTest::newRow("zero speed refused") << "stageSpeed" << "0" << true << "stage/speed" << "5";
        QTest::newRow("negative speed refused") << "focusSpeed" << "-5" << true << "focus/speed" << "25000";
        QTest::newRow("speed that is no number refused") << "stageCenSpeed" << "." << true << "stage/censpeed" << "0.123457";
        QTest::newRow("typed resolution") << "focusRes" << "0.5" << true << "focus/micronsperstep" << "0.5";
        QTest::newRow("typed default recipe gains its extension") << "recipeFileName" << "D E M O" << true << "recipe/filename" << "demo.rcp";
        QTest::newRow("travel limits kept") << "" << "" << true << "focus/zmin" << "5";
        QTest::newRow("typed travel limit") << "limitXMax" << "120" << true << "stage/xmax" << "120";
        QTest::newRow("emptied travel limit is none") << "limitZMin" << "" << true << "focus/zmin" << "";
        QTest::newRow("travel limit that is no number refused") << "limitYMin" << "." << true << "stage/ymin" << "";
        QTest::newRow("cancel after an edit") << "stageSpeed" << "9" << false << "stage/speed" << "5";
    }
    void configure()
    {
        QFETCH(QString, button);
        QFETCH(QString, keys);
        QFETCH(bool, ok);
        openWindow();
        kel->setXYCenSpeed(0.1234567);
        Ptx::TravelLimits limits;
        limits.z.min = 5;
        kel->setTravelLimits(limits);
        kel->writeConfigData();
        const QByteArray before = configFile();

        ModalDriver driver;
        if (!button.isEmpty()) {
            // The tap opens a dialog of its own, so it waits for the driver's answer to end.
            driver.on<dlgConfig>([&](dlgConfig &d) {
                QTimer::singleShot(0, findWidget(d, button), &QPushButton::click);
            });
            if (button == QLatin1String("recipeFileName")) {
                driver.on<dlgRcpFile>([&](dlgRcpFile &f) {
                    f.setCurFileName(QString());
                    for (const QString &k : keys.split(QLatin1Char(' ')))
                        findWidget(f, QStringLiteral("but") + k)->click();
                    f.accept();
                });
            } else {
                driver.keypad(ClearKeys + keys);
            }
        }
        bool noteShown = false;
        driver.on<dlgConfig>([&](dlgConfig &d) {
            noteShown = !findWidget<QLabel>(d, QStringLiteral("labelNote"))->text().isEmpty();
            ok ? d.accept() : d.reject();
        });
        w(QStringLiteral("butConfigure"))->click();
        QCOMPARE(driver.errors(), QStringList());
        QFETCH(QString, element);
        QTEST(configValue(element), "stored");
        QCOMPARE(noteShown, QString(QTest::currentDataTag()).contains(QLatin1String("refused")));
        QCOMPARE(kel->getXYCenSpeed(), ok ? 0.123457 : 0.1234567);
        if (!ok)
            QCOMPARE(configFile(), before);
    }
};

QTEST_MAIN(TestConfigure)
#include "tst_configure.moc"
