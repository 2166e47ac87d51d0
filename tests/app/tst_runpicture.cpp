// The run-list picture: the marks as a run goes on, and the picture of a reference recipe
// against a stored image.
#include "app/runpicture.h"
#include "recipe/recipefile.h"
#include "recipe/runrig.h"
#include "support/diagcapture.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace Ptx;

namespace {

const QString DataDir = QStringLiteral(PTX_TEST_DATA);
const QColor Done(160, 160, 160), Coming(16, 96, 208), Current(208, 16, 16);

QImage draw(const RunPicture &picture, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    picture.paint(&painter, QRectF(image.rect()));
    return image;
}

bool near(QRgb pixel, const QColor &colour)
{
    return qAbs(qRed(pixel) - colour.red()) < 40 && qAbs(qGreen(pixel) - colour.green()) < 40 && qAbs(qBlue(pixel) - colour.blue()) < 40;
}

} // namespace

class TestRunPicture : public QObject
{
    Q_OBJECT

    std::optional<DiagCapture> quiet;
    QTemporaryDir dir;   // the interface writes its settings file here

private slots:
    void initTestCase()
    {
        quiet.emplace();
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    // Three points in a row, the run on the simulated controller at the wheel entry between the
    // second and third: it runs at the second, the first is done and the third still to come.
    void marksDuringRun()
    {
        const QList<QColor> dots{Done, Current, Coming};
        RunRig rig;
        QVERIFY(rig.powerUp());
        QVERIFY(rig.start(QStringLiteral("DELAY 30\nPOINT 0,0\nPOINT 10,0\nF1MOVE 3\nPOINT 20,0").split(QLatin1Char('\n'))));
        rig.kel.recipeContinue();
        QVERIFY(rig.tickUntil([&] { return rig.kel.runProgress().entry == 3; }));
        RunPicture picture;
        picture.showRun(rig.kel);
        const QImage image = draw(picture, QSize(236, 136));
        const PictureMap map(picture.bounds(), QRectF(image.rect()));
        for (int k = 0; k < 3; ++k) {
            const QPointF at = map.toPage(10.0 * k, 0);
            // The ring is drawn around the point; the dot itself is on it.
            const QPoint probe = dots.at(k) == Current ? (at + QPointF(0, -9)).toPoint() : at.toPoint();
            QVERIFY2(near(image.pixel(probe), dots.at(k)), qPrintable(QString::number(k)));
        }
    }

    // Points beyond any stage's reach leave the rest drawn to scale; they sit crossed at the
    // page's edges.
    void extentBeyondNumbers()
    {
        KelInterface kel{QString()};
        kel.setRecipe(QStringLiteral("POINT -1e308,0\nPOINT 0,0\nPOINT 10,5\nPOINT 1e308,0").split(QLatin1Char('\n')));
        kel.compileRecipe();
        RunPicture picture;
        picture.showRun(kel);
        QCOMPARE(picture.bounds(), QRectF(0, 0, 10, 5));
        const QImage image = draw(picture, QSize(236, 136));
        const QPoint second = PictureMap(picture.bounds(), QRectF(image.rect())).toPage(0, 0).toPoint();
        for (const QPoint &at : {second, QPoint(3, second.y() + 3), QPoint(232, second.y() + 3)})
            QVERIFY(near(image.pixel(at), at == second ? Coming : QColor(255, 140, 0)));
    }

    // The reference recipe with an X travel limit of 25 mm, as ptx-recipe draws it.
    void referencePicture()
    {
        KelInterface kel{QString()};
        Ptx::TravelLimits limits;
        limits.x.max = 25;
        kel.setTravelLimits(limits);
        QStringList lines;
        QVERIFY(readRecipeFile(DataDir + QStringLiteral("/preview-reference.rcp"), &lines));
        kel.setRecipe(lines);
        kel.ScanRecipe();
        RunPicture picture;
        picture.showRun(kel);
        const QImage stored(DataDir + QStringLiteral("/preview-reference.png"));
        const QImage drawn = draw(picture, stored.size());
        // Text may come out a few pixels different with another font; the drawing may not.
        int differing = 0;
        for (int y = 0; y < stored.height(); ++y) {
            for (int x = 0; x < stored.width(); ++x)
                differing += near(drawn.pixel(x, y), QColor(stored.pixel(x, y))) ? 0 : 1;
        }
        QVERIFY2(differing < stored.width() * stored.height() / 200, qPrintable(QString::number(differing)));
    }
};

QTEST_MAIN(TestRunPicture)
#include "tst_runpicture.moc"
