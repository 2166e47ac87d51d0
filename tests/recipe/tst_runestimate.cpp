// The run-time model on hand-computed entries, the time left from the run's pace, and the
// progress line that shows it.
#include "recipe/runestimate.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runprogress.h"
#include "runnerprobe.h"

#include <QtTest>

using namespace Ptx;
using Entries = QVector<recipePointStruct>;

Q_DECLARE_METATYPE(Entries)

namespace {

// Hardware time only: no cost per entry.
RunTimings bare()
{
    RunTimings t;
    t.motionEntryTicks = t.wheelEntryTicks = t.exposureEntryTicks = t.shutterEntryTicks = t.pauseEntryTicks = 0.0;
    return t;
}

recipePointStruct shutters(quint32 shopt, qint32 fdelay = 0)
{
    return filterEntry(0, 0, false, false, shopt, fdelay);
}

} // namespace

class TestRunEstimate : public QObject
{
    Q_OBJECT

private slots:
    // The stage starts at (0, 0), focus at 0, both wheels at 1; 10000 steps/mm, 0.1 µm/step.
    void entryTimes_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QVector<double>>("ms");
        // The first entry runs at the configured 5 mm/s, later ones at their own speed;
        // the longer leg decides; dwells are whole ticks.
        QTest::newRow("xy moves and dwells")
            << Entries{xyEntry(10, 3, 1000, 1), xyEntry(10, 5, 30, 2)} << QVector<double>{3000, 1025};
        QTest::newRow("focus") << Entries{zEntry(100, 0, 500), zEntry(150, 0, 500)} << QVector<double>{40, 1000};
        // 1 to 9 the short way round is 2 slots; home (72) from 9 is 2 slots plus the run,
        // while wheel 2 turns 3 slots.
        QTest::newRow("wheels") << Entries{filterEntry(9, 0, true, false, 0), filterEntry(72, 4, true, true, 0)}
                                << QVector<double>{400, 1000};
        // An exposure lasts the shutter's time, set by an earlier exposure-time entry.
        QTest::newRow("exposures") << Entries{shutters(2), shutters(512 | (300u << 16)), shutters(2 << 2)}
                                   << QVector<double>{100, 0, 300};
        // A pause of up to one tick waits for the operator: no time.
        QTest::newRow("pauses") << Entries{shutters(PauseWord, 510), shutters(PauseWord, 20)} << QVector<double>{500, 0};
    }

    void entryTimes()
    {
        QFETCH(Entries, entries);
        QFETCH(QVector<double>, ms);
        QCOMPARE(entryTimesMs(entries, RunSetup(), bare()), ms);
    }

    void costPerEntryAndReturn()
    {
        RunSetup setup;
        setup.loadX = 0.0;
        setup.loadY = 0.0;
        const Entries entries{xyEntry(0, 2, 0, 4)};
        RunTimings timings = bare();
        timings.motionEntryTicks = 4;
        QCOMPARE(entryTimesMs(entries, setup, timings), QVector<double>{500});
        // Back from (0, 2) at the entry's 4 mm/s.
        QCOMPARE(returnTimeMs(entries, setup, timings), 600.0);
        setup.align.emplace(0.0, 0.0, 0.0, 10.0);   // specimen X is stage Y
        QCOMPARE(entryTimesMs(Entries{xyEntry(10, 0, 0)}, setup, bare()), QVector<double>{2000});
    }

    void timeLeft_data()
    {
        QTest::addColumn<double>("doneMs");
        QTest::addColumn<double>("inEntryMs");
        QTest::addColumn<double>("leftMs");
        // Entries of 1000 ms each, 2 of 4 done (2000 ms by the model).
        QTest::newRow("on the model's pace") << 2000.0 << 0.0 << 2000.0;
        QTest::newRow("partway into the entry") << 2000.0 << 400.0 << 1600.0;
        QTest::newRow("over time in the entry") << 2000.0 << 1500.0 << 1000.0;
        // Twice as slow: pace 1 + 0.8 x (2 - 1) = 1.8.
        QTest::newRow("slower run") << 4000.0 << 0.0 << 3600.0;
        QTest::newRow("stalled run, pace capped at 4") << 60000.0 << 0.0 << 2000.0 * (1 + 0.8 * 3);
    }

    void timeLeft()
    {
        QFETCH(double, doneMs);
        QFETCH(double, inEntryMs);
        QFETCH(double, leftMs);
        const RunEstimate estimate(QVector<double>{1000, 1000, 1000, 1000}, 0.0);
        QCOMPARE(estimate.leftMs(2, doneMs, inEntryMs), leftMs);
    }

    void progressLine_data()
    {
        QTest::addColumn<double>("leftMs");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds, rounded up") << 44001.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  45 s LEFT";
        QTest::newRow("a minute") << 60000.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  1:00 LEFT";
        QTest::newRow("an hour") << 3600000.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  1:00:00 LEFT";
        QTest::newRow("hours") << 7325000.0 << "ENTRY 12 OF 40  PATTERN 3 OF 8  2:02:05 LEFT";
    }

    void progressLine()
    {
        QFETCH(double, leftMs);
        RunProgress progress;
        std::tie(progress.running, progress.entry, progress.entries, progress.pattern, progress.patterns) =
            std::make_tuple(true, 12, 40, 3, 8);
        progress.leftMs = leftMs;
        QTEST(progressText(progress), "text");
    }
};

QTEST_GUILESS_MAIN(TestRunEstimate)
#include "tst_runestimate.moc"
