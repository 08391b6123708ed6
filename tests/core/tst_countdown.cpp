#include "countdown.h"
#include "mmss.h"
#include "stages.h"

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

    static Run runTalk(int minutes, int seconds, int reminder, bool noReminder, int maxTicks = 4000)
    {
        Countdown c;
        c.setPreset(minutes, seconds);
        c.setReminderSeconds(reminder);
        c.loadPreset();
        Run run;
        for (int tick = 1; tick <= maxTicks; ++tick) {
            const Countdown::TickResult r = c.tick(noReminder);
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

    // "mm:ss" left, or "+mm:ss" over.
    static QString shown(const Countdown &c)
    {
        const int s = c.isOver() ? c.overSeconds() : c.totalSecondsLeft();
        return QStringLiteral("%1%2:%3")
            .arg(c.isOver() ? QStringLiteral("+") : QString())
            .arg(s / 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    }

    static Countdown talk(int mode, int seconds, int reminder = 30)
    {
        Countdown c;
        c.setAtZero(Countdown::AtZero(mode));
        c.setPreset(seconds / 60, seconds % 60);
        c.setReminderSeconds(reminder);
        c.loadPreset();
        return c;
    }

private slots:
    void atZero_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("noReminder");
        QTest::addColumn<QStringList>("shown"); // after each tick from 00:02
        QTest::addColumn<QList<int>>("timeUpTicks");
        const int reset = int(Countdown::AtZero::Reset), hold = int(Countdown::AtZero::Hold),
                  over = int(Countdown::AtZero::Overtime);
        QTest::addRow("reset reloads the preset")
            << reset << false << QStringList{"00:01", "00:00", "00:02", "00:01"} << QList{3};
        QTest::addRow("reset, no reminder")
            << reset << true << QStringList{"00:01", "00:00", "00:02", "00:01"} << QList{3};
        QTest::addRow("hold keeps 00:00; ticking on is time-up again")
            << hold << false << QStringList{"00:01", "00:00", "00:00", "00:00"} << QList{3, 4};
        QTest::addRow("overtime counts up")
            << over << false << QStringList{"00:01", "00:00", "+00:01", "+00:02"} << QList{3};
        QTest::addRow("overtime, no reminder")
            << over << true << QStringList{"00:01", "00:00", "+00:01", "+00:02"} << QList{3};
    }

    // Time-up comes on the same tick in every mode, with the same closing message.
    void atZero()
    {
        QFETCH(int, mode);
        QFETCH(bool, noReminder);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, timeUpTicks);
        Countdown c = talk(mode, 2, 0);
        QStringList got;
        QList<int> timeUps;
        for (int tick = 1; tick <= shown.size(); ++tick) {
            const Countdown::TickResult r = c.tick(noReminder);
            got << TestCountdown::shown(c);
            if (r.timeUp)
                timeUps << tick;
            QCOMPARE(r.openClosingMessage, r.timeUp && noReminder);
            QCOMPARE(r.openNotice, !noReminder && tick == 2); // a reminder at 0: with 00:00
        }
        QCOMPARE(got, shown);
        QCOMPARE(timeUps, timeUpTicks);
    }

    void overtimeStopsAt9959()
    {
        Countdown c = talk(int(Countdown::AtZero::Overtime), 0);
        for (int tick = 0; tick < 6002; ++tick)
            QVERIFY(!c.tick(false).timeUp || tick == 0);
        QCOMPARE(shown(c), QStringLiteral("+99:59"));
    }

    void stages_data()
    {
        QTest::addColumn<int>("amberAt");
        QTest::addColumn<int>("redAt"); // -1: none
        QTest::addColumn<int>("left");
        QTest::addColumn<bool>("over");
        QTest::addColumn<int>("stage");
        const int normal = 0, amber = 1, red = 2;
        QTest::addRow("above amber") << 240 << 120 << 241 << false << normal;
        QTest::addRow("amber from its time on") << 240 << 120 << 240 << false << amber;
        QTest::addRow("just above red") << 240 << 120 << 121 << false << amber;
        QTest::addRow("red from its time on") << 240 << 120 << 120 << false << red;
        QTest::addRow("00:00 is red") << 240 << 120 << 0 << false << red;
        QTest::addRow("amber only, down to 00:00") << 240 << -1 << 0 << false << amber;
        QTest::addRow("above the preset of 3:00: amber at once")
            << 300 << 60 << 180 << false << amber;
        QTest::addRow("overtime is red") << 240 << -1 << 0 << true << red;
        QTest::addRow("no stages") << -1 << -1 << 0 << false << normal;
        QTest::addRow("no stages, overtime still red") << -1 << -1 << 0 << true << red;
    }

    void stages()
    {
        QFETCH(int, amberAt);
        QFETCH(int, redAt);
        QFETCH(int, left);
        QFETCH(bool, over);
        QFETCH(int, stage);
        const Stages stages =
            amberAt < 0 ? Stages()
                        : Stages(amberAt, redAt < 0 ? std::nullopt : std::optional(redAt));
        QCOMPARE(int(stages.at(left, over)), stage);
    }

    void adjust_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("ticksBefore");
        QTest::addColumn<QString>("moves"); // + a minute more, - a minute less
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("nextReminder"); // ticks later, 0: none
        QTest::addColumn<int>("nextTimeUp");   // ticks later, 0: none
        QTest::addColumn<bool>("closingOwed"); // the time-up brings the closing message
        const int reset = 0, hold = 1, over = 2;
        QTest::addRow("+") << reset << 300 << 0 << "+"
                           << "06:00" << 330 << 361 << false;
        QTest::addRow("+ up to 99:59") << reset << 5970 << 0 << "+"
                                       << "99:59" << 5969 << 6000 << false;
        QTest::addRow("+ after the reminder: it comes again") << reset << 60 << 40 << "+"
                                                              << "01:20" << 50 << 81 << false;
        QTest::addRow("- onto the reminder point: the next tick reminds")
            << reset << 90 << 0 << "-"
            << "00:30" << 1 << 31 << false;
        QTest::addRow("- past the reminder point: the next tick reminds")
            << reset << 80 << 0 << "-"
            << "00:20" << 1 << 21 << false;
        QTest::addRow("- under a minute: 00:00, time-up next") << reset << 40 << 0 << "-"
                                                               << "00:00" << 0 << 1 << true;
        QTest::addRow("- at 00:00") << reset << 0 << 0 << "--"
                                    << "00:00" << 0 << 1 << true;
        QTest::addRow("+ held 00:00") << hold << 5 << 6 << "+"
                                      << "01:00" << 30 << 61 << false;
        QTest::addRow("+ 20 s over") << over << 0 << 20 << "+"
                                     << "00:40" << 10 << 41 << false;
        QTest::addRow("+ 60 s over") << over << 0 << 60 << "+"
                                     << "00:00" << 0 << 1 << true;
        QTest::addRow("+ 90 s over") << over << 0 << 90 << "+"
                                     << "+00:30" << 0 << 0 << false;
        QTest::addRow("- over: nothing left to take") << over << 0 << 20 << "-"
                                                      << "+00:20" << 0 << 0 << false;
    }

    void adjust()
    {
        QFETCH(int, mode);
        QFETCH(int, preset);
        QFETCH(int, ticksBefore);
        QFETCH(QString, moves);
        QFETCH(QString, shown);
        QFETCH(int, nextReminder);
        QFETCH(int, nextTimeUp);
        QFETCH(bool, closingOwed);
        Countdown c = talk(mode, preset);
        for (int i = 0; i < ticksBefore; ++i)
            c.tick(false);
        for (const QChar move : moves)
            move == QLatin1Char('+') ? c.addMinute() : c.removeMinute();
        QCOMPARE(TestCountdown::shown(c), shown);
        int reminder = 0;
        int timeUp = 0;
        bool owed = false;
        for (int tick = 1; tick <= 6001 && !timeUp; ++tick) {
            const Countdown::TickResult r = c.tick(false);
            if (r.openNotice)
                QVERIFY2(!reminder, "one reminder a talk");
            if (r.openNotice)
                reminder = tick;
            if (r.timeUp) {
                timeUp = tick;
                owed = r.closingMessageOwed;
            }
        }
        QCOMPARE(reminder, nextReminder);
        QCOMPARE(timeUp, nextTimeUp);
        QCOMPARE(owed, closingOwed);
    }

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
        QTest::addRow("0:59 at 59 equals the talk: first tick")
            << 0 << 59 << 59 << 0 << QList<int>{1};
        QTest::addRow("0:30 at 30 equals the talk: first tick")
            << 0 << 30 << 30 << 0 << QList<int>{1};
        QTest::addRow("0:06 at 6") << 0 << 6 << 6 << 0 << QList<int>{1};
        QTest::addRow("0:31 at 30") << 0 << 31 << 30 << 0 << QList<int>{1};
        QTest::addRow("switched off") << 2 << 0 << 30 << 1 << QList<int>{};
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
            QVERIFY(!c.tick(true).openNotice);
        // The box is unticked just before the reminder second.
        QVERIFY(c.tick(false).openNotice);
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
