// RunPage: the main screen's Run page: the picture of the compiled run list, a compile
// without running with the lines it skipped, START AT, and how far a run has got.
#pragma once

#include <QWidget>

class KelInterface;
class QPushButton;
class QTabWidget;
class QTimer;

namespace Ui {
class RunPage;
}

class RunPage : public QWidget
{
    Q_OBJECT

public:
    explicit RunPage(QWidget *parent = nullptr);
    ~RunPage() override;

    // Wires the page to the interface whose run it shows and to the tabs that show the page.
    void connectInterface(KelInterface *kel, QTabWidget *tabs);
    // The main screen enables START AT with its other run commands.
    QPushButton *startAtButton() const;

public slots:
    // A recipe loaded, edited or set at start is compiled at once, or when the run has ended.
    void compileNewRecipe();
    // The lines the last compile skipped, and the run list's size and time.
    void showCompileResult();
    void updateRunProgress();

signals:
    // The main screen's progress line.
    void progressChanged(const QString &text);
    // START AT chose an entry (from 1) to start the run at.
    void startRequested(int entry);
    // A line for the main screen's message display.
    void displayLine(const QString &line);

private slots:
    void on_butCompile_clicked();
    void on_butStartAt_clicked();

private:
    // The page's compile: the run list, its picture and problem lines, nothing else.
    void compileRecipe();
    bool isShown() const;

    Ui::RunPage *ui = nullptr;
    KelInterface *KEL = nullptr;
    QTabWidget *tabs = nullptr;
    // Refreshes the progress line and the page while a run goes on.
    QTimer *runTimer = nullptr;
    // A recipe loaded or edited during a run is compiled when the run has ended.
    bool compileAfterRun = false;
};
