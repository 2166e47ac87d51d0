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

#include <memory>

namespace {

// Enough ticks for every command a button queues to reach the controller.
constexpr int FlushTicks = 20;
const QChar Sep = QLatin1Char('|');

QStringList split(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(Sep);
}

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

private:
    QTemporaryDir dir;
    std::unique_ptr<DiagCapture> quiet;
    std::unique_ptr<SimRig> rig;

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
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        quiet = std::make_unique<DiagCapture>();
        rig = std::make_unique<SimRig>();
        QVERIFY(rig->startUp());
    }

    void cleanupTestCase() { rig.reset(); }

    void teach_data()
    {
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("keys");     // keypad entries in order; "!" cancels
        QTest::addColumn<QString>("lines");    // the recipe afterwards
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("shown");    // the current line box
        QTest::addColumn<QString>("step");     // the current step box
        QTest::addColumn<QString>("sent");

        auto add = [](const char *name, const char *recipe, const char *actions, const char *keys,
                      const char *lines, int current, const char *shown, const char *step,
                      const char *sent = "") {
            QTest::newRow(name) << recipe << actions << keys << lines << current << shown << step << sent;
        };
        const char *point = "Move Stage to point to be stored";
        const char *delay = "Select Desired Delay in mS";

        // List operations.
        add("empty recipe opens as {END}", "", "", "", "{END}", 0, "", "");
        add("New Recipe drops the teach state", "POINT 1,1", "#0 butClrRecipe STORE", "",
            "DELAY 1000|INCR 1.0,1.0|SPEEDXY 10.0|{END}", 0, "", "");
        add("reopening drops the teach state", "POINT 1,1|{END}", "#0 @5,5,0 reopen STORE", "",
            "POINT 1,1|{END}", 0, "", "");
        add("XY POINT goes before row 3", "A|B|C|D|{END}", "#3 butPoint", "",
            "A|B|C|POINT x,y|D|{END}", 3, "POINT 0,0", point);
        add("Next on the last row rescans it", "DELAY 5|SHOPEN 2", "#1 butNext", "",
            "DELAY 5|SHOPEN 2", 1, "SHOPEN 2", "Select Shutter To Open (1-3):");
        add("Prev on row 0 rescans it", "DELAY 5|SHOPEN 2", "butPrev", "", "DELAY 5|SHOPEN 2", 0,
            "DELAY 5", delay);
        add("deleting the last row selects the new last", "DELAY 5|SHOPEN 2|{END}", "#2 butDel",
            "", "DELAY 5|SHOPEN 2", 1, "SHOPEN 2", "Select Shutter To Open (1-3):");
        add("with every line deleted a template goes to the top", "{END}",
            "butDel butDel butDelay", "", "DELAY 1000", 0, "DELAY 1000", delay);
        add("taught last line leaves no row", "POINT 1,1", "#0 @2,3,0 STORE", "", "POINT 2,3",
            -1, "", "");
        add("Prev from past the end", "POINT 1,1", "#0 @2,3,0 STORE butPrev", "", "POINT 2,3", 0,
            "POINT 2,3", point);
        add("template past the end goes to the top", "POINT 1,1", "#0 STORE butEndRep", "",
            "ENDREP|POINT 0,0", 0, "ENDREP", "");
        add("another row made current drops the teach state", "POINT 1,1|{END}",
            "#0 ~1 @5,5,0 STORE", "", "POINT 1,1|{END}", 1, "", "");

        // Points, in the frame of the lines above.
        add("POINT stored, the next line's prompt shown", "DELAY 1000|POINT x,y|ZPOINT z",
            "#1 @12.5,-3,0 STORE", "", "DELAY 1000|POINT 12.5,-3|ZPOINT z", 2, "ZPOINT 0",
            "Move Focus to Point to be Stored");
        add("POINT GOTO inside a repeat block", "DEFREP 10,20|POINT 1,2|ENDREP", "#1 GOTO", "",
            "DEFREP 10,20|POINT 1,2|ENDREP", 1, "POINT 1,2", point, "1,65,0,110000|2,65,0,220000");
        add("POINT GOTO below ALIGN", "ALIGN 5,5,15,5|POINT 1,2", "#1 GOTO", "",
            "ALIGN 5,5,15,5|POINT 1,2", 1, "POINT 1,2", point, "1,65,0,60000|2,65,0,70000");
        add("repeat block taught unaligned after an aligned line",
            "DEFREP 10,20|POINT 1,2|ENDREP|ALIGN 5,5,15,5|POINT 0,0", "#4 #1 GOTO", "",
            "DEFREP 10,20|POINT 1,2|ENDREP|ALIGN 5,5,15,5|POINT 0,0", 1, "POINT 1,2", point,
            "1,65,0,110000|2,65,0,220000");
        add("ZPOINT stores the focus", "ZPOINT z|{END}", "#0 @1,2,250 STORE", "",
            "ZPOINT 250|{END}", 1, "{END}", "");
        add("POINTZ is taught as a focus point", "POINTZ 40", "#0 GOTO", "", "POINTZ 40", 0,
            "ZPOINT 40", "Move Focus to Point to be Stored", "3,65,0,400");
        add("ALIGN asks for its second point", "ALIGN x1,y1,x2,y2", "#0 @1,2,0 STORE", "",
            "ALIGN x1,y1,x2,y2", 0, "ALIGN 0,0,0,0", "Move Stage to 2nd Alignment Point");
        add("ALIGN from two points", "ALIGN x1,y1,x2,y2", "#0 @1,2,0 STORE @3,4,0 STORE", "",
            "ALIGN 1,2,3,4", -1, "", "");
        add("INCR from two points", "INCR 0.4,0.4|{END}", "#0 @1,1,0 STORE @1.5,2,0 STORE", "",
            "INCR 0.5,1|{END}", 1, "{END}", "");
        add("INCR typed after NEXT NEXT, cancelled Y kept", "INCR 0.4,0.4|{END}",
            "#0 NEXT NEXT", "<<<2|!", "INCR 2,0.4|{END}", 1, "{END}", "");
        add("DEFREP typed", "DEFREP x,y", "#0 ENTER", "5|-6", "DEFREP 5,-6", -1, "", "");

        // Paths and patterns.
        add("ARC from three points and the step, ending at its end point",
            "ARC sx,sy,p2x,p2y,p3x,p3y,step|{END}",
            "#0 @0,0,0 STORE @10,0,0 STORE @5,5,0 STORE", "<.5", "ARC 0,0,10,0,5,5,0.5|{END}", 1,
            "{END}", "", "1,65,0,100000|2,65,0,0");
        add("LINE NEXT NEXT asks the step", "LINE 1,2,3,4,0.1|{END}", "#0 NEXT NEXT", "<<<.2",
            "LINE 1,2,3,4,0.2|{END}", 1, "{END}", "", "1,65,0,30000|2,65,0,40000");
        add("LINE step cancelled still ends at its end point", "LINE 1,2,3,4,0.1|{END}",
            "#0 NEXT NEXT", "!", "LINE 1,2,3,4,0.1|{END}", 1, "{END}", "",
            "1,65,0,30000|2,65,0,40000");
        add("CIRCLE typed does not move", "CIRCLE 0,0,0,0,0,0,0", "#0 ENTER", "1|!|!|!|!|!|!",
            "CIRCLE 1,0,0,0,0,0,0", -1, "", "");
        add("COMB from three points", "COMB sy,sy,ix,iy,ex,ey",
            "#0 @0,0,0 STORE @1,1,0 STORE @5,5,0 STORE", "", "COMB 0,0,1,1,5,5", -1, "", "");
        add("RASTER shows its line after each STORE", "RASTER 9,9,9,9,9,9", "#0 @1,2,0 STORE",
            "", "RASTER 9,9,9,9,9,9", 0, "RASTER 1,2,9,9,9,9", "Move Stage to increment Point");

        // Wheels and shutters.
        add("SHOPEN PREV on 1 stays 1", "SHOPEN 1", "#0 PREV", "", "SHOPEN 1", 0, "SHOPEN 1",
            "Select Shutter To Open (1-3):");
        add("SHOPEN NEXT on 3 stays 3", "SHOPEN 3", "#0 NEXT", "", "SHOPEN 3", 0, "SHOPEN 3",
            "Select Shutter To Open (1-3):");
        add("SHOPEN GOTO opens the shutter", "SHOPEN 2", "#0 GOTO", "", "SHOPEN 2", 0,
            "SHOPEN 2", "Select Shutter To Open (1-3):", "17,83,258,6619137");
        add("SHEXP takes a typed 7 but sends nothing for it", "SHEXP 1", "#0 ENTER #0 GOTO", "<7",
            "SHEXP 7", 0, "SHEXP 7", "Select Shutter To Expose (1-3):");
        add("F1MOVE NEXT from the widest value", "F1MOVE 2147483647", "#0 NEXT", "",
            "F1MOVE 2147483647", 0, "F1MOVE 10", "Select Filter Whee1 #1 Move:");
        add("EXPTIM PREV from the narrowest value", "EXPTIM 1,-2147483648", "#0 STORE PREV", "",
            "EXPTIM 1,-2147483648", 0, "EXPTIM 1,50", "Select Desired Exposure in mS");
        add("F1MOVE PREV to home", "F1MOVE 1", "#0 PREV", "", "F1MOVE 1", 0, "F1MOVE 0-HOME",
            "Select Filter Whee1 #1 Move:");
        add("F1MOVE home stored as 0", "F1MOVE 1|{END}", "#0 PREV STORE", "", "F1MOVE 0|{END}",
            1, "{END}", "");
        add("F2MOVE NEXT stops at the wheel size", "F2MOVE 9", "#0 NEXT NEXT GOTO", "",
            "F2MOVE 9", 0, "F2MOVE 10", "Select Filter Whee1 #2 Move:", "27,65,13,10");
        add("FMOVE PREV on wheel 2 at 0", "FMOVE 3,0", "#0 STORE PREV", "", "FMOVE 3,0", 0,
            "FMVOE 3,-1-HOME", "Select Filter Wheel #2 Move:");
        add("FMOVE GOTO both wheels", "FMOVE 3,2", "#0 GOTO", "", "FMOVE 3,2", 0, "FMOVE 3,2",
            "Select Filter Whee1 #1 Move:", "17,65,15,131075");
        add("SCTRL NEXT wraps on shutter 2", "SCTRL 3,3,3", "#0 STORE NEXT", "", "SCTRL 3,3,3", 0,
            "SCTRL 3-NO   ,0-CLOSE,3-NO   ", "Select Shutter #2 Control:");
        add("SCTRL NEXT on shutter 1 stays 3", "SCTRL 3,3,3", "#0 NEXT", "", "SCTRL 3,3,3", 0,
            "SCTRL 3-NO   ,3-NO   ,3-NO   ", "Select Shutter #1 Control:");
        add("SCTRL odd codes become 3 first", "SCTRL 7,0,-1", "#0 PREV", "", "SCTRL 7,0,-1", 0,
            "SCTRL 2-EXP  ,0-CLOSE,3-NO   ", "Select Shutter #1 Control:");
        add("SCTRL from three STOREs", "SCTRL 3,3,3", "#0 STORE NEXT STORE STORE", "",
            "SCTRL 3,0,3", -1, "", "");
        add("SCTRL GOTO sends the commanding codes", "SCTRL 0,3,2", "#0 GOTO", "", "SCTRL 0,3,2",
            0, "SCTRL 0,3,2", "Select Shutter #1 Control:", "17,83,258,6553600|17,83,258,6684674");

        // Times and speeds.
        add("DELAY PREV from 500 stores its label", "DELAY 500|{END}", "#0 PREV STORE", "",
            "DELAY 0-INF|{END}", 1, "{END}", "");
        add("DELAY 0 stored as shown", "DELAY 0", "#0 STORE", "", "DELAY 0-Inf", -1, "", "");
        add("FDELAY NEXT steps by 50", "FDELAY 100", "#0 NEXT", "", "FDELAY 100", 0, "FDELAY 150",
            delay);
        add("EXPTIM PREV at the exposure floor", "EXPTIM 1,80", "#0 STORE PREV", "", "EXPTIM 1,80",
            0, "EXPTIM 1,50", "Select Desired Exposure in mS");
        add("EXPTIM typed", "EXPTIM 1,500", "#0 ENTER", "<2|<<<80", "EXPTIM 2,80", -1, "", "");
        add("SPEEDXY STORE asks the speed", "SPEEDXY 40000", "#0 STORE", "<<<<<12.3",
            "SPEEDXY 12.3", -1, "", "");
        add("SPEEDZ ENTER cancelled keeps it", "SPEEDZ 40000|{END}", "#0 ENTER", "!",
            "SPEEDZ 40000|{END}", 1, "{END}", "");

        // GO XYZ.
        add("GO XYZ: a cancelled axis stays", "{END}", "@1,2,3 butGoXYZ", "<5|!|!", "{END}", 0, "",
            "", "1,65,0,50000|2,65,0,20000");
        add("GO XYZ: all cancelled moves nothing", "{END}", "@1,2,3 butGoXYZ", "!|!|!", "{END}", 0,
            "", "");
    }

    void teach()
    {
        QFETCH(QString, recipe);
        QFETCH(QString, actions);
        QFETCH(QString, keys);
        QFETCH(QString, lines);
        QFETCH(int, current);
        QFETCH(QString, shown);
        QFETCH(QString, step);
        QFETCH(QString, sent);

        KelScriptEdit editor(&rig->probe);
        ModalDriver keypads;
        for (const QString &k : split(keys))
            keypads.keypad(k == QLatin1String("!") ? QString() : k, k != QLatin1String("!"));
        editor.setRecipe(split(recipe));
        rig->sim.resetCounters();
        for (const QString &token : actions.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            act(editor, token);
        rig->tick(FlushTicks);

        QCOMPARE(editor.getRecipe().join(Sep), lines);
        QCOMPARE(findWidget<QListWidget>(editor, QStringLiteral("listWidget"))->currentRow(), current);
        QCOMPARE(findWidget<QLineEdit>(editor, QStringLiteral("curLine"))->text(), shown);
        QCOMPARE(findWidget<QLineEdit>(editor, QStringLiteral("curStep"))->text(), step);
        QCOMPARE(sentCommands(rig->sim).join(Sep), sent);
        QCOMPARE(keypads.errors(), QStringList());
        QCOMPARE(keypads.remaining(), 0);
    }

    void liveDisplays()
    {
        KelScriptEdit editor(&rig->probe);
        editor.updatePos(12.5, -3, 0.25);
        editor.updateFwPos1(3);
        editor.updateShPos(0, 1, 2);
        QStringList shown;
        for (const char *name : {"xpos", "ypos", "zpos", "fw1pos", "fw2pos", "sh1", "sh2", "sh3"})
            shown << findWidget<QLabel>(editor, QLatin1String(name))->text();
        QCOMPARE(shown.join(Sep), QStringLiteral("12.5.|-3.|0.25.|W1:3|W2:0|SH1:CL|SH2:OP|SH3:EXP"));
    }
};

QTEST_MAIN(TestKelScriptEdit)
#include "tst_kelscriptedit.moc"
