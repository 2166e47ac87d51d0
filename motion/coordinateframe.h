// CoordinateFrame: the coordinate mode, its origin and alignment points, the shown position
// and the jog steps.
#pragma once

#include "motion/skewtransform.h"

struct CoordinateFrame {
    Ptx::SkewTransform alignment() const
    {
        return Ptx::SkewTransform(AlnPoint1x, AlnPoint1y, AlnPoint2x, AlnPoint2y);
    }

    // Puts the stage position (X, Y in mm, Z in microns) into the shown position: in specimen
    // coordinates when skew is on, then less the origin when relative.
    void show(double stageX, double stageY, double stageZ)
    {
        fxpos = stageX;
        fypos = stageY;
        fzpos = stageZ;
        if (inSkew)
            alignment().toSpecimen(fxpos, fypos, &fxpos, &fypos);
        if (inRelative) {
            fxpos -= relx;
            fypos -= rely;
        }
    }

    // The shown position.
    double fxpos = 0.0;
    double fypos = 0.0;
    double fzpos = 0.0;
    bool inRelative = false;
    bool inSkew = false;
    // The relative origin.
    double relx = 0.0;
    double rely = 0.0;
    double relz = 0.0;
    // The alignment points, in stage mm.
    double AlnPoint1x = 0.0;
    double AlnPoint1y = 0.0;
    double AlnPoint2x = 0.0;
    double AlnPoint2y = 0.0;
    // The jog steps, in the frame's units.
    double xincr = 1.0;
    double yincr = 1.0;
    double zincr = 1.0;
};
