#include "app/runpicture.h"

#include "config/numbertext.h"
#include "recipe/runnerentrykind.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Ptx {

namespace {

constexpr double MarginPx = 18.0;
constexpr double DotPx = 3.0;
constexpr double CurrentPx = 9.0;
constexpr double MarkPx = 7.0;
constexpr double CrossPx = 14.0;
constexpr double ScaleBarMaxPx = 120.0;
// Any two positions within this of the origin are less than the largest double apart, and
// so is the centre of their span from either.
constexpr double ReachMM = std::numeric_limits<double>::max() / 4;
const QColor Paper(Qt::white);
const QColor DoneColour(160, 160, 160);
const QColor CurrentColour(208, 16, 16);
const QColor ComingColour(16, 96, 208);
const QColor PatternColour(32, 144, 64);
const QColor OutsideColour(255, 140, 0);
const QColor AlignColour(128, 48, 160);
const QColor LoadColour(120, 80, 20);
const QColor CrossColour(0, 0, 0);

// The smallest rectangle holding area (when there is one) and point.
QRectF unite(const std::optional<QRectF> &area, const QPointF &point)
{
    if (!area)
        return QRectF(point, QSizeF(0.0, 0.0));
    const QRectF &rect = *area;
    return QRectF(QPointF(std::min(rect.left(), point.x()), std::min(rect.top(), point.y())),
                  QPointF(std::max(rect.right(), point.x()), std::max(rect.bottom(), point.y())));
}

// The largest 1, 2 or 5 times a power of ten that is at most limit.
double roundStep(double limit)
{
    const double decade = std::pow(10.0, std::floor(std::log10(limit)));
    for (double factor : {5.0, 2.0, 1.0}) {
        if (factor * decade <= limit)
            return factor * decade;
    }
    return decade;
}

} // namespace

bool beyondReach(const QPointF &point)
{
    return !(std::abs(point.x()) <= ReachMM && std::abs(point.y()) <= ReachMM);
}

PictureMap::PictureMap(const QRectF &bounds, const QRectF &page)
    : centreMM(bounds.center()), centrePage(page.center()), pageRect(page)
{
    const double spanX = std::max(bounds.width(), MinSpanMM);
    const double spanY = std::max(bounds.height(), MinSpanMM);
    const double usableX = std::max(1.0, page.width() - 2 * MarginPx);
    const double usableY = std::max(1.0, page.height() - 2 * MarginPx);
    pixelsPerMM = std::min(usableX / spanX, usableY / spanY);
}

QPointF PictureMap::toPage(double x, double y) const
{
    return QPointF(centrePage.x() + (x - centreMM.x()) * pixelsPerMM,
                   centrePage.y() - (y - centreMM.y()) * pixelsPerMM);
}

QPointF PictureMap::toPageEdge(double x, double y) const
{
    const QPointF at = toPage(x, y);
    return QPointF(std::clamp(at.x(), pageRect.left(), pageRect.right()),
                   std::clamp(at.y(), pageRect.top(), pageRect.bottom()));
}

QVector<bool> entriesOutside(const QVector<recipePointStruct> &entries, const TravelLimits &limits,
                             const std::optional<SkewTransform> &align)
{
    QVector<bool> outside(entries.size(), false);
    for (int i = 0; i < entries.size(); ++i) {
        const recipePointStruct &e = entries.at(i);
        if (entryKind(e) == EntryKind::Focus) {
            outside[i] = !limits.refusalZ(e.z).isEmpty();
        } else if (entryKind(e) == EntryKind::StageXY) {
            double x = e.x;
            double y = e.y;
            if (align)
                align->toStage(e.x, e.y, &x, &y);
            outside[i] = !limits.refusalXY(x, y).isEmpty();
        }
    }
    return outside;
}

void RunPicture::setRunList(const QVector<recipePointStruct> &entries, const QVector<EntryOrigin> &origins)
{
    spots.clear();
    for (int i = 0; i < entries.size(); ++i) {
        const recipePointStruct &e = entries.at(i);
        if (entryKind(e) == EntryKind::StageXY && std::isfinite(e.x) && std::isfinite(e.y))
            spots.append(Spot{QPointF(e.x, e.y), i, i < origins.size() ? origins.at(i).pattern : 0,
                              beyondReach(QPointF(e.x, e.y))});
    }
}

void RunPicture::showRun(KelInterface &kel)
{
    QVector<recipePointStruct> entries;
    QVector<EntryOrigin> origins;
    const int count = kel.compiledPointCount();
    entries.reserve(count);
    origins.reserve(count);
    for (int i = 0; i < count; ++i) {
        entries << kel.compiledPoint(i);
        origins << kel.compiledOrigin(i);
    }
    setRunList(entries, origins);

    const bool aligned = kel.compiledAlign();
    const SkewTransform align = kel.runAlignment();
    // The specimen frame starts at the first alignment point and runs towards the second.
    if (aligned)
        setAlignPoints(QPointF(0.0, 0.0), pictureCoordinates(kel, kel.runAlignPoint(2)));
    else
        setAlignPoints(std::nullopt, std::nullopt);
    setLoadPoint(kel.getXYLdPtEnable() ? std::optional<QPointF>(pictureCoordinates(kel, kel.xyLoadPoint()))
                                       : std::nullopt);
    if (!aligned)
        setOutside(entriesOutside(entries, kel.getTravelLimits(), std::nullopt));
    else if (kel.alignmentTaught())
        setOutside(entriesOutside(entries, kel.getTravelLimits(), align));
    else
        setOutside({});
    const RunProgress progress = kel.runProgress();
    // A run started at a later entry shows that entry as the current one from the start.
    const int entry = progress.entry > 0 ? progress.entry : progress.firstEntry > 1 ? progress.firstEntry : 0;
    setCurrent(progress.running ? entry - 1 : -1);
}

QPointF RunPicture::pictureCoordinates(KelInterface &kel, const QPointF &stage)
{
    if (!kel.compiledAlign())
        return stage;
    double x = 0.0;
    double y = 0.0;
    kel.runAlignment().toSpecimen(stage.x(), stage.y(), &x, &y);
    return QPointF(x, y);
}

void RunPicture::setAlignPoints(const std::optional<QPointF> &first, const std::optional<QPointF> &second)
{
    align1 = first;
    align2 = second;
}

QRectF RunPicture::bounds() const
{
    std::optional<QRectF> area;
    for (const Spot &spot : spots) {
        if (!spot.beyond)
            area = unite(area, spot.at);
    }
    for (const std::optional<QPointF> &mark : {align1, align2, loadPoint}) {
        if (mark && !beyondReach(*mark))
            area = unite(area, *mark);
    }
    return area.value_or(QRectF());
}

void RunPicture::paint(QPainter *painter, const QRectF &page) const
{
    painter->save();
    painter->fillRect(page, Paper);
    const PictureMap map(bounds(), page);
    paintPath(painter, map);
    paintMarks(painter, map);
    paintScale(painter, map, page);
    painter->restore();
}

QPointF RunPicture::spotOnPage(const PictureMap &map, const Spot &spot) const
{
    return spot.beyond ? map.toPageEdge(spot.at.x(), spot.at.y()) : map.toPage(spot.at.x(), spot.at.y());
}

// The order as one line per style, the points as small squares, the current entry ringed.
// Lines and squares go to the painter in batches: a full run list draws in a few calls.
void RunPicture::paintPath(QPainter *painter, const PictureMap &map) const
{
    // The current spot is the last XY entry at or before the current entry: a wheel or
    // shutter entry runs where the stage stands.
    int currentSpot = -1;
    for (int k = 0; k < spots.size() && current >= 0 && spots.at(k).entry <= current; ++k)
        currentSpot = k;
    QPolygonF done;
    QPolygonF coming;
    QVector<QRectF> doneDots;
    QVector<QRectF> comingDots;
    QVector<QRectF> patternDots;
    QVector<QLineF> outsideMarks;
    for (int k = 0; k < spots.size(); ++k) {
        const Spot &spot = spots.at(k);
        const QPointF at = spotOnPage(map, spot);
        if (k <= currentSpot)
            done << at;
        if (k >= currentSpot)
            coming << at;
        const QRectF dot(at.x() - DotPx / 2, at.y() - DotPx / 2, DotPx, DotPx);
        (spot.entry < current ? doneDots : spot.pattern > 0 ? patternDots : comingDots) << dot;
        if (spot.beyond || (spot.entry < outsideFlags.size() && outsideFlags.at(spot.entry))) {
            outsideMarks << QLineF(at + QPointF(-MarkPx, -MarkPx), at + QPointF(MarkPx, MarkPx))
                         << QLineF(at + QPointF(-MarkPx, MarkPx), at + QPointF(MarkPx, -MarkPx));
        }
    }

    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(DoneColour, 1));
    painter->drawPolyline(done);
    painter->setPen(QPen(ComingColour, 1));
    painter->drawPolyline(coming);
    painter->setPen(Qt::NoPen);
    painter->setBrush(DoneColour);
    painter->drawRects(doneDots);
    painter->setBrush(ComingColour);
    painter->drawRects(comingDots);
    painter->setBrush(PatternColour);
    painter->drawRects(patternDots);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(OutsideColour, 2));
    painter->drawLines(outsideMarks);

    if (currentSpot >= 0) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        const QPointF at = spotOnPage(map, spots.at(currentSpot));
        painter->setPen(QPen(CurrentColour, 3));
        painter->drawEllipse(at, CurrentPx, CurrentPx);
    }
    // The first point of each pattern placement is boxed.
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(PatternColour, 1));
    int lastPattern = 0;
    for (const Spot &spot : spots) {
        if (spot.pattern > 0 && spot.pattern != lastPattern) {
            const QPointF at = spotOnPage(map, spot);
            painter->drawRect(QRectF(at.x() - MarkPx / 2 - 1, at.y() - MarkPx / 2 - 1, MarkPx + 2, MarkPx + 2));
        }
        lastPattern = spot.pattern;
    }
}

void RunPicture::paintMarks(QPainter *painter, const PictureMap &map) const
{
    painter->setRenderHint(QPainter::Antialiasing, true);
    QFont font = painter->font();
    font.setBold(true);
    painter->setFont(font);
    auto label = [&](const std::optional<QPointF> &mark, const QColor &colour, const QString &text) {
        if (!mark)
            return;
        const QPointF at = map.toPageEdge(mark->x(), mark->y());
        QPolygonF diamond;
        diamond << at + QPointF(0, -MarkPx) << at + QPointF(MarkPx, 0) << at + QPointF(0, MarkPx)
                << at + QPointF(-MarkPx, 0);
        painter->setPen(QPen(colour, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawPolygon(diamond);
        painter->drawText(at + QPointF(MarkPx + 2, -MarkPx), text);
    };
    label(align1, AlignColour, QStringLiteral("A1"));
    label(align2, AlignColour, QStringLiteral("A2"));
    label(loadPoint, LoadColour, QStringLiteral("LOAD"));

    if (crossHair) {
        const QPointF at = map.toPage(crossHair->x(), crossHair->y());
        painter->setPen(QPen(CrossColour, 1));
        painter->drawLine(at + QPointF(-CrossPx, 0), at + QPointF(CrossPx, 0));
        painter->drawLine(at + QPointF(0, -CrossPx), at + QPointF(0, CrossPx));
        painter->drawEllipse(at, CrossPx / 2, CrossPx / 2);
    }
}

// A bar of a round length in the lower left corner.
void RunPicture::paintScale(QPainter *painter, const PictureMap &map, const QRectF &page) const
{
    const double mm = roundStep(ScaleBarMaxPx / map.scale());
    const double px = mm * map.scale();
    const QPointF start(page.left() + MarginPx / 2, page.bottom() - MarginPx / 2);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(CrossColour, 2));
    painter->drawLine(start, start + QPointF(px, 0));
    painter->drawText(start + QPointF(px + 4, 4), QStringLiteral("%1 mm").arg(numberText(mm)));
}

} // namespace Ptx
