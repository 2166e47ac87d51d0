#include "dialogs/teachframe.h"

#include "dialogs/scanline.h"
#include "motion/skewtransform.h"

namespace {
const QLatin1String DefRep("DEFREP");
const QLatin1String Align("ALIGN");
const QLatin1String EndRep("ENDREP");
constexpr int ReferenceFields = 2;
constexpr int AlignFields = 4;

Ptx::SkewTransform skewOf(const TeachFrame &frame)
{
    return Ptx::SkewTransform(frame.align1X, frame.align1Y, frame.align2X, frame.align2Y);
}
} // namespace

TeachFrame teachFrame(const QStringList &recipe, int row)
{
    TeachFrame frame;
    for (int i = 0; i < row && i < recipe.size(); ++i) {
        const QString &line = recipe.at(i);
        if (line.startsWith(DefRep)) {
            frame.repeat = true;
            double ref[ReferenceFields];
            readTeachReals(QStringView(line).mid(DefRep.size()), ref, ReferenceFields);
            frame.refX = ref[0];
            frame.refY = ref[1];
        } else if (line.startsWith(Align)) {
            frame.align = true;
            double pts[AlignFields];
            readTeachReals(QStringView(line).mid(Align.size()), pts, AlignFields);
            frame.align1X = pts[0];
            frame.align1Y = pts[1];
            frame.align2X = pts[2];
            frame.align2Y = pts[3];
        } else if (line.startsWith(EndRep)) {
            frame.repeat = false;
            frame.refX = 0.0;
            frame.refY = 0.0;
        }
    }
    return frame;
}

QPointF frameFromStage(const TeachFrame &frame, const QPointF &stage)
{
    double x = stage.x();
    double y = stage.y();
    if (frame.align)
        skewOf(frame).toSpecimen(x, y, &x, &y);
    if (frame.repeat) {
        x -= frame.refX;
        y -= frame.refY;
    }
    return QPointF(x, y);
}

bool stageFromFrame(const TeachFrame &frame, const QPointF &point, QPointF *stage)
{
    double x = point.x();
    double y = point.y();
    if (frame.repeat) {
        x += frame.refX;
        y += frame.refY;
    }
    if (frame.align) {
        const Ptx::SkewTransform skew = skewOf(frame);
        if (skew.coincident())
            return false;
        skew.toStage(x, y, &x, &y);
    }
    *stage = QPointF(x, y);
    return true;
}
