// The run-list picture: its scale and placement, the marks as a run goes on, and the picture
// of a reference recipe against a stored image.
#include "app/runpicture.h"
#include "recipe/recipefile.h"
#include "recipe/runnerprobe.h"
#include "recipe/runnerstates.h"
#include "support/diagcapture.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace Ptx;

namespace {

const QString DataDir = QStringLiteral(PTX_TEST_DATA);
const QRectF Page(0, 0, 236, 136);     // 200 x 100 pixels inside the margins
const QColor Done(160, 160, 160);
const QColor Coming(16, 96, 208);
const QColor Current(208, 16, 16);

QImage draw(const RunPicture &picture, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    picture.paint(&painter, QRectF(image.rect()));
    return image;
}

bool near(QRgb pixel, const QColor &colour)
{
    return qAbs(qRed(pixel) - colour.red()) < 40 && qAbs(qGreen(pixel) - colour.green()) < 40
           && qAbs(qBlue(pixel) - colour.blue()) < 40;
}

} // namespace

class TestRunPicture : public QObject
{
    Q_OBJECT

private slots:
    void mapping_data()
    {
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("onPage");
        // Y points up; the wider side fills the page.
        QTest::newRow("lower left corner") << QRectF(0, 0, 100, 50) << QPointF(0, 0) << QPointF(18, 118);
        QTest::newRow("upper right corner") << QRectF(0, 0, 100, 50) << QPointF(100, 50) << QPointF(218, 18);
        QTest::newRow("single point, centred") << QRectF(5, 5, 0, 0) << QPointF(5, 5) << QPointF(118, 68);
        QTest::newRow("single point, 1 mm span") << QRectF(5, 5, 0, 0) << QPointF(5.5, 5) << QPointF(168, 68);
        QTest::newRow("points in a row") << QRectF(0, 3, 10, 0) << QPointF(10, 3) << QPointF(218, 68);
        QTest::newRow("points in a column") << QRectF(2, 0, 0, 40) << QPointF(2, 40) << QPointF(118, 18);
    }

    void mapping()
    {
        QFETCH(QRectF, bounds);
        QFETCH(QPointF, point);
        QFETCH(QPointF, onPage);
        QCOMPARE(PictureMap(bounds, Page).toPage(point.x(), point.y()), onPage);
    }

    // Three points in a row; the run steps through them, the wheel entry between the second
    // and third runs at the second.
    void marksDuringRun_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QList<QColor>>("dots");
        QTest::newRow("first") << 0 << QList<QColor>{Current, Coming, Coming};
        QTest::newRow("second") << 1 << QList<QColor>{Done, Current, Coming};
        QTest::newRow("wheel entry") << 2 << QList<QColor>{Done, Current, Coming};
        QTest::newRow("last") << 3 << QList<QColor>{Done, Done, Current};
    }

    void marksDuringRun()
    {
        QFETCH(int, entry);
        QFETCH(QList<QColor>, dots);
        DiagCapture quiet;
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        RunnerProbe kel;
        kel.setEntries({xyEntry(0, 0, 0), xyEntry(10, 0, 0), filterEntry(3, 0, true, false, 0), xyEntry(20, 0, 0)});
        kel.recipeRunning = true;
        kel.recipeState = RCP_DWELL;
        kel.curPoint = entry;
        RunPicture picture;
        picture.showRun(kel);
        const QSize size(236, 136);
        const QImage image = draw(picture, size);
        const PictureMap map(picture.bounds(), QRectF(QPoint(0, 0), size));
        for (int k = 0; k < 3; ++k) {
            const QPointF at = map.toPage(10.0 * k, 0);
            // The ring is drawn around the point; the dot itself is on it.
            const QPoint probe = dots.at(k) == Current ? (at + QPointF(0, -9)).toPoint() : at.toPoint();
            QVERIFY2(near(image.pixel(probe), dots.at(k)), qPrintable(QString::number(k)));
        }
    }

    // The reference recipe with an X travel limit of 25 mm, as ptx-recipe draws it.
    void referencePicture()
    {
        DiagCapture quiet;
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        RunnerProbe kel;
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
        QVERIFY(!stored.isNull());
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
