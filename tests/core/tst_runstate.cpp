#include "runstate.h"

#include <QTest>

// The run state's table: every command from every state, as the menu and the tick drive it.
class TestRunState : public QObject
{
    Q_OBJECT

private:
    using State = RunState::State;

    // Brings a fresh run state into `state` through commands alone.
    static RunState reach(State state)
    {
        RunState r;
        switch (state) {
        case State::Stopped:
            break;
        case State::Running:
            r.start();
            break;
        case State::Paused:
            r.pauseOrContinue();
            break;
        case State::RunningOffersContinue:
            r.pauseOrContinue();
            r.start();
            break;
        }
        return r;
    }

private slots:
    void transitions_data()
    {
        QTest::addColumn<State>("from");
        QTest::addColumn<QString>("command");
        QTest::addColumn<State>("to");
        const State S = State::Stopped, R = State::Running, P = State::Paused,
                    RC = State::RunningOffersContinue;
        const struct
        {
            const char *command;
            State to[4]; // from S, R, P, RC
        } table[] = {
            {"start", {R, R, RC, RC}}, {"pause/continue", {P, P, R, R}}, {"time-up", {S, S, P, P}},
            {"apply", {S, S, P, P}},   {"toggle", {R, P, R, P}},
        };
        const State from[] = {S, R, P, RC};
        const char *names[] = {"stopped", "running", "paused", "running, offers continue"};
        for (const auto &row : table) {
            for (int i = 0; i < 4; ++i)
                QTest::addRow("%s, %s", names[i], row.command)
                    << from[i] << QString::fromLatin1(row.command) << row.to[i];
        }
    }

    void transitions()
    {
        QFETCH(State, from);
        QFETCH(QString, command);
        QFETCH(State, to);
        RunState r = reach(from);
        QCOMPARE(r.state(), from);
        if (command == QLatin1String("start"))
            r.start();
        else if (command == QLatin1String("pause/continue"))
            r.pauseOrContinue();
        else if (command == QLatin1String("time-up"))
            r.timeUp();
        else if (command == QLatin1String("toggle"))
            r.toggle();
        else
            r.applied();
        QCOMPARE(r.state(), to);
        QCOMPARE(r.isRunning(), to == State::Running || to == State::RunningOffersContinue);
        QCOMPARE(r.offersContinue(), to == State::Paused || to == State::RunningOffersContinue);
    }
};

QTEST_APPLESS_MAIN(TestRunState)
#include "tst_runstate.moc"
