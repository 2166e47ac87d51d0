// The recipe editor's command buttons: each inserts its command's template line.
#include "dialogs/kelscriptedit.h"

void KelScriptEdit::on_butAllign_clicked() { buttonClick(QStringLiteral("ALIGN x1,y1,x2,y2")); }
void KelScriptEdit::on_butDefRep_clicked() { buttonClick(QStringLiteral("DEFREP x,y")); }
void KelScriptEdit::on_butEndRep_clicked() { buttonClick(QStringLiteral("ENDREP")); }
void KelScriptEdit::on_butClrRep_clicked() { buttonClick(QStringLiteral("CLRREP")); }
void KelScriptEdit::on_butPoint_clicked() { buttonClick(QStringLiteral("POINT x,y")); }
void KelScriptEdit::on_butLine_clicked() { buttonClick(QStringLiteral("LINE sx,sy,ex,ey,step")); }
void KelScriptEdit::on_butArc_clicked() { buttonClick(QStringLiteral("ARC sx,sy,p2x,p2y,p3x,p3y,step")); }
void KelScriptEdit::on_butCircle_clicked() { buttonClick(QStringLiteral("CIRCLE sx,sy,p2x,p2y,p3x,p3y,step")); }
void KelScriptEdit::on_butRaster_clicked() { buttonClick(QStringLiteral("RASTER sx,sy,ix,iy,ex,ey")); }
void KelScriptEdit::on_butComb_clicked() { buttonClick(QStringLiteral("COMB sy,sy,ix,iy,ex,ey")); }
void KelScriptEdit::on_butDelay_clicked() { buttonClick(QStringLiteral("DELAY 1000")); }
void KelScriptEdit::on_butZPoint_clicked() { buttonClick(QStringLiteral("ZPOINT z")); }
void KelScriptEdit::on_butInc_clicked() { buttonClick(QStringLiteral("INCR 0.4,0.4")); }
void KelScriptEdit::on_butSpeed_clicked() { buttonClick(QStringLiteral("SPEEDXY 40000")); }
void KelScriptEdit::on_butZSpeed_clicked() { buttonClick(QStringLiteral("SPEEDZ 40000")); }
void KelScriptEdit::on_butDefMac_clicked() { buttonClick(QStringLiteral("DEFMAC")); }
void KelScriptEdit::on_butEndMac_clicked() { buttonClick(QStringLiteral("ENDMAC")); }
void KelScriptEdit::on_butFMacro_clicked() { buttonClick(QStringLiteral("FMACRO")); }
void KelScriptEdit::on_butFMove_clicked() { buttonClick(QStringLiteral("FMOVE 0,0")); }
void KelScriptEdit::on_butSCtrl_clicked() { buttonClick(QStringLiteral("SCTRL 3,3,3")); }
void KelScriptEdit::on_butDefF1Move_clicked() { buttonClick(QStringLiteral("F1MOVE 1")); }
void KelScriptEdit::on_butDefF2Move_clicked() { buttonClick(QStringLiteral("F2MOVE 1")); }
void KelScriptEdit::on_butDefOpen_clicked() { buttonClick(QStringLiteral("SHOPEN 1")); }
void KelScriptEdit::on_butDefClose_clicked() { buttonClick(QStringLiteral("SHCLOSE 1")); }
void KelScriptEdit::on_butDefExpose_clicked() { buttonClick(QStringLiteral("SHEXP 1")); }
void KelScriptEdit::on_butDelay_2_clicked() { buttonClick(QStringLiteral("FDELAY 100")); }
void KelScriptEdit::on_butExpTime_clicked() { buttonClick(QStringLiteral("EXPTIM 1,500")); }
