// EDIT on the main screen: the editor takes a copy of the recipe and only OK hands it back;
// and a recipe taught in the editor on the simulated controller runs through exactly the
// positions, focus point, wheel move and exposure that were taught.
#include "dialogs/kelscriptedit.h"
#include "livepanel.h"
#include "modaldriver.h"
#include "panelfixture.h"
#include "support/diagcapture.h"

#include <QLabel>
#include <QTabWidget>
#include <QtTest>

#include <optional>

namespace {

const QString ClearKeys = QStringLiteral("<<<<<<<<<<<<");
constexpr int RunMs = 20000;

// Taps a button whose command asks on the keypad, answering each keypad in turn ("!"
// cancels). False when a keypad was missing or unexpected.
bool tapWithKeypads(KelScriptEdit &editor, const char *button, const QStringList &answers)
{
    ModalDriver keypads;
    for (const QString &a : answers)
        keypads.keypad(a == QLatin1String("!") ? QString() : ClearKeys + a, a != QLatin1String("!"));
    findWidget(editor, QLatin1String(button))->click();
    return keypads.remaining() == 0 && keypads.errors().isEmpty();
}

void tap(KelScriptEdit &editor, const char *button)
{
    findWidget(editor, QLatin1String(button))->click();
}

QString label(const KelScriptEdit &editor, const char *name)
{
    return findWidget<QLabel>(editor, QLatin1String(name))->text();
}

// Brings the stage (and focus, when z is given) to a point with GO XYZ and waits until the
// live position has arrived in the editor.
bool goTo(KelScriptEdit &editor, const QString &x, const QString &y, const QString &z)
{
    if (!tapWithKeypads(editor, "butGoXYZ", {x, y, z}))
        return false;
    return waitUntil([&] {
        return (x == QLatin1String("!") || label(editor, "xpos") == x + QLatin1Char('.'))
            && (y == QLatin1String("!") || label(editor, "ypos") == y + QLatin1Char('.'))
            && (z == QLatin1String("!") || label(editor, "zpos") == z + QLatin1Char('.'));
    });
}

// Teaches a point, a line, a focus point, a wheel move and an exposure, the way an
// operator would: templates, GO XYZ, STORE, PREV and NEXT.
bool teach(KelScriptEdit &e)
{
    tap(e, "butPoint");
    if (!goTo(e, QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("!")))
        return false;
    tap(e, "butTchStore");
    tap(e, "butLine");
    if (!goTo(e, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("!")))
        return false;
    tap(e, "butTchStore");
    if (!goTo(e, QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("!")))
        return false;
    if (!tapWithKeypads(e, "butTchStore", {QStringLiteral("1")}))
        return false;
    tap(e, "butZPoint");
    if (!goTo(e, QStringLiteral("!"), QStringLiteral("!"), QStringLiteral("25")))
        return false;
    tap(e, "butTchStore");
    findWidget<QTabWidget>(e, QStringLiteral("tabWidget"))->setCurrentIndex(1);
    for (const char *b : {"butDefF1Move", "butTechNext", "butTechNext", "butTchStore",
                          "butExpTime", "butTchStore"})
        tap(e, b);
    for (int i = 0; i < 9; ++i)
        tap(e, "butTchPrev");
    for (const char *b : {"butTchStore", "butDefExpose", "butTchStore"})
        tap(e, b);
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
        QTest::newRow("OK") << true << QStringList{"ENDREP", "POINT 1,2"};
        QTest::newRow("Cancel") << false << QStringList{"POINT 1,2"};
    }

    void editTakesLinesBackOnlyOnOk()
    {
        QFETCH(bool, ok);
        QFETCH(QStringList, after);
        openWindow();
        kel->connected = true;
        emit kel->connectChanged(2);
        kel->setRecipe({QStringLiteral("POINT 1,2")});
        ModalDriver driver;
        driver.on<KelScriptEdit>([ok](KelScriptEdit &e) {
            QCOMPARE(e.getRecipe(), QStringList{QStringLiteral("POINT 1,2")});
            tap(e, "butEndRep");
            auto *box = findWidget<QDialogButtonBox>(e, QStringLiteral("buttonBox"));
            box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        w("butEdit")->click();
        QCOMPARE(kel->getRecipe(), after);
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
