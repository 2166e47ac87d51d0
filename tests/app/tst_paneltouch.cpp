// The main screen under a finger: page tabs wide enough to hit, every page's buttons inside
// their page, and a message display that scrolls when dragged.
#include "app/mainwindow.h"

#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {
// The narrowest a target that is pressed often may be, in pixels of the panel's screen.
constexpr int FingerWidth = 44;
constexpr int TabFontPoints = 12;
constexpr int MessageLines = 300;
constexpr int DragStartY = 20;
constexpr int DragStepY = 10;
constexpr int DragSteps = 15;
} // namespace

class TestPanelTouch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;

    // The message display of a shown window, filled past its height.
    QTextEdit *filledDisplay()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        for (int i = 0; i < MessageLines; ++i)
            window->addDisplayLine(QStringLiteral("line %1").arg(i));
        return window->findChild<QTextEdit *>(QStringLiteral("textEdit"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    void cleanup() { window.reset(); }

    void tabsAreFingerSized()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        // The tabs stand on the right-hand edge: their width is what a finger has to hit.
        for (int i = 0; i < tabs->count(); ++i)
            QVERIFY2(tabs->tabBar()->tabRect(i).width() >= FingerWidth,
                     qPrintable(tabs->tabText(i)));
        QCOMPARE(tabs->tabBar()->font().pointSize(), TabFontPoints);
        // Wider tabs leave every page room for all of its buttons, and the pages keep the
        // tab widget's font (group titles, the check box).
        for (int i = 0; i < tabs->count(); ++i) {
            QWidget *page = tabs->widget(i);
            for (QWidget *child : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                QVERIFY2(page->rect().contains(child->geometry()),
                         qPrintable(child->objectName()));
        }
        for (const char *name : {"groupBox", "groupBox_2", "contRunMacro"})
            QCOMPARE(window.findChild<QWidget *>(QString::fromLatin1(name))->font().pointSize(),
                     TabFontPoints);
    }

    void messageDisplayScrollsUnderFinger()
    {
        QTextEdit *display = filledDisplay();
        QVERIFY(display);
        const int bottom = display->verticalScrollBar()->value();
        QVERIFY(bottom > 0);

        // Dragging downward pulls earlier lines into view.
        QWidget *viewport = display->viewport();
        const int x = viewport->width() / 2;
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(x, DragStartY));
        for (int step = 1; step <= DragSteps; ++step)
            QTest::mouseMove(viewport, QPoint(x, DragStartY + step * DragStepY));
        // The lines follow the finger, pixel for pixel.
        QCOMPARE(display->verticalScrollBar()->value(), bottom - DragSteps * DragStepY);
        QTest::mouseRelease(viewport, Qt::LeftButton, {},
                            QPoint(x, DragStartY + DragSteps * DragStepY));
        // Without a finger down, the mouse passing over scrolls nothing.
        const int released = display->verticalScrollBar()->value();
        QTest::mouseMove(viewport, QPoint(x, DragStartY));
        QCOMPARE(display->verticalScrollBar()->value(), released);
    }

    // A new line brings the display to the end only when it was showing the end: an operator
    // reading back through a run is not pulled away at every line.
    void messageDisplayFollowsOnlyFromTheEnd()
    {
        QTextEdit *display = filledDisplay();
        QVERIFY(display);
        QScrollBar *bar = display->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        const int end = bar->maximum();
        window->addDisplayLine(QStringLiteral("at the end"));
        QVERIFY(bar->maximum() > end);
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(0);
        window->addDisplayLine(QStringLiteral("read back"));
        QCOMPARE(bar->value(), 0);
    }
};

QTEST_MAIN(TestPanelTouch)
#include "tst_paneltouch.moc"
