// preview_bench: the time the Run page takes to draw a full run list (3999 entries), with a
// run halfway through it and every entry checked against travel limits. Run from a Release
// build: preview_bench.
#include "app/runpicture.h"
#include "controller/kelinterface.h"
#include "tools/eventwait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Rounds = 200;
constexpr double NsPerMs = 1e6;
const QSize PageSize(800, 480);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(Ptx::dropDiagnostics);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    KelInterface kel(QStringLiteral("127.0.0.1"));
    Ptx::TravelLimits limits;
    limits.x.max = 50;
    kel.setTravelLimits(limits);
    kel.setRecipe({QStringLiteral("RASTER 0,0,1,1,79,49")});
    kel.ScanRecipe();
    // A run started at an entry shows that entry as the current one.
    kel.startRecipeAt(kel.compiledPointCount() / 2 + 1);

    QImage image(PageSize, QImage::Format_RGB32);
    QList<double> drawMs;
    QList<double> fullMs;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        Ptx::RunPicture picture;
        picture.showRun(kel);
        const qint64 readNs = clock.nsecsElapsed();
        QPainter painter(&image);
        picture.paint(&painter, QRectF(image.rect()));
        painter.end();
        const qint64 totalNs = clock.nsecsElapsed();
        drawMs << double(totalNs - readNs) / NsPerMs;
        fullMs << double(totalNs) / NsPerMs;
    }
    std::sort(drawMs.begin(), drawMs.end());
    std::sort(fullMs.begin(), fullMs.end());
    std::printf("run list: %d entries, page %dx%d, %d rounds\n", kel.compiledPointCount(), PageSize.width(),
                PageSize.height(), Rounds);
    std::printf("paint only:          median %.2f ms, max %.2f ms\n", drawMs.at(Rounds / 2), drawMs.last());
    std::printf("read list and paint: median %.2f ms, max %.2f ms\n", fullMs.at(Rounds / 2), fullMs.last());
    return 0;
}
