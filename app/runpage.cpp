// The main screen's Run page and progress line: the picture of the compiled run list, a
// compile without running with the lines it skipped, and how far a run has got.
#include "app/runpage.h"
#include "ui_runpage.h"

#include "controller/kelinterface.h"
#include "dialogs/numinputbox.h"
#include "recipe/runprogress.h"

#include <QTabWidget>
#include <QTimer>

namespace {

constexpr int RunRefreshMs = 500;

} // namespace

RunPage::RunPage(QWidget *parent)
    : QWidget(parent), ui(new Ui::RunPage), runTimer(new QTimer(this))
{
    ui->setupUi(this);
    runTimer->setInterval(RunRefreshMs);
}

RunPage::~RunPage()
{
    delete ui;
}

void RunPage::connectInterface(KelInterface *kel, QTabWidget *pageTabs)
{
    KEL = kel;
    tabs = pageTabs;
    connect(runTimer, &QTimer::timeout, this, &RunPage::updateRunProgress);
    connect(KEL, &KelInterface::updateRecipeSts, this, &RunPage::updateRunProgress);
    connect(tabs, &QTabWidget::currentChanged, this, &RunPage::updateRunProgress);
    // The cross-hair follows the stage while the page is shown.
    const auto followStage = [this] {
        if (isShown())
            ui->runPreview->refresh();
    };
    connect(KEL, &KelInterface::xPosChanged, this, followStage);
    connect(KEL, &KelInterface::yPosChanged, this, followStage);
    ui->runPreview->setInterface(KEL);
    updateRunProgress();
}

QPushButton *RunPage::startAtButton() const
{
    return ui->butStartAt;
}

bool RunPage::isShown() const
{
    return tabs->currentWidget() == this;
}

void RunPage::on_butCompile_clicked()
{
    compileRecipe();
}

// Compiles the recipe as START does but runs nothing and applies nothing of it: the
// alignment points, jog increments, coordinate mode and speeds stay as they are. While a
// run goes on, the page keeps showing the running list.
void RunPage::compileRecipe()
{
    KEL->compileRecipe();
    showCompileResult();
}

// A recipe that was loaded, edited or set at start is compiled at once, by Compile itself,
// so that the Run page shows its picture, size and time. The list of a run is never
// replaced while the run goes on: the compile then follows the run's end.
void RunPage::compileNewRecipe()
{
    compileAfterRun = KEL->isRecipeRunning();
    if (!compileAfterRun)
        compileRecipe();
}

// Starts the run at an entry the operator chooses; the keypad offers the entry after the last
// one completed by an interrupted run of this recipe.
void RunPage::on_butStartAt_clicked()
{
    NumInputBox box(window());
    box.centreOnScreen();
    box.SetPrompt(tr("Start at entry"));
    box.SetValue(KEL->proposedStartEntry());
    if (box.exec() != QDialog::Accepted)
        return;
    const int entry = box.getIntVal();
    if (entry < 1) {
        emit displayLine(tr("START AT %1 REFUSED: ENTRIES COUNT FROM 1").arg(box.getStrVal()));
        return;
    }
    emit startRequested(entry);
}

void RunPage::showCompileResult()
{
    const QStringList problems = KEL->compileProblems();
    ui->compileProblems->clear();
    ui->compileProblems->addItems(problems.isEmpty() ? QStringList{tr("EVERY LINE COMPILED")} : problems);
    updateRunProgress();
}

// The progress line shows the run wherever the operator is; the Run page also shows the
// run list's size and time before a run. Nothing is compiled while a run goes on.
void RunPage::updateRunProgress()
{
    const Ptx::RunProgress progress = KEL->runProgress();
    // Out of the tick that ended the run.
    if (compileAfterRun && !KEL->isRecipeRunning()) {
        compileAfterRun = false;
        QMetaObject::invokeMethod(this, &RunPage::compileNewRecipe, Qt::QueuedConnection);
    }
    emit progressChanged(Ptx::progressText(progress));
    ui->butCompile->setEnabled(!progress.running);
    if (progress.running && !runTimer->isActive())
        runTimer->start();
    else if (!progress.running)
        runTimer->stop();
    if (!isShown())
        return;
    const int entries = KEL->compiledPointCount();
    ui->runPageStatus->setText(progress.running
                                   ? Ptx::progressText(progress)
                                   : tr("%1  ABOUT %2")
                                         .arg(Ptx::entriesText(entries),
                                              Ptx::durationText(KEL->estimateRun().totalMs())));
    ui->runPreview->refresh();
}
