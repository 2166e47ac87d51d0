// make-icons: draws the arrow icons of the touch buttons as PNG files (run once; the images
// are kept in resources/icons/).
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <QTransform>

#include <cstdio>

namespace {

constexpr int IconSize = 64;               // shown at 32 x 32; drawn twice as large
constexpr double Margin = 6.0;
constexpr double ShaftHalfWidth = 7.0;
constexpr double HeadLength = 26.0;
constexpr double StepBarWidth = 8.0;
constexpr double OutlineWidth = 3.0;
const QColor Fill(32, 32, 32);
const QColor Outline(255, 255, 255, 200);

// An arrow pointing right across the whole icon: a shaft and a triangular head.
QPainterPath rightArrow()
{
    const double mid = IconSize / 2.0;
    const double tip = IconSize - Margin;
    const double headBase = tip - HeadLength;
    QPainterPath path;
    path.moveTo(Margin, mid - ShaftHalfWidth);
    path.lineTo(headBase, mid - ShaftHalfWidth);
    path.lineTo(headBase, Margin);
    path.lineTo(tip, mid);
    path.lineTo(headBase, IconSize - Margin);
    path.lineTo(headBase, mid + ShaftHalfWidth);
    path.lineTo(Margin, mid + ShaftHalfWidth);
    path.closeSubpath();
    return path;
}

// The "next step" sign: a triangle pointing right against a bar.
QPainterPath stepRight()
{
    const double mid = IconSize / 2.0;
    const double barLeft = IconSize - Margin - StepBarWidth;
    QPainterPath path;
    path.moveTo(Margin + 4.0, Margin);
    path.lineTo(barLeft - 4.0, mid);
    path.lineTo(Margin + 4.0, IconSize - Margin);
    path.closeSubpath();
    path.addRect(QRectF(barLeft, Margin, StepBarWidth, IconSize - 2.0 * Margin));
    return path;
}

// Turns a right-pointing shape about the icon's centre.
QPainterPath turned(const QPainterPath &path, double degrees)
{
    const double mid = IconSize / 2.0;
    QTransform t;
    t.translate(mid, mid);
    t.rotate(degrees);
    t.translate(-mid, -mid);
    return t.map(path);
}

bool writeIcon(const QDir &dir, const QString &name, const QPainterPath &shape)
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A light rim keeps the dark arrow readable on every button colour, pressed red included.
    painter.setPen(QPen(Outline, OutlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Fill);
    painter.drawPath(shape.simplified());
    painter.end();
    const QString file = dir.filePath(name);
    if (!image.save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons <output folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const QPainterPath arrow = rightArrow();
    const QPainterPath step = stepRight();
    // "RigthArrow" is the name the screens ask for.
    const bool ok = writeIcon(dir, QStringLiteral("RigthArrow.png"), arrow)
        && writeIcon(dir, QStringLiteral("DownArrow.png"), turned(arrow, 90.0))
        && writeIcon(dir, QStringLiteral("LeftArrow.png"), turned(arrow, 180.0))
        && writeIcon(dir, QStringLiteral("UpArrow.png"), turned(arrow, 270.0))
        && writeIcon(dir, QStringLiteral("NextArrow.png"), step)
        && writeIcon(dir, QStringLiteral("PrevArrow.png"), turned(step, 180.0));
    return ok ? 0 : 1;
}
