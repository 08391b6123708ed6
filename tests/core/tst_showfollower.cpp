#include "fakeclock.h"
#include "runstate.h"
#include "showfollower.h"

#include <QTest>

// The talk following the slide show, on a fake desktop: a script of show counts, moments and
// the speaker's own commands, and what the follower asked of the bar on the way.
class TestShowFollower : public QObject
{
    Q_OBJECT

private slots:
    void follows_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<RunState::State>("end");
        using S = RunState::State;
        // =N: N shows up now; +MS: time passes; start, pause, timeup: the speaker or the tick.
        const auto row = [](const char *name, bool paused, const char *script, const char *asked,
                            S end) {
            QTest::newRow(name) << paused << QString::fromLatin1(script)
                                << QString::fromLatin1(asked) << end;
        };
        row("a show appears on a ready bar", false, "=1", "start", S::Running);
        row("a show appears on a paused bar", true, "=1", "continue", S::Running);
        row("a running bar carries on", false, "start =1 +3000", "", S::Running);
        row("the show ends: pause after the grace", false, "=1 =0 +2000", "start pause", S::Paused);
        row("still within the grace", false, "=1 =0 +1999", "start", S::Running);
        row("back within the grace", false, "=1 =0 +1500 =1 +5000", "start", S::Running);
        row("gone again after coming back", false, "=1 =0 +1500 =1 =0 +2000", "start pause",
            S::Paused);
        row("back after the pause", false, "=1 =0 +2500 =1", "start pause continue", S::Running);
        row("two screens, one ends", false, "=2 =1 +5000", "start", S::Running);
        row("two screens, both end", false, "=2 =1 +1000 =0 +2000", "start pause", S::Paused);
        row("slides on the other screen first", false, "=1 =2 =1 =0 +2000", "start pause",
            S::Paused);
        row("a manual pause holds while a show is up", false, "=1 pause +5000 =2 +5000", "start",
            S::Paused);
        row("a manual pause holds if the show is back within the grace", false,
            "=1 pause =0 +1000 =1 +5000", "start", S::Paused);
        row("a manual pause ends as a show appears", false, "=1 pause =0 +3000 =1",
            "start continue", S::Running);
        row("started by hand within the grace", false, "=1 =0 +500 start +5000", "start",
            S::Running);
        row("time-up while the show is up", false, "=1 timeup +5000 =2 =1 +5000", "start",
            S::Stopped);
        row("a show after time-up and a break", false, "=1 timeup =0 +3000 =1", "start start",
            S::Running);
    }

    void follows()
    {
        QFETCH(bool, paused);
        QFETCH(QString, script);
        QFETCH(QString, asked);
        QFETCH(RunState::State, end);
        FakeClock clock;
        RunState run;
        if (paused)
            run.pauseOrContinue();
        ShowFollower follower(clock, run);
        QStringList seen;
        connect(&follower, &ShowFollower::wanted, this, [&](ShowFollower::Action action) {
            static const char *const names[] = {"start", "continue", "pause"};
            seen << QLatin1String(names[int(action)]);
            action == ShowFollower::Action::Start ? run.start() : void(run.toggle());
        });
        for (const QString &step : script.split(u' ')) {
            if (step.startsWith(u'='))
                follower.setShowCount(step.mid(1).toInt());
            else if (step.startsWith(u'+'))
                clock.advance(step.mid(1).toInt());
            else if (step == QLatin1String("timeup"))
                run.timeUp();
            else
                step == QLatin1String("start") ? run.start() : void(run.toggle());
            if (step == QLatin1String("start") || step == QLatin1String("pause"))
                follower.speakerActed();
        }
        QCOMPARE(seen.join(u' '), asked);
        QCOMPARE(run.state(), end);
        QVERIFY(!follower.pauseDue() || follower.showCount() == 0);
    }
};

QTEST_GUILESS_MAIN(TestShowFollower)
#include "tst_showfollower.moc"
