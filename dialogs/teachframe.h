// The coordinate frame in which the recipe editor teaches a line: what the lines above it
// establish (a repeat block's reference point, the alignment points).
#pragma once

#include <QPointF>
#include <QStringList>

struct TeachFrame {
    bool repeat = false;   // inside a DEFREP ... ENDREP block: relative to the reference
    double refX = 0.0;
    double refY = 0.0;
    bool align = false;    // an ALIGN line above: skew-corrected by its two points
    double align1X = 0.0;
    double align1Y = 0.0;
    double align2X = 0.0;
    double align2Y = 0.0;
};

// Replays the DEFREP, ALIGN and ENDREP lines above row (row itself excluded); the last
// ALIGN line above gives the alignment points.
TeachFrame teachFrame(const QStringList &recipe, int row);

// A stage position in mm seen in the frame: specimen coordinates when aligned, less the
// reference point inside a repeat block.
QPointF frameFromStage(const TeachFrame &frame, const QPointF &stage);
// The stage position of a point of the frame. False while the frame's alignment points
// coincide: the specimen then has no direction to move along.
bool stageFromFrame(const TeachFrame &frame, const QPointF &point, QPointF *stage);
