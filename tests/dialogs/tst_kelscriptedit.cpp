// The recipe editor driven through its buttons and keypads, on a link to the simulated
// controller: the list operations and every wizard family, checked by the recipe they leave,
// the row made current, what the line and step boxes show and what the controller received.
#include "app/modaldriver.h"
#include "controller/simrig.h"
#include "dialogs/kelscriptedit.h"
#include "support/findwidget.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

// Enough ticks for every command a button queues to reach the controller.
constexpr int FlushTicks = 20;
const QChar Sep = QLatin1Char('|');

// What the controller received apart from the polling's reads, as "dev,cmd,index,value".
QStringList sentCommands(const PtxSim::Simulator &sim)
{
    QStringList out;
    for (const PtxSim::Packet &p : sim.received())
        if (p.cmd != Ptx::CmdRead && !p.isText())
            out << QStringLiteral("%1,%2,%3,%4").arg(p.dev).arg(p.cmd).arg(p.index).arg(p.value());
    return out;
}

} // namespace

class TestKelScriptEdit : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::optional<DiagCapture> quiet;
    std::optional<SimRig> rig;

    // "@x,y,z" live position; "#n" a tap on row n; "~n" row n made current without a tap;
    // "reopen" the recipe handed in again; a teach button; or any button by object name.
    static void act(KelScriptEdit &editor, const QString &token)
    {
        static const QHash<QString, QString> teach{{"GOTO", "butGoto"}, {"PREV", "butTchPrev"},
                                                   {"NEXT", "butTechNext"}, {"STORE", "butTchStore"},
                                                   {"ENTER", "butTchEnter"}};
        auto *list = findWidget<QListWidget>(editor, QStringLiteral("listWidget"));
        if (token.startsWith(QLatin1Char('@'))) {
            const QStringList v = token.mid(1).split(QLatin1Char(','));
            editor.updatePos(v[0].toDouble(), v[1].toDouble(), v[2].toDouble());
        } else if (token.startsWith(QLatin1Char('#')) || token.startsWith(QLatin1Char('~'))) {
            list->setCurrentRow(token.mid(1).toInt());
            if (token.startsWith(QLatin1Char('#')))
                QMetaObject::invokeMethod(list, "clicked", Q_ARG(QModelIndex, list->currentIndex()));
        } else if (token == QLatin1String("reopen")) {
            editor.setRecipe(editor.getRecipe());
        } else {
            findWidget(editor, teach.value(token, token))->click();
        }
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(dir.path());
        quiet.emplace();
        rig.emplace();
        QVERIFY(rig->startUp());
    }

    void teach_data()
    {
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("keys");     // keypad entries in order; "!" cancels
        QTest::addColumn<QString>("lines");    // the recipe afterwards
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("shown");    // the current line box
        QTest::addColumn<QString>("sent");

        auto add = [](const char *name, const char *recipe, const char *actions, const char *keys,
                      const char *lines, int current, const char *shown, const char *sent = "") {
            QTest::newRow(name) << recipe << actions << keys << lines << current << shown << sent;
        };

        // List operations; with no current row the teach buttons act on nothing.
        add("New Recipe drops the teach state", "POINT 1,1", "#0 butClrRecipe STORE", "", "DELAY 1000|INCR 1.0,1.0|SPEEDXY 10.0|{END}", 0, "");
        add("reopening drops the teach state", "POINT 1,1|{END}", "#0 @5,5,0 reopen STORE", "", "POINT 1,1|{END}", 0, "");
        add("another row made current drops the teach state", "POINT 1,1|{END}", "#0 ~1 @5,5,0 STORE", "", "POINT 1,1|{END}", 1, "");
        add("XY POINT goes before row 3", "A|B|C|D|{END}", "#4 butPrev butPoint", "", "A|B|C|POINT x,y|D|{END}", 3, "POINT 0,0");
        add("deleting the last row selects the new last", "DELAY 5|SHOPEN 2|{END}", "#2 butDel", "", "DELAY 5|SHOPEN 2", 1, "SHOPEN 2");
        add("with every line deleted a template goes to the top", "{END}", "butDel butDel butDelay", "", "DELAY 1000", 0, "DELAY 1000");
        add("Prev from past the end", "POINT 1,1", "#0 @2,3,0 STORE butPrev", "", "POINT 2,3", 0, "POINT 2,3");
        add("template buttons", "{END}", "#0 butLine butZPoint butDefF1Move butDefExpose butExpTime", "",
            "EXPTIM 1,500|SHEXP 1|F1MOVE 1|ZPOINT z|LINE sx,sy,ex,ey,step|{END}", 0, "EXPTIM 1,500");
        add("template past the end goes to the top", "POINT 1,1", "#0 STORE butEndRep", "", "ENDREP|POINT 0,0", 0, "ENDREP");

        // Points, in the frame of the lines above.
        add("POINT stored, the next line read", "DELAY 1000|POINT x,y|ZPOINT z", "#1 @12.5,-3,0 STORE", "",
            "DELAY 1000|POINT 12.5,-3|ZPOINT z", 2, "ZPOINT 0");
        add("POINT GOTO inside a repeat block", "DEFREP 10,20|POINT 1,2|ENDREP", "#1 GOTO", "", "DEFREP 10,20|POINT 1,2|ENDREP",
            1, "POINT 1,2", "1,65,0,110000|2,65,0,220000");
        add("POINT GOTO below the last ALIGN", "ALIGN 1,1,2,2|ALIGN 5,5,15,5|POINT 1,2", "#2 GOTO", "",
            "ALIGN 1,1,2,2|ALIGN 5,5,15,5|POINT 1,2", 2, "POINT 1,2", "1,65,0,60000|2,65,0,70000");
        add("repeat block taught unaligned after an aligned line", "DEFREP 10,20|POINT 1,2|ENDREP|ALIGN 5,5,15,5|POINT 0,0", "#4 #1 GOTO",
            "", "DEFREP 10,20|POINT 1,2|ENDREP|ALIGN 5,5,15,5|POINT 0,0", 1, "POINT 1,2", "1,65,0,110000|2,65,0,220000");
        add("ZPOINT stores the focus", "ZPOINT z|{END}", "#0 @1,2,250 STORE", "", "ZPOINT 250|{END}", 1, "{END}");
        add("POINTZ is taught as a focus point", "POINTZ 40", "#0 GOTO", "", "POINTZ 40", 0, "ZPOINT 40", "3,65,0,400");
        add("ALIGN from two points", "ALIGN x1,y1,x2,y2", "#0 @1,2,0 STORE @3,4,0 STORE", "", "ALIGN 1,2,3,4", -1, "");
        add("INCR from two points", "INCR 0.4,0.4|{END}", "#0 @1,1,0 STORE @1.5,2,0 STORE", "", "INCR 0.5,1|{END}", 1, "{END}");

        // Paths and patterns; only a path taught through its points moves to its end.
        add("ARC from three points and the step", "ARC sx,sy,p2x,p2y,p3x,p3y,step|{END}", "#0 @0,0,0 STORE @10,0,0 STORE @5,5,0 STORE",
            "<.5", "ARC 0,0,10,0,5,5,0.5|{END}", 1, "{END}", "1,65,0,100000|2,65,0,0");
        add("LINE NEXT NEXT asks the step", "LINE 1,2,3,4,0.1|{END}", "#0 NEXT NEXT", "<<<.2", "LINE 1,2,3,4,0.2|{END}",
            1, "{END}", "1,65,0,30000|2,65,0,40000");
        add("CIRCLE typed does not move", "CIRCLE 0,0,0,0,0,0,0", "#0 ENTER", "1|!|!|!|!|!|!", "CIRCLE 1,0,0,0,0,0,0", -1, "");
        add("COMB from three points", "COMB sy,sy,ix,iy,ex,ey", "#0 @0,0,0 STORE @1,1,0 STORE @5,5,0 STORE", "", "COMB 0,0,1,1,5,5", -1, "");

        // Wheels and shutters; values read from the line are brought into range first.
        add("SHOPEN GOTO opens the shutter", "SHOPEN 2", "#0 GOTO", "", "SHOPEN 2", 0, "SHOPEN 2", "17,83,258,6619137");
        add("SHEXP takes a typed 7 but sends nothing for it", "SHEXP 1", "#0 ENTER #0 GOTO", "<7", "SHEXP 7", 0, "SHEXP 7");
        add("F1MOVE NEXT from the widest value", "F1MOVE 2147483647", "#0 NEXT", "", "F1MOVE 2147483647", 0, "F1MOVE 10");
        add("EXPTIM PREV from the narrowest value", "EXPTIM 1,-2147483648", "#0 STORE PREV", "", "EXPTIM 1,-2147483648", 0, "EXPTIM 1,50");
        add("F1MOVE home stored as 0", "F1MOVE 1|{END}", "#0 PREV STORE", "", "F1MOVE 0|{END}", 1, "{END}");
        add("F2MOVE NEXT stops at the wheel size", "F2MOVE 9", "#0 NEXT NEXT GOTO", "", "F2MOVE 9", 0, "F2MOVE 10", "27,65,13,10");
        add("FMOVE wheel 2 home from 0, GOTO both wheels", "FMOVE 3,0", "#0 STORE PREV GOTO", "", "FMOVE 3,0", 0, "FMVOE 3,-1-HOME", "17,65,15,-65533");
        add("SCTRL odd codes become 3 first", "SCTRL 7,0,-1", "#0 PREV", "", "SCTRL 7,0,-1", 0, "SCTRL 2-EXP  ,0-CLOSE,3-NO   ");
        add("SCTRL from three STOREs, NEXT wrapping", "SCTRL 3,3,3", "#0 STORE NEXT STORE STORE", "", "SCTRL 3,0,3", -1, "");
        add("SCTRL GOTO sends the commanding codes", "SCTRL 0,3,2", "#0 GOTO", "", "SCTRL 0,3,2", 0, "SCTRL 0,3,2",
            "17,83,258,6553600|17,83,258,6684674");

        // Times and speeds.
        add("DELAY PREV from 500 stores its label", "DELAY 500|{END}", "#0 PREV STORE", "", "DELAY 0-INF|{END}", 1, "{END}");
        add("FDELAY stepped, then typed", "FDELAY 100|{END}", "#0 NEXT PREV ENTER", "<<<250", "FDELAY 250|{END}", 1, "{END}");
        add("EXPTIM stepped through both steps, then typed", "EXPTIM 1,500|{END}", "#0 NEXT STORE NEXT PREV ENTER", "<3|<<<75",
            "EXPTIM 3,75|{END}", 1, "{END}");
        add("SPEEDXY STORE asks the speed", "SPEEDXY 40000", "#0 STORE", "<<<<<12.3", "SPEEDXY 12.3", -1, "");
        add("SPEEDZ typed with a fraction is written whole", "SPEEDZ 40000", "#0 ENTER", "<<<<<2500.5", "SPEEDZ 2501", -1, "");

        // GO XYZ.
        add("GO XYZ: a cancelled axis stays", "{END}", "@1,2,3 butGoXYZ", "<5|!|!", "{END}", 0, "", "1,65,0,50000|2,65,0,20000");
    }

    void teach()
    {
        QFETCH(QString, recipe);
        QFETCH(QString, actions);
        QFETCH(QString, keys);

        KelScriptEdit editor(&rig->kel);
        ModalDriver keypads;
        for (const QString &k : keys.split(Sep, Qt::SkipEmptyParts))
            keypads.keypad(k == QLatin1String("!") ? QString() : k, k != QLatin1String("!"));
        editor.setRecipe(recipe.split(Sep, Qt::SkipEmptyParts));
        rig->sim.resetCounters();
        for (const QString &token : actions.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            act(editor, token);
        rig->tick(FlushTicks);

        QTEST(editor.getRecipe().join(Sep), "lines");
        QTEST(findWidget<QListWidget>(editor, QStringLiteral("listWidget"))->currentRow(), "current");
        QTEST(findWidget<QLineEdit>(editor, QStringLiteral("curLine"))->text(), "shown");
        QTEST(sentCommands(rig->sim).join(Sep), "sent");
        QCOMPARE(keypads.errors(), QStringList());
        QCOMPARE(keypads.remaining(), 0);
    }
};

QTEST_MAIN(TestKelScriptEdit)
#include "tst_kelscriptedit.moc"
