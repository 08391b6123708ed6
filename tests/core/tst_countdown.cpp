#include "countdown.h"
#include "mmss.h"

#include <QTest>

// Runs talks through the bare countdown, tick by tick, and records what the bar would show
// and when it would open the notice window.
class TestCountdown : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        QStringList shown;    // "mm:ss" after each tick
        QList<int> reminders; // ticks (1-based) that opened the notice
        int timeUpTick = 0;
        bool closingMessage = false;
    };

    // noReminder: 0 unticked, 1 ticked, 2 greyed.
    static Run runTalk(int minutes, int seconds, int reminder, int noReminder, int maxTicks = 4000)
    {
        const Qt::CheckState box[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
        Countdown c;
        c.setPreset(minutes, seconds);
        c.setReminderSeconds(reminder);
        c.loadPreset();
        Run run;
        for (int tick = 1; tick <= maxTicks; ++tick) {
            const Countdown::TickResult r = c.tick(box[noReminder]);
            run.shown << mmss(c.minutesLeft() * 60 + c.secondsLeft());
            if (r.openNotice)
                run.reminders << tick;
            if (r.timeUp) {
                run.timeUpTick = tick;
                run.closingMessage = r.openClosingMessage;
                break;
            }
        }
        return run;
    }

private slots:
    void oneMinuteTalk()
    {
        const Run run = runTalk(1, 0, 30, 0);
        QCOMPARE(run.shown.first(), QStringLiteral("00:59"));
        QCOMPARE(run.shown.at(59), QStringLiteral("00:00"));
        QCOMPARE(run.timeUpTick, 61);
        QCOMPARE(run.shown.last(), QStringLiteral("01:00")); // the preset is back
        // Every displayed second appears once, counting down.
        for (int i = 0; i < 60; ++i)
            QCOMPARE(run.shown.at(i), mmss(59 - i));
    }

    void rollOver_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("afterFirstTick");
        QTest::addRow("2:00") << 2 << "01:59";
        QTest::addRow("10:00") << 10 << "09:59";
        QTest::addRow("59:00") << 59 << "58:59";
    }

    void rollOver()
    {
        QFETCH(int, minutes);
        QFETCH(QString, afterFirstTick);
        QCOMPARE(runTalk(minutes, 0, 30, 0, 1).shown.first(), afterFirstTick);
    }

    void timeUp_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("noReminder");
        QTest::addColumn<int>("timeUpTick");
        QTest::addColumn<bool>("closingMessage");
        QTest::addRow("0:00 first tick is time-up") << 0 << 0 << 0 << 1 << false;
        QTest::addRow("0:00 no reminder") << 0 << 0 << 1 << 1 << true;
        QTest::addRow("0:01") << 0 << 1 << 0 << 2 << false;
        QTest::addRow("5:07") << 5 << 7 << 0 << 308 << false;
        QTest::addRow("59:59 no reminder") << 59 << 59 << 1 << 3600 << true;
        QTest::addRow("greyed box opens nothing") << 0 << 3 << 2 << 4 << false;
    }

    void timeUp()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(int, noReminder);
        QFETCH(int, timeUpTick);
        QFETCH(bool, closingMessage);
        const Run run = runTalk(minutes, seconds, 0, noReminder);
        QCOMPARE(run.timeUpTick, timeUpTick);
        QCOMPARE(run.closingMessage, closingMessage);
        QCOMPARE(run.shown.last(), mmss(minutes * 60 + seconds));
    }

    void reminder_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("reminder");
        QTest::addColumn<int>("noReminder");
        QTest::addColumn<QList<int>>("reminderTicks");
        QTest::addRow("10:00 at 30") << 10 << 0 << 30 << 0 << QList<int>{570};
        QTest::addRow("1:00 at 0 shows with 00:00") << 1 << 0 << 0 << 0 << QList<int>{60};
        QTest::addRow("1:00 at 59 fires on entering the last minute")
            << 1 << 0 << 59 << 0 << QList<int>{1};
        QTest::addRow("3:00 at 59") << 3 << 0 << 59 << 0 << QList<int>{121};
        QTest::addRow("0:59 at 59 equals the talk, never") << 0 << 59 << 59 << 0 << QList<int>{};
        QTest::addRow("0:30 at 30 equals the talk, never") << 0 << 30 << 30 << 0 << QList<int>{};
        QTest::addRow("0:31 at 30") << 0 << 31 << 30 << 0 << QList<int>{1};
        QTest::addRow("switched off") << 2 << 0 << 30 << 1 << QList<int>{};
        QTest::addRow("greyed") << 2 << 0 << 30 << 2 << QList<int>{};
    }

    void reminder()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(int, reminder);
        QFETCH(int, noReminder);
        QFETCH(QList<int>, reminderTicks);
        QCOMPARE(runTalk(minutes, seconds, reminder, noReminder).reminders, reminderTicks);
    }

    void noReminderIsReadAtEachTick()
    {
        Countdown c;
        c.setPreset(0, 40);
        c.setReminderSeconds(30);
        c.loadPreset();
        for (int i = 0; i < 9; ++i)
            QVERIFY(!c.tick(Qt::Checked).openNotice);
        // The box is unticked just before the reminder second.
        QVERIFY(c.tick(Qt::Unchecked).openNotice);
        QCOMPARE(c.secondsLeft(), qint16(30));
    }

    void wholeHourIsConsistent()
    {
        // Every start from 0:00 to 59:59 lasts exactly its length plus the time-up tick.
        for (int total = 0; total < 3600; total += 7) {
            const Run run = runTalk(total / 60, total % 60, 0, 1, 3601);
            QCOMPARE(run.timeUpTick, total + 1);
        }
    }
};

QTEST_APPLESS_MAIN(TestCountdown)
#include "tst_countdown.moc"
