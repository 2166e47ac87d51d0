#include "dialogs/dlgconfig.h"
#include "ui_dlgconfig.h"

#include "app/panelstyle.h"
#include "config/configdefaults.h"
#include "config/numbertext.h"
#include "dialogs/dlgrcpfile.h"
#include "dialogs/numinputbox.h"
#include "dialogs/screencentre.h"

#include <QRegularExpression>

#include <cmath>
#include <utility>

namespace {

const QString AddressDot = QStringLiteral(".");
constexpr int AddressParts = 4;
const QString DefaultIncrement = QStringLiteral("1.0");
const QString NoLimit = QStringLiteral("NONE");

QString limitText(double limit)
{
    return std::isfinite(limit) ? Ptx::numberText(limit) : NoLimit;
}

// NONE, or a text that is no number, is no limit on that side.
double limitValue(const QPushButton *button, double none)
{
    bool ok = false;
    const double value = button->text().toDouble(&ok);
    return ok && std::isfinite(value) ? value : none;
}

// A button's text as a number; text that is not a number reads as 0.
double buttonValue(const QPushButton *button)
{
    bool ok = false;
    const double value = button->text().toDouble(&ok);
    return ok ? value : 0.0;
}

// One value button: its object name, the keypad's prompt, and what it holds: a speed is
// taken only when it comes to at least one step per second. A new setting is one more row
// here and one more button in the form.
using FieldKind = dlgConfig::ValueKind;

struct ValueField {
    const char *button;
    const char *prompt;
    FieldKind kind;
};

const ValueField ValueFields[] = {
    {"IpAddr1", QT_TRANSLATE_NOOP("dlgConfig", "IP:"), FieldKind::Plain},
    {"IpAddr2", QT_TRANSLATE_NOOP("dlgConfig", "IP:"), FieldKind::Plain},
    {"IpAddr3", QT_TRANSLATE_NOOP("dlgConfig", "IP:"), FieldKind::Plain},
    {"IpAddr4", QT_TRANSLATE_NOOP("dlgConfig", "IP:"), FieldKind::Plain},
    {"stageRes", QT_TRANSLATE_NOOP("dlgConfig", "Stage Steps per mm:"), FieldKind::Plain},
    {"stageSpeed", QT_TRANSLATE_NOOP("dlgConfig", "Stage Speed in mm/sec:"), FieldKind::StageSpeed},
    {"stageCenSpeed", QT_TRANSLATE_NOOP("dlgConfig", "Stage Center Speed in mm/sec:"), FieldKind::StageSpeed},
    {"stageDefIncr", QT_TRANSLATE_NOOP("dlgConfig", "Default Stage Increment in mm:"), FieldKind::Plain},
    {"focusRes", QT_TRANSLATE_NOOP("dlgConfig", "Focus microns per step:"), FieldKind::Plain},
    {"focusSpeed", QT_TRANSLATE_NOOP("dlgConfig", "Focus Speed in steps/sec:"), FieldKind::FocusSpeed},
    {"focusDefIncr", QT_TRANSLATE_NOOP("dlgConfig", "Default Focus Increment in microns:"), FieldKind::Plain},
};

// Four dotted numbers, with or without a port, are edited part by part on the keypad;
// anything else (a host name) is one text.
const QRegularExpression DottedAddress(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+(:\\d*)?$"));

} // namespace

dlgConfig::dlgConfig(QString addr, QWidget *parent)
    : QDialog(parent), ui(new Ui::dlgConfig)
{
    ui->setupUi(this);
    setStyleSheet(Ptx::panelStyleSheet());
    if (isDottedAddress(addr)) {
        const QStringList parts = splitAddressParts(addr);
        QPushButton *const address[AddressParts] = {ui->IpAddr1, ui->IpAddr2, ui->IpAddr3, ui->IpAddr4};
        for (int i = 0; i < parts.size(); ++i)
            address[i]->setText(parts.at(i));
    } else {
        showWholeAddress(addr);
    }

    for (const ValueField &field : ValueFields) {
        auto *button = findChild<QPushButton *>(QLatin1String(field.button));
        connect(button, &QPushButton::clicked, this,
                [this, button, &field] { editValue(button, field.prompt, field.kind); });
    }
    const std::pair<QPushButton *, QString> limits[] = {
        {ui->limitXMin, tr("X minimum in mm (empty: none):")}, {ui->limitXMax, tr("X maximum in mm (empty: none):")},
        {ui->limitYMin, tr("Y minimum in mm (empty: none):")}, {ui->limitYMax, tr("Y maximum in mm (empty: none):")},
        {ui->limitZMin, tr("Z minimum in microns (empty: none):")},
        {ui->limitZMax, tr("Z maximum in microns (empty: none):")}};
    for (const auto &[button, prompt] : limits)
        connect(button, &QPushButton::clicked, this, [this, button = button, prompt = prompt] { editLimit(button, prompt); });
}

dlgConfig::~dlgConfig()
{
    delete ui;
}

void dlgConfig::centreOnScreen()
{
    Ptx::centreOnScreen(this);
}

QStringList dlgConfig::splitAddressParts(const QString &addr)
{
    QStringList parts;
    qsizetype from = 0;
    for (int dot = 1; dot < AddressParts; ++dot) {
        const qsizetype at = addr.indexOf(AddressDot, from);
        if (at < 0)
            return {};
        parts.append(addr.mid(from, at - from));
        from = at + 1;
    }
    parts.append(addr.mid(from));
    return parts;
}

bool dlgConfig::isDottedAddress(const QString &addr)
{
    return DottedAddress.match(addr).hasMatch();
}

// The first address button, widened over the other three, holds the whole address; the
// other parts and their dots are hidden.
void dlgConfig::showWholeAddress(const QString &addr)
{
    firstPartGeometry = ui->IpAddr1->geometry();
    ui->IpAddr1->setGeometry(firstPartGeometry.united(ui->IpAddr4->geometry()));
    ui->IpAddr1->setText(addr);
    setAddressPartsVisible(false);
    wholeAddress = true;
}

// The keypad types numbers only, so a changed address is typed in four parts: the first
// number typed on the whole address brings back the parts, the others at the form's own.
void dlgConfig::showAddressParts()
{
    ui->IpAddr1->setGeometry(firstPartGeometry);
    setAddressPartsVisible(true);
    wholeAddress = false;
}

void dlgConfig::setAddressPartsVisible(bool visible)
{
    for (QWidget *part : QList<QWidget *>{ui->IpAddr2, ui->IpAddr3, ui->IpAddr4, ui->label, ui->label_2, ui->label_3})
        part->setVisible(visible);
}

bool dlgConfig::speedAcceptable(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value > 0.0;
}

// Why a typed value cannot be taken, or empty when it can. A stage speed is converted at
// the resolution on the dialog's own button; a resolution of 0, which the panel replaces by
// its default, counts as that default.
QString dlgConfig::refusal(const QString &typed, const QString &kept, ValueKind kind) const
{
    if (kind == FieldKind::Plain)
        return QString();
    if (!speedAcceptable(typed))
        return tr("Speed must be a number above 0: kept %1").arg(kept);
    double stepsPerUnit = 1.0;
    if (kind == FieldKind::StageSpeed) {
        const double resolution = buttonValue(ui->stageRes);
        stepsPerUnit = resolution != 0.0 && std::isfinite(resolution) ? resolution : Ptx::DefaultStepsPerMMxy;
    }
    if (std::fabs(typed.toDouble() * stepsPerUnit) < 1.0)
        return tr("Speed below 1 step/sec: kept %1").arg(kept);
    return QString();
}

// The keypad starts at the button's text; OK puts what was typed on the button, exactly as
// typed. A speed that is not above 0, or comes to less than one step per second, is
// refused: the button keeps its value and the note under the settings says why.
void dlgConfig::editValue(QPushButton *button, const char *prompt, ValueKind kind)
{
    // A host name cannot be edited on the keypad: its first part starts empty.
    const bool replacingWhole = wholeAddress && button == ui->IpAddr1;
    NumInputBox box(this);
    box.centreOnScreen();
    box.SetPrompt(tr(prompt));
    box.setValue(replacingWhole ? QString() : button->text());
    if (box.exec() != QDialog::Accepted)
        return;
    const QString typed = box.getStrVal();
    const QString why = refusal(typed, button->text(), kind);
    if (!why.isEmpty()) {
        ui->labelNote->setText(why);
        return;
    }
    ui->labelNote->clear();
    if (replacingWhole)
        showAddressParts();
    button->setText(typed);
}

// An empty keypad clears the limit; a text that is no number is refused. A minimum above
// its maximum is pointed out, since such a pair is not kept.
void dlgConfig::editLimit(QPushButton *button, const QString &prompt)
{
    NumInputBox box(this);
    box.centreOnScreen();
    box.SetPrompt(prompt);
    box.setValue(button->text() == NoLimit ? QString() : button->text());
    if (box.exec() != QDialog::Accepted)
        return;
    const QString typed = box.getStrVal().trimmed();
    bool ok = false;
    const double value = typed.toDouble(&ok);
    if (!typed.isEmpty() && (!ok || !std::isfinite(value))) {
        ui->labelNote->setText(tr("A limit must be a number or empty: kept %1").arg(button->text()));
        return;
    }
    button->setText(typed.isEmpty() ? NoLimit : typed);
    const Ptx::TravelLimits limits = getTravelLimits();
    const bool crossed = limits.x.min > limits.x.max || limits.y.min > limits.y.max || limits.z.min > limits.z.max;
    ui->labelNote->setText(crossed ? tr("A minimum above its maximum: that axis will have no limits") : QString());
}

void dlgConfig::setTravelLimits(const Ptx::TravelLimits &limits)
{
    ui->limitXMin->setText(limitText(limits.x.min));
    ui->limitXMax->setText(limitText(limits.x.max));
    ui->limitYMin->setText(limitText(limits.y.min));
    ui->limitYMax->setText(limitText(limits.y.max));
    ui->limitZMin->setText(limitText(limits.z.min));
    ui->limitZMax->setText(limitText(limits.z.max));
}

Ptx::TravelLimits dlgConfig::getTravelLimits()
{
    const Ptx::AxisRange none;
    Ptx::TravelLimits limits;
    limits.x = {limitValue(ui->limitXMin, none.min), limitValue(ui->limitXMax, none.max)};
    limits.y = {limitValue(ui->limitYMin, none.min), limitValue(ui->limitYMax, none.max)};
    limits.z = {limitValue(ui->limitZMin, none.min), limitValue(ui->limitZMax, none.max)};
    return limits;
}

void dlgConfig::init(double stRes, double stSp, double stCenSp, double stDefInc, bool stCenter,
                     bool stUseLdPt, double fcRes, double fcSp, double fcDefInc, bool fcUseLdPt,
                     QString rcpName, bool rcpAuto)
{
    ui->stageRes->setText(Ptx::numberText(stRes));
    ui->stageSpeed->setText(Ptx::numberText(stSp));
    ui->stageCenSpeed->setText(Ptx::numberText(stCenSp));
    ui->stageDefIncr->setText(Ptx::numberText(stDefInc));
    ui->focusRes->setText(Ptx::numberText(fcRes));
    ui->focusSpeed->setText(Ptx::numberText(fcSp));
    ui->focusDefIncr->setText(Ptx::numberText(fcDefInc));
    ui->stageCenterOnStart->setChecked(stCenter);
    ui->stageUseLoadPt->setChecked(stUseLdPt);
    ui->focusUseLoadPt->setChecked(fcUseLdPt);
    ui->recipeAutoRun->setChecked(rcpAuto);
    ui->recipeFileName->setText(rcpName);
}

void dlgConfig::init(double stRes, double stSp, double fcRes, double fcSp)
{
    init(stRes, stSp, stSp, 0.0, false, false, fcRes, fcSp, 0.0, false, QString(), false);
    ui->stageDefIncr->setText(DefaultIncrement);
    ui->focusDefIncr->setText(DefaultIncrement);
}

QString dlgConfig::getAddr()
{
    if (wholeAddress)
        return ui->IpAddr1->text();
    return QStringList{ui->IpAddr1->text(), ui->IpAddr2->text(), ui->IpAddr3->text(),
                       ui->IpAddr4->text()}
        .join(AddressDot);
}

double dlgConfig::getStageRes() { return buttonValue(ui->stageRes); }
double dlgConfig::getStageSpeed() { return buttonValue(ui->stageSpeed); }
double dlgConfig::getStageCenterSpeed() { return buttonValue(ui->stageCenSpeed); }
double dlgConfig::getStageDefIncr() { return buttonValue(ui->stageDefIncr); }
double dlgConfig::getFocusRes() { return buttonValue(ui->focusRes); }
double dlgConfig::getFocusSpeed() { return buttonValue(ui->focusSpeed); }
double dlgConfig::getFocusDefIncr() { return buttonValue(ui->focusDefIncr); }
bool dlgConfig::getStageDoCenter() { return ui->stageCenterOnStart->isChecked(); }
bool dlgConfig::getStageUseLoadPt() { return ui->stageUseLoadPt->isChecked(); }
bool dlgConfig::getFocusUseLoadPt() { return ui->focusUseLoadPt->isChecked(); }
bool dlgConfig::getRecipeAutoStart() { return ui->recipeAutoRun->isChecked(); }
QString dlgConfig::getRecipeName() { return ui->recipeFileName->text(); }

void dlgConfig::on_recipeFileName_clicked()
{
    dlgRcpFile dialog(false, this);
    dialog.centreOnScreen();
    dialog.InitDlg();
    dialog.setWindowTitle(tr("SELECT RECIPE TO AUTOLOAD"));
    dialog.setCurFileName(ui->recipeFileName->text());
    if (dialog.exec() == QDialog::Accepted)
        ui->recipeFileName->setText(dialog.getCurFileName());
}

