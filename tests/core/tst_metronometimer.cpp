#include "fakeclock.h"
#include "metronometimer.h"
#include "monotonicclock.h"

#include <QSignalSpy>
#include <QTest>

class TestMetronomeTimer : public QObject
{
    Q_OBJECT

private slots:
    void ticksOnTheSchedule_data()
    {
        QTest::addColumn<qint64>("advanceMs");
        QTest::addColumn<int>("ticks");
        QTest::addRow("just before the first") << qint64(999) << 0;
        QTest::addRow("the first") << qint64(1000) << 1;
        QTest::addRow("ten seconds") << qint64(10'000) << 10;
        QTest::addRow("between ticks") << qint64(10'500) << 10;
        QTest::addRow("twenty minutes") << qint64(1'200'000) << 1200;
    }

    void ticksOnTheSchedule()
    {
        QFETCH(qint64, advanceMs);
        QFETCH(int, ticks);
        FakeClock clock;
        MetronomeTimer timer(clock);
        QList<qint64> at;
        connect(&timer, &MetronomeTimer::timeout, this, [&] { at << clock.nowMs(); });
        const qint64 start = clock.nowMs();
        timer.setEnabled(true);
        clock.advance(advanceMs);
        QCOMPARE(at.size(), ticks);
        for (int k = 0; k < at.size(); ++k)
            QCOMPARE(at.at(k), start + (k + 1) * 1000);
    }

    void stalledLoopDeliversMissedTicksAtOnce()
    {
        FakeClock clock;
        MetronomeTimer timer(clock);
        QSignalSpy spy(&timer, &MetronomeTimer::timeout);
        timer.setEnabled(true);
        clock.advance(2000);
        clock.jump(5300); // the event loop was blocked for 5.3 s
        timer.processDue();
        QCOMPARE(spy.count(), 7);
        // ... and the schedule is still the first one.
        QCOMPARE(timer.nextDeadline() - clock.nowMs(), qint64(700));
    }

    void enablingARunningTimerKeepsItsSchedule()
    {
        FakeClock clock;
        MetronomeTimer timer(clock);
        QSignalSpy spy(&timer, &MetronomeTimer::timeout);
        timer.setEnabled(true);
        clock.advance(1500);
        timer.setEnabled(true);
        clock.advance(500);
        QCOMPARE(spy.count(), 2);
    }

    void restartBeginsANewSchedule()
    {
        FakeClock clock;
        MetronomeTimer timer(clock);
        QSignalSpy spy(&timer, &MetronomeTimer::timeout);
        timer.setEnabled(true);
        clock.advance(1500);
        timer.setEnabled(false);
        clock.advance(10'000);
        QCOMPARE(spy.count(), 1); // nothing while stopped
        timer.setEnabled(true);
        clock.advance(999);
        QCOMPARE(spy.count(), 1);
        clock.advance(1);
        QCOMPARE(spy.count(), 2);
    }

    void tickThatStopsTheTimerEndsTheCatchUp()
    {
        FakeClock clock;
        MetronomeTimer timer(clock);
        int ticks = 0;
        connect(&timer, &MetronomeTimer::timeout, this, [&] {
            if (++ticks == 3)
                timer.setEnabled(false);
        });
        timer.setEnabled(true);
        clock.jump(10'000);
        timer.processDue();
        QCOMPARE(ticks, 3);
        QVERIFY(!timer.isEnabled());
    }

    void realClockSmoke()
    {
        // A short interval on the real clock: the ticks arrive, in order, and stop on demand.
        MonotonicClock clock;
        MetronomeTimer timer(clock);
        timer.setInterval(20);
        QList<qint64> at;
        connect(&timer, &MetronomeTimer::timeout, this, [&] { at << clock.nowMs(); });
        const qint64 start = clock.nowMs();
        timer.setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(at.size() >= 5, 5000);
        timer.setEnabled(false);
        const qsizetype seen = at.size();
        QTest::qWait(60);
        QCOMPARE(at.size(), seen);
        for (int k = 0; k < seen; ++k)
            QVERIFY(at.at(k) >= start + (k + 1) * 20); // never early
    }
};

QTEST_GUILESS_MAIN(TestMetronomeTimer)
#include "tst_metronometimer.moc"
