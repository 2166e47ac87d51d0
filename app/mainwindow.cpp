// Construction, wiring and shutdown of the main screen.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/dragscroll.h"
#include "app/jogrepeat.h"
#include "app/panelstyle.h"
#include "app/runpage.h"
#include "app/startmarker.h"
#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "dialogs/fileerrorbox.h"
#include "dialogs/haltkey.h"
#include "dialogs/kelscriptedit.h"
#include "dialogs/versiontext.h"
#include "motion/stepconvert.h"
#include "recipe/recipefile.h"

namespace {

// The controller's factory address on the panel's private network; "config.xml" overrides it.
const char *const DefaultControllerAddress = "192.168.1.100";
const char *const ZeroPositionText = "0.0000";

// The message display keeps this many of the most recent lines.
constexpr int MessageLines = 2000;

// Converts to controller steps; a value the controller cannot take gives 0 and a diagnostic.
long encoderSteps(double value, double stepsPerUnit)
{
    qint32 steps = 0;
    if (!Ptx::toSteps(value * stepsPerUnit, &steps))
        Ptx::diag(QStringLiteral("ENCODER VALUE OUT OF RANGE: %1").arg(value));
    return steps;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(nullptr, parent)
{
}

MainWindow::MainWindow(KelInterface *kel, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    // Each button names its role in the form; the panel's style sheet gives each role its look.
    setStyleSheet(Ptx::panelStyleSheet());
    ui->textEdit->setReadOnly(true);
    ui->textEdit->document()->setMaximumBlockCount(MessageLines);
    // The message display scrolls under a dragging finger: its scroll bar is too thin to hit.
    new DragScroll(ui->textEdit);

    QPushButton *const wheel1[WheelPositions] = {
        ui->butFW1p1, ui->butFW1p2, ui->butFW1p3, ui->butFW1p4, ui->butFW1p5,
        ui->butFW1p6, ui->butFW1p7, ui->butFW1p8, ui->butFW1p9, ui->butFW1p10};
    QPushButton *const wheel2[WheelPositions] = {
        ui->butFW2p1, ui->butFW2p2, ui->butFW2p3, ui->butFW2p4, ui->butFW2p5,
        ui->butFW2p6, ui->butFW2p7, ui->butFW2p8, ui->butFW2p9, ui->butFW2p10};
    for (int k = 0; k < WheelPositions; ++k) {
        wheelButtons[0][k] = wheel1[k];
        wheelButtons[1][k] = wheel2[k];
    }
    wheelHomeButtons[0] = ui->butFW1home;
    wheelHomeButtons[1] = ui->butFW2home;
    QPushButton *const shutters[Ptx::WheelCount][Ptx::ShutterCount] = {
        {ui->butFW1sh1, ui->butFW1sh2, ui->butFW1sh3},
        {ui->butFW2sh1, ui->butFW2sh2, ui->butFW2sh3}};
    for (int w = 0; w < Ptx::WheelCount; ++w)
        for (int s = 0; s < Ptx::ShutterCount; ++s)
            shutterButtons[w][s] = shutters[w][s];

    ipAddr = QString::fromLatin1(DefaultControllerAddress);
    stepsPerMMxy = Ptx::DefaultStepsPerMMxy;
    stepsPerMMz = 1000.0;
    zpos = ypos = xpos = 0.0;
    relz = rely = relx = 0.0;
    modeRelative = false;

    // The interface has no parent: it lives until the window shuts it down.
    KEL = kel ? kel : new KelInterface(ipAddr, this);
    RcpEdit = new KelScriptEdit(this);

    connect(KEL, &QThread::finished, KEL, &QObject::deleteLater);
    connect(KEL, &KelInterface::xPosChanged, this, &MainWindow::updateXDisp);
    connect(KEL, &KelInterface::yPosChanged, this, &MainWindow::updateYDisp);
    connect(KEL, &KelInterface::zPosChanged, this, &MainWindow::updateZDisp);
    connect(KEL, &KelInterface::modulesPresentChanged, this, &MainWindow::updateVis);
    connect(KEL, &KelInterface::busyChanged, this, &MainWindow::updateBusy);
    connect(KEL, &KelInterface::connectChanged, this, &MainWindow::updateConnect);
    connect(KEL, &KelInterface::posModeChanged, this, &MainWindow::updatePosMode);
    connect(KEL, &KelInterface::clrDisp, this, &MainWindow::clrDisplay);
    connect(KEL, &KelInterface::addDispLine, this, &MainWindow::addDisplayLine);
    connect(KEL, &KelInterface::updateFileName, this, &MainWindow::updateFileName);
    connect(KEL, &KelInterface::updateRecipeSts, this, &MainWindow::updateRecipe);
    connect(KEL, &KelInterface::fw1PosChanged, this, &MainWindow::updatefw1Disp);
    connect(KEL, &KelInterface::fw2PosChanged, this, &MainWindow::updatefw2Disp);
    connect(KEL, &KelInterface::fwShutChanged, this, &MainWindow::updateShutDisplay);
    // The editor follows the live position, wheels and shutters while it is open.
    connect(this, &MainWindow::posChanged, RcpEdit, &KelScriptEdit::updatePos);
    connect(KEL, &KelInterface::fw1PosChanged, RcpEdit, &KelScriptEdit::updateFwPos1);
    connect(KEL, &KelInterface::fw2PosChanged, RcpEdit, &KelScriptEdit::updateFwPos2);
    connect(KEL, &KelInterface::fwShutChanged, RcpEdit, &KelScriptEdit::updateShPos);
    connect(ui->actionConfigure, &QAction::triggered, this, &MainWindow::configure);
    connect(KEL, &KelInterface::connectChanged, this, &MainWindow::autoStartWhenReady);
    // The Run page shows the run; the progress line and the run START AT asks for are this
    // screen's.
    connect(ui->tabRun, &RunPage::progressChanged, ui->runProgress, &QLabel::setText);
    connect(ui->tabRun, &RunPage::startRequested, this, &MainWindow::startRun);
    connect(ui->tabRun, &RunPage::displayLine, this, &MainWindow::addDisplayLine);
    ui->tabRun->connectInterface(KEL, ui->tabWidget);

    // A held jog button steps only as fast as its steps go out; see JogRepeat.
    const struct {
        QPushButton *button;
        char axis;
        bool positive;
    } jogButtons[JogCount] = {
        {ui->butUp, 'Y', true},    {ui->butDown, 'Y', false}, {ui->butRight, 'X', true},
        {ui->butLeft, 'X', false}, {ui->butUpZ, 'Z', true},   {ui->butDownZ, 'Z', false}};
    for (const auto &jog : jogButtons) {
        jogs[&jog - jogButtons] = new JogRepeat(jog.button, KEL, [kel = KEL, jog] {
            int index = Ptx::NotQueued;
            if (jog.axis == 'X')
                kel->incX(jog.positive, &index);
            else if (jog.axis == 'Y')
                kel->incY(jog.positive, &index);
            else
                kel->incZ(jog.positive, &index);
            return index;
        });
    }

    KEL->start();
    // Every dialog's HALT key does what the main screen's HALT does.
    HaltKey::setAction(this, [this] { on_butHalt_clicked(); });
    Ptx::setFileErrorReporter(Ptx::showFileErrorBox);

    otherOn(false);
    updateRecipe();

    ui->mainToolBar->hide();
    ui->statusBar->hide();
    ui->lcdNumberX->display(QString::fromLatin1(ZeroPositionText));
    ui->lcdNumberY->display(QString::fromLatin1(ZeroPositionText));
    ui->lcdNumberZ->display(QString::fromLatin1(ZeroPositionText));
    ui->menuBar->hide();

    ui->tabWidget->setCurrentIndex(ConfigurationPage);
    ui->contRunMacro->setChecked(false);

    KEL->setContMacro(false);
    RcpEdit->hide();

    clrDisplay();
    addDisplayLine(QString::fromLatin1(Ptx::VersionText));
    if (!KEL->configNotice().isEmpty())
        addDisplayLine(KEL->configNotice());
    // The name shown is the one SAVE will use.
    updateFileName(KEL->getFileName());
    prepareAutoStart(Ptx::markPanelRunning());
}

MainWindow::~MainWindow()
{
    shutDownInterface();
    delete ui;
}

// Closes the link, stops the interface's thread and deletes the interface before the
// window goes, so that nothing of it outlives the event loop.
void MainWindow::shutDownInterface()
{
    if (!KEL)
        return;
    KEL->disconnect(this);
    KEL->disconnect(ui->tabRun);
    KEL->closeConnection();
    KEL->quit();
    KEL->wait();
    // Deleting the object also drops the deferred delete that its finished() queued.
    delete KEL;
    KEL = nullptr;
}

void MainWindow::on_pushButton_clicked()
{
    // The attempt runs in the background; the button waits at "Connecting" meanwhile.
    if (!KEL->isConnected()) {
        if (KEL->openConnection())
            updateConnect(KelInterface::Connecting);
    } else {
        KEL->closeConnection();
    }
}

long MainWindow::toEncoderX(double val)
{
    if (modeRelative)
        val += relx;
    return encoderSteps(val, stepsPerMMxy);
}

long MainWindow::toEncoderY(double val)
{
    if (modeRelative)
        val += rely;
    return encoderSteps(val, stepsPerMMxy);
}

long MainWindow::toEncoderZ(double val)
{
    if (modeRelative)
        val += relz;
    return encoderSteps(val, stepsPerMMz);
}
