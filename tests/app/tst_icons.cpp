// Arrow icons: every icon the screens name is compiled in and draws something.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtTest>

class TestIcons : public QObject
{
    Q_OBJECT

private slots:
    void loads_data()
    {
        QTest::addColumn<QString>("path");

        for (const char *name : {"UpArrow", "DownArrow", "LeftArrow", "RigthArrow",
                                 "PrevArrow", "NextArrow"})
            QTest::newRow(name) << QStringLiteral(":/icons/%1.png").arg(QLatin1String(name));
    }

    void loads()
    {
        QFETCH(QString, path);

        QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QVERIFY(image.width() >= 32 && image.height() >= 32);
        QVERIFY(image.hasAlphaChannel());

        // Transparent corners and an opaque centre: an arrow on a clear background.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);

        const QIcon icon(path);
        QVERIFY(!icon.pixmap(QSize(32, 32)).isNull());
    }

    // Each arrow points its own way: no two icons are the same picture.
    void distinct()
    {
        const QStringList names = {QStringLiteral("UpArrow"), QStringLiteral("DownArrow"),
                                   QStringLiteral("LeftArrow"), QStringLiteral("RigthArrow"),
                                   QStringLiteral("PrevArrow"), QStringLiteral("NextArrow")};
        QList<QImage> images;
        for (const QString &name : names)
            images << QImage(QStringLiteral(":/icons/%1.png").arg(name));
        for (int i = 0; i < images.size(); ++i)
            for (int j = i + 1; j < images.size(); ++j)
                QVERIFY2(images[i] != images[j], qPrintable(names[i] + QLatin1Char('/') + names[j]));
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
