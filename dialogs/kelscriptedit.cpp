// The recipe editor: its list of lines, the list operations, the scan of the current line,
// the teach buttons and the write-back of a taught line, the live displays and GO XYZ.
#include "dialogs/kelscriptedit.h"
#include "ui_kelscriptedit.h"

#include "app/mainwindow.h"
#include "app/panelstyle.h"
#include "config/numbertext.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "dialogs/numinputbox.h"
#include "dialogs/scanline.h"
#include "dialogs/teachframe.h"

#include <iterator>
#include <type_traits>

namespace {

const QString EndLine = QStringLiteral("{END}");
constexpr int CommandsTab = 0;
constexpr int NoRow = -1;

// A keypad centred on the screen, starting at the slot's value; the slot takes the typed
// value only when the keypad is closed with OK.
template <typename T>
bool askKeypad(QWidget *parent, const QString &prompt, T *slot)
{
    NumInputBox box(parent);
    box.SetPrompt(prompt);
    box.SetValue(*slot);
    box.centreOnScreen();
    if (box.exec() != QDialog::Accepted)
        return false;
    if constexpr (std::is_same_v<T, int>)
        *slot = box.getIntVal();
    else
        *slot = box.getDoubleVal();
    return true;
}

} // namespace

KelScriptEdit::KelScriptEdit(QWidget *parent)
    : KelScriptEdit(nullptr, parent)
{
}

KelScriptEdit::KelScriptEdit(KelInterface *kel, QWidget *parent)
    : QDialog(parent), ui(new Ui::KelScriptEdit), givenKel(kel)
{
    ui->setupUi(this);
    setStyleSheet(Ptx::panelStyleSheet());
    // A row the operator touches drops the teach state of the line taught before.
    connect(ui->listWidget, &QListWidget::currentRowChanged, this, &KelScriptEdit::rowChanged);
    refillList(0);
}

KelScriptEdit::~KelScriptEdit()
{
    delete ui;
}

KelInterface *KelScriptEdit::kel() const
{
    if (givenKel)
        return givenKel;
    const auto *window = qobject_cast<const MainWindow *>(parentWidget());
    return window ? window->kelInterface() : nullptr;
}

// --- live displays ---

void KelScriptEdit::updatePos(double x, double y, double z)
{
    if (frameOwn && kel()) {
        const QPointF shown = frameFromStage(ownFrame, kel()->stagePositionXY());
        x = shown.x();
        y = shown.y();
    }
    xpos = x;
    ypos = y;
    zpos = z;
    const QString pattern = QStringLiteral("%1.");
    ui->xpos->setText(pattern.arg(Ptx::numberText(x)));
    ui->ypos->setText(pattern.arg(Ptx::numberText(y)));
    ui->zpos->setText(pattern.arg(Ptx::numberText(z)));
}

void KelScriptEdit::updateFwPos1(long x)
{
    ui->fw1pos->setText(QStringLiteral("W1:%1").arg(x));
}

void KelScriptEdit::updateFwPos2(long x)
{
    ui->fw2pos->setText(QStringLiteral("W2:%1").arg(x));
}

void KelScriptEdit::updateShPos(long x, long y, long z)
{
    // 0 closed, 1 open, 2 exposing; any other state is shown as its number.
    static const QStringList states = {QStringLiteral("CL"), QStringLiteral("OP"),
                                       QStringLiteral("EXP")};
    const long shutterStates[] = {x, y, z};
    QLabel *const labels[] = {ui->sh1, ui->sh2, ui->sh3};
    for (int i = 0; i < int(std::size(labels)); ++i) {
        const long s = shutterStates[i];
        const QString state = s >= 0 && s < states.size() ? states.at(int(s)) : QString::number(s);
        labels[i]->setText(QStringLiteral("SH%1:%2").arg(i + 1).arg(state));
    }
}

// --- the recipe and the list ---

QStringList KelScriptEdit::getRecipe()
{
    return recipe;
}

void KelScriptEdit::setRecipe(QStringList lst)
{
    recipe = lst;
    if (recipe.isEmpty())
        recipe.append(EndLine);
    frameOwn = false;
    refillList(0);
    ui->tabWidget->setCurrentIndex(CommandsTab);
    clearTeachState();
}

void KelScriptEdit::on_butClrRecipe_clicked()
{
    recipe = QStringList{QStringLiteral("DELAY 1000"), QStringLiteral("INCR 1.0,1.0"),
                         QStringLiteral("SPEEDXY 10.0"), EndLine};
    refillList(0);
    clearTeachState();
}

// Shows the whole recipe anew with the given row current.
void KelScriptEdit::refillList(int row)
{
    scannedRow = NoRow;
    ui->listWidget->clear();
    ui->listWidget->addItems(recipe);
    selectRow(row);
}

// A row outside the list leaves none current.
void KelScriptEdit::selectRow(int row)
{
    ui->listWidget->setCurrentRow(row >= 0 && row < recipe.size() ? row : NoRow);
}

void KelScriptEdit::rowChanged(int row)
{
    if (row != scannedRow)
        clearTeachState();
}

void KelScriptEdit::clearTeachState()
{
    commandType = 0;
    subState = 0;
    curLine.clear();
    ui->curLine->clear();
    ui->curStep->clear();
    scannedRow = NoRow;
}

void KelScriptEdit::stepRow(int offset)
{
    const int row = ui->listWidget->currentRow();
    const int last = int(recipe.size()) - 1;
    if (offset > 0 && row >= 0 && row < last)
        ui->listWidget->setCurrentRow(row + 1);
    else if (offset < 0 && row > 0)
        ui->listWidget->setCurrentRow(row - 1);
    else if (offset < 0 && row == NoRow && last >= 0)
        ui->listWidget->setCurrentRow(last);   // back from past the end
    clearTeachState();
    ScanLine(TEACH_IDLE);
}

void KelScriptEdit::on_butNext_clicked()
{
    stepRow(1);
}

void KelScriptEdit::on_butPrev_clicked()
{
    stepRow(-1);
}

void KelScriptEdit::on_butDel_clicked()
{
    const int row = ui->listWidget->currentRow();
    if (row >= 0 && row < recipe.size()) {
        // Only the changed row is redrawn: a long recipe would take a noticeable time.
        recipe.removeAt(row);
        scannedRow = NoRow;
        delete ui->listWidget->takeItem(row);
        selectRow(qMin(row, int(recipe.size()) - 1));
    }
    clearTeachState();
    ScanLine(TEACH_IDLE);
}

void KelScriptEdit::on_butEdit_clicked()
{
    const int row = ui->listWidget->currentRow();
    if (row >= 0 && row < recipe.size()) {
        curLine = recipe.at(row);
        ui->curLine->setText(curLine);
    }
    ScanLine(TEACH_IDLE);
}

void KelScriptEdit::on_listWidget_clicked(QModelIndex index)
{
    Q_UNUSED(index)
    on_butEdit_clicked();
}

// Inserts a template before the current line, or at the top when no line is current.
void KelScriptEdit::buttonClick(QString val)
{
    int row = ui->listWidget->currentRow();
    if (row < 0 || row > recipe.size())
        row = 0;
    recipe.insert(row, val);
    scannedRow = NoRow;
    ui->listWidget->insertItem(row, val);
    selectRow(row);
    ScanLine(TEACH_IDLE);
}

// --- scan ---

void KelScriptEdit::ScanLine(int but)
{
    Q_UNUSED(but)
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= recipe.size()) {
        clearTeachState();
        return;
    }
    ProcessFlags();
    scannedRow = row;
    curLine = recipe.at(row);
    showLine();
    subState = 0;
    commandType = CMD_END;
    const ScannedLine scanned = scanTeachLine(curLine, this);
    if (scanned.commandType == CMD_END)
        return;
    showLine(scanned.line);
    commandType = scanned.commandType;
    handleTeachButton(TEACH_IDLE);
}

// Puts the interface into the coordinate mode the recipe has at the current line, so that
// positions are shown, stored and visited in that line's frame. While a run goes on the
// editor keeps the frame itself and leaves the run's alignment and mode alone.
void KelScriptEdit::ProcessFlags()
{
    KelInterface *k = kel();
    if (!k)
        return;
    const TeachFrame frame = teachFrame(recipe, ui->listWidget->currentRow());
    frameOwn = k->isRecipeRunning();
    if (frameOwn) {
        ownFrame = frame;
        updatePos(xpos, ypos, zpos);
        return;
    }
    if (frame.align) {
        k->setAlignPt1(frame.align1X, frame.align1Y);
        k->setAlignPt2(frame.align2X, frame.align2Y);
        k->setSkew();
        Ptx::diag(QStringLiteral("SETSKEW"));
    }
    if (frame.repeat) {
        // Without alignment the reference point is a stage position, whatever frame the
        // line taught before left behind.
        if (!frame.align)
            k->setAbs();
        Ptx::diag(QString::asprintf("SETREL %f,%f", frame.refX, frame.refY));
        k->setRel(frame.refX, frame.refY);
    } else if (frame.align) {
        k->setAbs();
        k->setSkew();
        Ptx::diag(QStringLiteral("SETSKEW"));
    } else {
        k->setAbs();
        Ptx::diag(QStringLiteral("SETABS"));
    }
}

// --- teach buttons ---

void KelScriptEdit::on_butGoto_clicked()
{
    handleTeachButton(TEACH_GOTO);
}

void KelScriptEdit::on_butTchPrev_clicked()
{
    handleTeachButton(TEACH_PREV);
}

void KelScriptEdit::on_butTechNext_clicked()
{
    handleTeachButton(TEACH_NEXT);
}

void KelScriptEdit::on_butTchStore_clicked()
{
    handleTeachButton(TEACH_STORE);
}

void KelScriptEdit::on_butTchEnter_clicked()
{
    handleTeachButton(TEACH_ENTER);
}

void KelScriptEdit::handleTeachButton(int but)
{
    if (!kel())
        return;
    switch (commandType) {
    case CMD_ALIGN: handleAlign(but); break;
    case CMD_DEFREP: handleDefRep(but); break;
    case CMD_POINT: handlePoint(but); break;
    case CMD_CIRCLE: handleArc(but, false); break;
    case CMD_ARC: handleArc(but, true); break;
    case CMD_LINE: handleLine(but); break;
    case CMD_COMB: handleComb(but, true); break;
    case CMD_RASTER: handleComb(but, false); break;
    case CMD_INCR: handleIncr(but); break;
    case CMD_SPEED: handleSpeed(but); break;
    case CMD_DELAY: handleDelay(but); break;
    case CMD_ZPOINT: handleZpoint(but); break;
    case CMD_ZSPEED: handleZspeed(but); break;
    case CMD_FMOVE: handleFMove(but); break;
    case CMD_SCTRL: handleSCtrl(but); break;
    case CMD_F1MOVE: handleF1Move(but); break;
    case CMD_F2MOVE: handleF2Move(but); break;
    case CMD_SHOPEN: handleShOpen(but); break;
    case CMD_SHCLOSE: handleShClose(but); break;
    case CMD_SHEXP: handleShExp(but); break;
    case CMD_EXPTIM: handleExpTim(but); break;
    case CMD_FDELAY: handleFDelay(but); break;
    default: break;
    }
}

// --- what the wizards share ---

void KelScriptEdit::showStep(const QString &prompt)
{
    ui->curStep->setText(prompt);
}

void KelScriptEdit::showLine()
{
    ui->curLine->setText(curLine);
}

void KelScriptEdit::showLine(const QString &line)
{
    curLine = line;
    showLine();
}

QString KelScriptEdit::realLine(const char *format, const std::vector<RealSlot> &fields) const
{
    const TeachValues &v = *this;
    QString line = QString::fromLatin1(format);
    for (RealSlot slot : fields)
        line = line.arg(Ptx::numberText(v.*slot));
    return line;
}

bool KelScriptEdit::askReal(const QString &prompt, double *slot)
{
    return askKeypad(this, prompt, slot);
}

bool KelScriptEdit::askInt(const QString &prompt, int *slot)
{
    return askKeypad(this, prompt, slot);
}

void KelScriptEdit::finish()
{
    writeBack(false, 0.0, 0.0);
}

void KelScriptEdit::finish(const QString &line)
{
    curLine = line;
    finish();
}

// STORE in a wizard that picks several values one step at a time: the step's value is
// taken; the next step's prompt follows, and after the last step the line is written.
void KelScriptEdit::takeChoice(const QString &line, int steps)
{
    if (subState < 0 || subState >= steps)
        return;
    showLine(line);
    if (++subState < steps)
        handleTeachButton(TEACH_IDLE);
    else
        finish();
}

// Replaces the current line by curLine, optionally sends the stage to (x, y) in the
// line's frame, then makes the next line current and scans it.
void KelScriptEdit::writeBack(bool endMove, double x, double y)
{
    showLine();
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= recipe.size()) {
        clearTeachState();
        return;
    }
    recipe[row] = curLine;
    ui->listWidget->item(row)->setText(curLine);
    if (endMove)
        moveToPoint(x, y);
    selectRow(row + 1);
    clearTeachState();
    ScanLine(TEACH_IDLE);
}

// --- GO XYZ, OK and Cancel ---

void KelScriptEdit::on_butGoXYZ_clicked()
{
    KelInterface *k = kel();
    if (!k)
        return;
    double x = xpos;
    double y = ypos;
    double z = zpos;
    const bool typedX = askReal(QStringLiteral("Enter X Position"), &x);
    const bool typedY = askReal(QStringLiteral("Enter Y Position"), &y);
    const bool typedZ = askReal(QStringLiteral("Enter Z Position"), &z);
    // A cancelled keypad keeps that axis where it is; cancelling all three moves nothing.
    if (typedX || typedY)
        moveToPoint(typedX ? x : xpos, typedY ? y : ypos);
    if (typedZ)
        k->moveZTo(z);
}

void KelScriptEdit::moveToPoint(double x, double y)
{
    KelInterface *k = kel();
    if (!k)
        return;
    if (!frameOwn) {
        k->moveXYTo(x, y);
        return;
    }
    QPointF stage;
    if (stageFromFrame(ownFrame, QPointF(x, y), &stage))
        k->moveStageXYTo(stage.x(), stage.y());
    else
        Ptx::diag(QStringLiteral("EDITOR MOVE REFUSED: THE LINE'S ALIGN POINTS COINCIDE"));
}

void KelScriptEdit::leaveFrame()
{
    KelInterface *k = kel();
    if (k && !k->isRecipeRunning())
        k->setAbs();
}

void KelScriptEdit::on_buttonBox_accepted()
{
    leaveFrame();
    accept();
}

void KelScriptEdit::on_buttonBox_rejected()
{
    leaveFrame();
    reject();
}
