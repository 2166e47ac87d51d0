// EDIT on the main screen: the editor takes a copy of the recipe, only OK hands it back, and
// either way the coordinates are absolute again. And a recipe taught in the editor on the
// simulated controller runs through exactly the positions, focus point, wheel move and
// exposure that were taught.
#include "dialogs/kelscriptedit.h"
#include "livepanel.h"
#include "modaldriver.h"
#include "panelfixture.h"
#include "support/diagcapture.h"

#include <QLabel>
#include <QtTest>

#include <optional>

namespace {

const QString ClearKeys = QStringLiteral("<<<<<<<<<<<<");
constexpr int RunMs = 20000;

// Taps a button whose command asks on the keypad, answering each keypad in turn ("!"
// cancels). False when a keypad was missing or unexpected.
bool tapWithKeypads(KelScriptEdit &editor, const QString &button, const QStringList &answers)
{
    ModalDriver keypads;
    for (const QString &a : answers)
        keypads.keypad(a == QLatin1String("!") ? QString() : ClearKeys + a, a != QLatin1String("!"));
    findWidget(editor, button)->click();
    return keypads.remaining() == 0 && keypads.errors().isEmpty();
}

// Brings the stage and focus to x, y, z with GO XYZ ("!" leaves an axis alone) and waits
// until the live position has arrived in the editor.
bool goTo(KelScriptEdit &editor, const QStringList &xyz)
{
    if (!tapWithKeypads(editor, QStringLiteral("butGoXYZ"), xyz))
        return false;
    return waitUntil([&] {
        for (int i = 0; i < 3; ++i) {
            const auto *shown = findWidget<QLabel>(editor, QStringLiteral("xpos ypos zpos").split(' ')[i]);
            if (xyz[i] != QLatin1String("!") && shown->text() != xyz[i] + QLatin1Char('.'))
                return false;
        }
        return true;
    });
}

// Teaches a point, a line, a focus point, a wheel move and an exposure as an operator
// would. "x,y,z" goes there with GO XYZ, "button=k" taps a button and types k on the
// keypad it opens, any other word taps that button.
bool teach(KelScriptEdit &e)
{
    const QString script =
        QStringLiteral("butPoint 5,3,! butTchStore butLine 0,0,! butTchStore 2,0,! butTchStore=1 "
                       "butZPoint !,!,25 butTchStore butDefF1Move butTechNext butTechNext "
                       "butTchStore butExpTime butTchStore ")
        + QStringLiteral("butTchPrev ").repeated(9)
        + QStringLiteral("butTchStore butDefExpose butTchStore");
    for (const QString &word : script.split(QLatin1Char(' '))) {
        if (word.contains(QLatin1Char(','))) {
            if (!goTo(e, word.split(QLatin1Char(','))))
                return false;
        } else if (word.contains(QLatin1Char('='))) {
            if (!tapWithKeypads(e, word.section(QLatin1Char('='), 0, 0), {word.section(QLatin1Char('='), 1)}))
                return false;
        } else {
            findWidget(e, word)->click();
        }
    }
    return true;
}

// The absolute moves the controller received, as "X=..", "Y=..", "Z=.." in steps; wheel
// moves as "W1=..", shutter commands as "SH=..".
QStringList visited(const PtxSim::Simulator &sim)
{
    QStringList out;
    for (const PtxSim::Packet &p : sim.received()) {
        if (p.cmd == Ptx::CmdMove && p.index == Ptx::IdxAbsolute && p.dev <= Ptx::DevZ)
            out << QStringLiteral("%1=%2").arg(QLatin1Char("?XYZ"[p.dev])).arg(p.value());
        else if (p.cmd == Ptx::CmdMove && p.dev == Ptx::DevWheel1)
            out << QStringLiteral("W1=%1").arg(p.value());
        else if (p.cmd == Ptx::CmdWrite && p.index == Ptx::IdxShutter)
            out << QStringLiteral("SH=%1").arg(p.value());
    }
    return out;
}

} // namespace

class TestEditorRun : public QObject, private PanelFixture
{
    Q_OBJECT

    std::optional<DiagCapture> quiet;   // a run writes a diagnostic line per state change

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(dir.path()));
        quiet.emplace();
    }

    void cleanup() { window.reset(); }

    void editTakesLinesBackOnlyOnOk_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("OK") << true << QStringList{"DEFREP 1,1", "ENDREP", "POINT 1,2"};
        QTest::newRow("Cancel") << false << QStringList{"DEFREP 1,1", "POINT 1,2"};
    }

    void editTakesLinesBackOnlyOnOk()
    {
        QFETCH(bool, ok);
        QFETCH(QStringList, after);
        openWindow();
        kel->connected = true;
        emit kel->connectChanged(2);
        kel->setRecipe({QStringLiteral("DEFREP 1,1"), QStringLiteral("POINT 1,2")});
        ModalDriver driver;
        driver.on<KelScriptEdit>([this, ok](KelScriptEdit &e) {
            QCOMPARE(e.getRecipe(), kel->getRecipe());
            findWidget(e, QStringLiteral("butNext"))->click();   // taught in the block's frame
            QVERIFY(kel->isRel());
            findWidget(e, QStringLiteral("butEndRep"))->click();
            findWidget(e, QStringLiteral("butHalt"))->click();   // its own HALT key halts
            auto *box = findWidget<QDialogButtonBox>(e, QStringLiteral("buttonBox"));
            box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        w("butEdit")->click();
        QCOMPARE(kel->getRecipe(), after);
        QVERIFY(kel->isAbs());   // OK and Cancel both leave absolute coordinates
        QCOMPARE(kel->queued(), QStringList{QStringLiteral("0,66,0,0")});
        QVERIFY(!window->findChild<KelScriptEdit *>()->isVisible());
        QVERIFY(driver.errors().isEmpty());
        QCOMPARE(driver.remaining(), 0);
    }

    void taughtRecipeRuns()
    {
        LivePanel p;
        QVERIFY(p.listening);
        QVERIFY(p.connectPanel());

        bool taught = false;
        QTimer::singleShot(0, this, [&] {
            auto *editor = qobject_cast<KelScriptEdit *>(QApplication::activeModalWidget());
            if (!editor)
                return;
            taught = teach(*editor);
            findWidget<QDialogButtonBox>(*editor, QStringLiteral("buttonBox"))
                ->button(taught ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        p.b("butEdit")->click();
        QVERIFY(taught);
        QCOMPARE(p.window->kelInterface()->getRecipe(),
                 (QStringList{"POINT 5,3", "LINE 0,0,2,0,1", "ZPOINT 25", "F1MOVE 3", "EXPTIM 1,50",
                              "SHEXP 1", "{END}"}));

        p.sim.resetCounters();
        p.b("butStart")->click();
        QVERIFY(waitUntil([&] { return p.messages().contains(QStringLiteral("Load Sample")); }));
        p.b("butPause")->click();
        QVERIFY(waitUntil([&] { return p.messages().contains(QStringLiteral("RECIPE DONE!")); }, RunMs));
        // Exposure time 50 ms for shutter 1, then shutter 1 told to expose.
        QCOMPARE(visited(p.sim),
                 (QStringList{"X=50000", "Y=30000", "X=0", "Y=0", "X=10000", "Y=0", "X=20000", "Y=0",
                              "Z=250", "W1=3", "SH=6553650", "SH=6553602"}));
    }
};

QTEST_MAIN(TestEditorRun)
#include "tst_editorrun.moc"
