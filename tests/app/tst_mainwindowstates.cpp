// Main screen display: connection states, module presence, control enabling during a run,
// positions, wheels, shutters, modes and the message display under a finger.
#include "app/mainwindow.h"
#include "panelfixture.h"

#include <QLCDNumber>
#include <QLabel>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

namespace {

constexpr int StagePage = 0;
constexpr int FilterPage = 1;
constexpr int ConfigPage = 2;
// The narrowest a target that is pressed often may be, in pixels of the panel's screen.
constexpr int FingerWidth = 44;

// Controls that follow the connection, by the letter the tables use for them: configuration,
// focus, operating (stage page and run), both wheels with the shutters.
const std::pair<char, const char *> Groups[] = {
    {'C', "^butConfig(ure|Ptx4)$"},
    {'F', "^but(UpZ|DownZ|GotoZ|GoPt1_2|StorePt1_2)$"},
    {'O', "^but(Abs|Rel|Skew|Up|Down|Left|Right|Home|Goto|Speed|Edit|Load|Save|Start|StartAt|GoAlnPt[12]|StoreAlnPt[12]|GoPt1|"
          "StorePt1|Init)$"},
    {'W', "^butFW[12](home|sh[1-3]|p[1-9]|p10)$"}};

} // namespace

class TestMainWindowStates : public QObject, private PanelFixture
{
    Q_OBJECT

    QTabWidget *tabs() const { return w<QTabWidget>(QStringLiteral("tabWidget")); }
    QTextEdit *display() const { return w<QTextEdit>(QStringLiteral("textEdit")); }

    // The letters of the groups whose controls are all on, "?" for a group partly on. A
    // control's own state counts: a disabled tab page also disables its children.
    QString groupsOn() const
    {
        QString on;
        for (const auto &[group, pattern] : Groups) {
            const auto buttons = window->centralWidget()->findChildren<QPushButton *>(QRegularExpression(QLatin1String(pattern)));
            const auto enabled = std::count_if(buttons.begin(), buttons.end(),
                                               [](QPushButton *b) { return b->isEnabledTo(b->parentWidget()); });
            on += enabled == buttons.size() ? QString(QLatin1Char(group)) : QLatin1String(enabled ? "?" : "");
        }
        return on;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid() && QDir::setCurrent(dir.path())); }
    void init() { openWindow(); }
    void cleanup() { panel.reset(); }

    // How far the connection got ("connecting" may be followed by values the interface
    // reports), on a controller with the given modules.
    void connectionStates_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QList<int>>("modules");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("buttonText");
        QTest::addColumn<QString>("on");    // groups of controls enabled
        QTest::addColumn<QString>("shown"); // position displays shown, and Stage and FilterWheel tabs enabled

        const QList<int> all{1, 2, 3, 17, 27};
        QTest::newRow("start-up") << "" << all << ConfigPage << "Connect" << "C" << "XYZ SF";
        QTest::newRow("connecting, unknown values change nothing") << "connecting 7 -1" << all << ConfigPage << "Connecting" << "" << "XYZ SF";
        QTest::newRow("link lost during start-up allows reconnecting") << "lost" << all << ConfigPage << "CONNECT" << "C" << "XYZ SF";
        QTest::newRow("ready, all modules") << "ready" << all << StagePage << "DISCONNECT" << "FOW" << "XYZ SF";
        QTest::newRow("ready, only module 17") << "ready" << QList<int>{17} << FilterPage << "DISCONNECT" << "OW" << " F";
        QTest::newRow("ready, no module") << "ready" << QList<int>{} << StagePage << "DISCONNECT" << "O" << " ";
        QTest::newRow("ready, stage without focus") << "ready" << QList<int>{1, 2} << StagePage << "DISCONNECT" << "O" << "XY S";
        QTest::newRow("ready, focus and wheel 2: no wheel page") << "ready" << QList<int>{3, 27} << StagePage << "DISCONNECT" << "FO" << "Z S";
    }

    void connectionStates()
    {
        QFETCH(QString, how);
        QFETCH(QList<int>, modules);
        QFETCH(QString, buttonText);
        PtxSim::Options options;
        options.modules = modules;
        openWindow(options);
        if (!how.isEmpty()) {
            tabs()->setCurrentIndex(StagePage);
            QVERIFY(how == QLatin1String("ready") ? connectPanel() : (w(QStringLiteral("pushButton"))->click(), waitUntil([this] {
                return kel->receiveState() == KelInterface::ReceiveState::RxHunt;
            })));
        }
        if (how == QLatin1String("lost"))
            QVERIFY((panel->sim.dropClient(), waitUntil([this] { return panel->text("pushButton", "CONNECT"); })));
        for (const QString &value : how.split(QLatin1Char(' ')).mid(1))
            emit kel->connectChanged(value.toInt());

        QTEST(tabs()->currentIndex(), "page");
        QCOMPARE(w(QStringLiteral("pushButton"))->text(), buttonText);
        QCOMPARE(w(QStringLiteral("pushButton"))->isEnabled(), buttonText != QLatin1String("Connecting"));
        QTEST(groupsOn(), "on");
        QString shown;
        for (QChar axis : QStringLiteral("XYZ")) {
            const bool label = !w<QLabel>(QStringLiteral("label") + axis)->isHidden();
            QCOMPARE(w<QLCDNumber>(QStringLiteral("lcdNumber") + axis)->isHidden(), !label);
            shown += label ? QString(axis) : QString();
        }
        shown += QLatin1Char(' ') + QStringLiteral("S").repeated(tabs()->isTabEnabled(StagePage))
                 + QStringLiteral("F").repeated(tabs()->isTabEnabled(FilterPage));
        QTEST(shown, "shown");
        // Never touched by the connection.
        QVERIFY(w(QStringLiteral("butHalt"))->isEnabled() && w(QStringLiteral("butExit"))->isEnabled());
    }

    // How far the run got with its own controls: START, the load prompt, RESUME and the dwell
    // at the first point, PAUSE there, the link dropped.
    void recipeControls_data()
    {
        QTest::addColumn<int>("reached");
        QTest::addColumn<QString>("on");
        const char *halted = "FW1p1 GotoZ NextStep Pause PrevStep Start Stop Up";
        QTest::newRow("stopped") << 0 << "FW1p1 GotoZ Start Up";
        QTest::newRow("started") << 1 << "Pause Stop";
        QTest::newRow("at the load prompt") << 2 << halted;
        QTest::newRow("in a delay") << 3 << halted;
        QTest::newRow("paused") << 4 << halted;
        QTest::newRow("paused, link gone") << 5 << "";
    }

    void recipeControls()
    {
        QFETCH(int, reached);
        QVERIFY(connectPanel());
        kel->setRecipe({QStringLiteral("DELAY 100000"), QStringLiteral("POINT 1,0")});
        const std::function<bool()> steps[] = {
            [this] { return w(QStringLiteral("butStart"))->click(), true; },
            [this] { return panel->stepUntil([this] { return kel->isRecipePaused(); }); },
            [this] { return w(QStringLiteral("butPause"))->click(), panel->stepUntil([this] { return kel->isRecipeDelay() && panel->sim.axisPosition(Ptx::DevX) == StepsPerMM; }); },
            [this] { return w(QStringLiteral("butPause"))->click(), true; },
            [this] { return panel->sim.dropClient(), waitUntil([this] { return !kel->isConnected(); }); }};
        for (int i = 0; i < reached; ++i)
            QVERIFY(steps[i]());
        QStringList enabled;
        for (const char *name : {"FW1p1", "GotoZ", "Halt", "NextStep", "Pause", "PrevStep", "Start", "Stop", "Up"})
            if (w(QStringLiteral("but") + QLatin1String(name))->isEnabled())
                enabled << QLatin1String(name);
        QVERIFY2(enabled.removeOne(QStringLiteral("Halt")), "HALT is always on");
        QTEST(enabled.join(QLatin1Char(' ')), "on");
        QCOMPARE(w(QStringLiteral("butPause"))->text(), QLatin1String(kel->isRecipePaused() ? "Resume" : "Pause"));
    }

    // The mode buttons and the mode the interface reports: relative in skew checks both, a
    // value outside the modes changes nothing. A disabled button still shows whether it is
    // checked (modes, wheels, shutters during a run).
    void modes()
    {
        QVERIFY(connectPanel());
        // A button tapped, or a mode value reported.
        const std::pair<QString, const char *> steps[] = {{"butRel", "R"}, {"butRel", "A"}, {"butRel", "R"}, {"butSkew", "S"},
                                                          {"butAbs", "A"}, {"3", "RS"}, {"4", "RS"}, {"-1", "RS"}};
        for (const auto &[step, checked] : steps) {
            if (step.startsWith(QLatin1String("but")))
                w(step)->click();
            else
                emit kel->posModeChanged(step.toInt());
            QString shown;
            for (const char *m : {"Abs", "Rel", "Skew"})
                shown += w(QStringLiteral("but") + QLatin1String(m))->isChecked() ? QString(QLatin1Char(m[0])) : QString();
            QCOMPARE(shown, QLatin1String(checked));
        }
        for (const char *name : {"butAbs", "butFW1p3", "butFW2sh1"}) {
            QPushButton *b = w(QLatin1String(name));
            b->setEnabled(false);
            const auto fill = [b](bool checked) {
                b->setChecked(checked);
                return b->grab().toImage().pixelColor(b->width() / 2, b->height() / 5);
            };
            QVERIFY2(fill(true) != fill(false), name);
        }
    }

    // A wheel's size as the controller gives it at the start-up (0: the wheel is not fitted),
    // then a position and the three shutters' states as the interface reports them.
    void wheelsAndShutters_data()
    {
        QTest::addColumn<int>("wheel");
        QTest::addColumn<long>("numPos");
        QTest::addColumn<long>("position");
        QTest::addColumn<QString>("shown"); // '+' checked, '-' shown, '.' hidden
        QTest::addColumn<QList<long>>("shutters");
        QTest::addColumn<QString>("open");
        QTest::newRow("ten positions, at 10") << 2 << 10L << 10L << "---------+" << QList<long>{1, 2, 0} << "++-";
        QTest::newRow("home value checks nothing") << 2 << 8L << 72L << "--------.." << QList<long>{-1, 0, 5} << "--+";
        QTest::newRow("size unknown keeps four") << 2 << 0L << 4L << "---+......" << QList<long>{0, 1, 0} << "-+-";
        QTest::newRow("oversized wheel shows ten") << 1 << 12L << 5L << "----+-----" << QList<long>{1, 0, 1} << "+-+";
        QTest::newRow("hidden button still follows") << 1 << 5L << 7L << "-----.+..." << QList<long>{0, 0, 0} << "---";
    }

    void wheelsAndShutters()
    {
        QFETCH(int, wheel);
        QFETCH(long, numPos);
        QFETCH(long, position);
        QFETCH(QList<long>, shutters);
        QFETCH(QString, open);
        PtxSim::Options options = everyModule();
        options.wheel1Positions = options.wheel2Positions = 4;
        if (numPos == 0)
            options.modules.removeOne(Ptx::DevWheel2);
        else
            (wheel == 1 ? options.wheel1Positions : options.wheel2Positions) = int(numPos);
        openWindow(options);
        QVERIFY(connectPanel());
        emit (kel->*(wheel == 1 ? &KelInterface::fw1PosChanged : &KelInterface::fw2PosChanged))(position);
        // Both shutter groups start the other way, so every button has to change.
        for (int g = 1; g <= 2; ++g)
            for (int s = 1; s <= 3; ++s)
                w(QStringLiteral("butFW%1sh%2").arg(g).arg(s))->setChecked(open[s - 1] == '-');
        emit kel->fwShutChanged(shutters[0], shutters[1], shutters[2]);
        QString shown[2];
        for (int g = 1; g <= 2; ++g) {
            for (int k = 1; k <= 10; ++k) {
                QPushButton *b = w(QStringLiteral("butFW%1p%2").arg(g).arg(k));
                shown[g - 1] += QLatin1Char(b->isChecked() ? '+' : b->isHidden() ? '.' : '-');
            }
            for (int s = 1; s <= 3; ++s)
                QCOMPARE(w(QStringLiteral("butFW%1sh%2").arg(g).arg(s))->isChecked(), open[s - 1] == '+');
        }
        QTEST(shown[wheel - 1], "shown");
        // The other wheel (four positions, on 1 since the start-up) keeps its buttons.
        QCOMPARE(shown[2 - wheel], QStringLiteral("+---......"));
    }

    void messageDisplay()
    {
        QCOMPARE(w<QLabel>(QStringLiteral("curRcpName"))->text(), kel->getFileName());
        QTextDocument *doc = display()->document();
        emit kel->clrDisp();
        QVERIFY(doc->isEmpty());
        // Plain text, empty lines kept.
        emit kel->addDispLine(QStringLiteral("<b>Connected!</b>"));
        emit kel->addDispLine(QString());
        QCOMPARE(doc->toPlainText(), QStringLiteral("<b>Connected!</b>\n"));
        // Only the most recent 2000 lines stay.
        for (int i = 0; i < 2100; ++i)
            emit kel->addDispLine(QStringLiteral("line %1").arg(i));
        QCOMPARE(doc->blockCount(), 2000);
        QCOMPARE(doc->firstBlock().text(), QStringLiteral("line 100"));
        QCOMPARE(doc->lastBlock().text(), QStringLiteral("line 2099"));
    }

    // The page tabs are wide enough for a finger and leave every page room for its buttons;
    // the display scrolls under a dragging finger and follows new lines only from its end.
    void underAFinger()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        for (int i = 0; i < tabs()->count(); ++i) {
            QVERIFY2(tabs()->tabBar()->tabRect(i).width() >= FingerWidth, qPrintable(tabs()->tabText(i)));
            for (QWidget *child : tabs()->widget(i)->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                QVERIFY2(tabs()->widget(i)->rect().contains(child->geometry()), qPrintable(child->objectName()));
        }

        for (int i = 0; i < 300; ++i)
            window->addDisplayLine(QStringLiteral("line %1").arg(i));
        QScrollBar *bar = display()->verticalScrollBar();
        const int bottom = bar->value();
        QVERIFY(bottom > 0 && bottom == bar->maximum());
        // Dragging down pulls earlier lines into view, pixel for pixel.
        QWidget *viewport = display()->viewport();
        const int x = viewport->width() / 2;
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(x, 20));
        for (int y = 30; y <= 170; y += 10)
            QTest::mouseMove(viewport, QPoint(x, y));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(x, 170));
        QCOMPARE(bar->value(), bottom - 150);
        // Without a finger down, the mouse passing over scrolls nothing; scrolled back, a
        // new line leaves the display where it is; at the end, it follows.
        QTest::mouseMove(viewport, QPoint(x, 20));
        window->addDisplayLine(QStringLiteral("read back"));
        QCOMPARE(bar->value(), bottom - 150);
        bar->setValue(bar->maximum());
        window->addDisplayLine(QStringLiteral("at the end"));
        QVERIFY(bar->maximum() > bottom);
        QCOMPARE(bar->value(), bar->maximum());
    }
    // Each button takes its colour from its role in the panel's style sheet; a locked button
    // is grey, a locked choice keeps a dull red.
    void buttonColours_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("halt") << "butHalt" << true << false << QColor(255, 0, 0);
        QTest::newRow("recipe file") << "butLoad" << true << false << QColor(255, 255, 127);
        QTest::newRow("mode") << "butAbs" << true << false << QColor(170, 255, 0);
        QTest::newRow("chosen mode") << "butAbs" << true << true << QColor(255, 0, 0);
        QTest::newRow("connect") << "pushButton" << true << false << QColor(0, 255, 0);
        QTest::newRow("stop") << "butStop" << true << false << QColor(255, 170, 0);
        QTest::newRow("command") << "butGoto" << true << false << QColor(170, 255, 255);
        QTest::newRow("filter") << "butFW1p3" << true << false << QColor(241, 239, 226);
        QTest::newRow("locked command") << "butGoto" << false << false << QColor(224, 223, 227);
        QTest::newRow("locked chosen filter") << "butFW1p3" << false << true << QColor(200, 120, 120);
    }

    void buttonColours()
    {
        QFETCH(QString, button);
        QFETCH(bool, enabled);
        QFETCH(bool, checked);
        QFETCH(QColor, colour);
        auto *key = w<QPushButton>(button);
        key->setEnabled(enabled);
        key->setChecked(checked);
        // Left of the text, inside the rounded border.
        const QImage image = key->grab().toImage();
        QCOMPARE(image.pixelColor(6, image.height() / 2), colour);
    }
};

QTEST_MAIN(TestMainWindowStates)
#include "tst_mainwindowstates.moc"
