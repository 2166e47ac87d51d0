// RunPicture: draws a compiled run list to scale, with its marks, on any paint device; the
// panel's Run page and ptx-recipe's picture share it.
#pragma once

#include "controller/kelinterface.h"

#include <QPointF>
#include <QRectF>
#include <QVector>

#include <optional>

class QPainter;

namespace Ptx {

// Specimen millimetres to page pixels: one scale for both axes, Y pointing up, the bounds
// centred on the page. Bounds without width or height get a span of MinSpanMM.
class PictureMap
{
public:
    static constexpr double MinSpanMM = 1.0;

    PictureMap(const QRectF &bounds, const QRectF &page);
    QPointF toPage(double x, double y) const;
    // Where the point lies, or where the line towards it leaves the page.
    QPointF toPageEdge(double x, double y) const;
    double scale() const { return pixelsPerMM; }

private:
    double pixelsPerMM = 1.0;
    QPointF centreMM;
    QPointF centrePage;
    QRectF pageRect;
};

// A position no stage reaches: so far out that a picture holding it and the origin would
// span more than the range of numbers. The picture leaves it out of its bounds and pins it
// to the page's edge, marked as outside.
bool beyondReach(const QPointF &point);

// Which run-list entries a move would take outside the travel limits, each entry converted
// to stage coordinates through align when one is given.
QVector<bool> entriesOutside(const QVector<recipePointStruct> &entries, const TravelLimits &limits,
                             const std::optional<SkewTransform> &align);

class RunPicture
{
public:
    void setRunList(const QVector<recipePointStruct> &entries, const QVector<EntryOrigin> &origins);
    // The interface's compiled run list with its alignment and load points, the entries
    // outside the travel (once their stage positions are known) and the run's current entry.
    void showRun(KelInterface &kel);
    // The stage position as the picture's coordinates give it.
    static QPointF pictureCoordinates(KelInterface &kel, const QPointF &stage);
    // The entry being run, from 0; entries before it are drawn as done. -1 before a run.
    void setCurrent(int entry) { current = entry; }
    int currentEntry() const { return current; }
    void setOutside(const QVector<bool> &outside) { outsideFlags = outside; }
    void setAlignPoints(const std::optional<QPointF> &first, const std::optional<QPointF> &second);
    void setLoadPoint(const std::optional<QPointF> &point) { loadPoint = point; }
    void setCrossHair(const std::optional<QPointF> &point) { crossHair = point; }

    // The drawn area in specimen millimetres: the XY entries and the marks.
    QRectF bounds() const;
    void paint(QPainter *painter, const QRectF &page) const;

private:
    struct Spot {
        QPointF at;
        int entry;          // run-list index of the XY entry
        int pattern;        // pattern placement, or 0
        bool beyond;        // beyondReach(at)
    };
    QPointF spotOnPage(const PictureMap &map, const Spot &spot) const;
    void paintPath(QPainter *painter, const PictureMap &map) const;
    void paintMarks(QPainter *painter, const PictureMap &map) const;
    void paintScale(QPainter *painter, const PictureMap &map, const QRectF &page) const;

    QVector<Spot> spots;
    int current = -1;
    QVector<bool> outsideFlags;
    std::optional<QPointF> align1;
    std::optional<QPointF> align2;
    std::optional<QPointF> loadPoint;
    std::optional<QPointF> crossHair;
};

} // namespace Ptx
