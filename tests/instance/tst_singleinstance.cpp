// One bar per desktop: the channel on a private session bus (two connections stand for two
// starts of the program), the lock file without one, and what a start does with either.

#include "barfixture.h"
#include "dbusinstance.h"
#include "fakes.h"
#include "lockfileinstance.h"
#include "metronometimer.h"
#include "runningbar.h"
#include "singleinstance.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <optional>

using namespace Qt::StringLiterals;
using Claim = InstanceChannel::Claim;
Q_DECLARE_METATYPE(Claim)

namespace {

class FakeBarCommands final : public BarCommands
{
public:
    int activations = 0;
    QList<QStringList> commands; // verb first
    CommandReply reply{true, u"done"_s};

    void activate() override { ++activations; }
    CommandReply command(const QString &verb, const QStringList &args) override
    {
        commands << (QStringList{verb} + args);
        return reply;
    }
};

// Nothing listens there, so a connection to it fails as one does without a session bus.
QDBusConnection noBus()
{
    return QDBusConnection::connectToBus(u"unix:path=/nonexistent/tc-no-bus"_s, u"none"_s);
}

// A private session bus; its address, or empty.
QString startBus(QProcess &daemon)
{
    const QString program = QStandardPaths::findExecutable(u"dbus-daemon"_s);
    if (program.isEmpty())
        return {};
    daemon.start(program, {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address"_s});
    if (!daemon.waitForStarted() || !QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10000))
        return {};
    return QString::fromUtf8(daemon.readLine()).trimmed();
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void laterStartReachesTheBar_data();
    void laterStartReachesTheBar();
    void nameIsFreeOnceTheBarEnds();
    void lockFile_data();
    void lockFile();
    void startOutcomes_data();
    void startOutcomes();
    void runningBarAnswers_data();
    void runningBarAnswers();

private:
    QDBusConnection connect(const QString &name);

    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

void TestSingleInstance::initTestCase()
{
    m_address = startBus(m_daemon);
    QVERIFY2(m_address.startsWith(u"unix:"_s),
             "no private dbus-daemon (./dev deps test installs it)");
}

void TestSingleInstance::cleanupTestCase()
{
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

void TestSingleInstance::cleanup()
{
    for (const QString &name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_connections.clear();
}

QDBusConnection TestSingleInstance::connect(const QString &name)
{
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

void TestSingleInstance::laterStartReachesTheBar_data()
{
    QTest::addColumn<QString>("verb"); // empty: Activate
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("accepted");
    QTest::addRow("activate") << QString() << QStringList() << true;
    QTest::addRow("command accepted") << u"start"_s << QStringList{u"10:00"_s} << true;
    QTest::addRow("command refused") << u"launch"_s << QStringList() << false;
    QTest::addRow("arguments kept as given")
        << u"say"_s << QStringList{u"two words"_s, u""_s, u"演讲"_s, u"--flag"_s} << true;
}

void TestSingleInstance::laterStartReachesTheBar()
{
    QFETCH(QString, verb);
    QFETCH(QStringList, args);
    QFETCH(bool, accepted);
    FakeBarCommands bar;
    bar.reply = accepted ? CommandReply{true, u"done"_s} : CommandReply{false, u"no such verb"_s};

    DBusInstance first(connect(u"first"_s));
    QCOMPARE(first.claim(), Claim::Claimed);
    first.serve(&bar);
    DBusInstance second(connect(u"second"_s));
    QCOMPARE(second.claim(), Claim::Taken);

    const CommandReply reply = verb.isEmpty() ? second.activate() : second.command(verb, args);
    QCOMPARE(reply.ok, accepted);
    if (verb.isEmpty()) {
        QCOMPARE(bar.activations, 1);
        QVERIFY(bar.commands.isEmpty());
        return;
    }
    QCOMPARE(bar.activations, 0);
    QCOMPARE(bar.commands, QList<QStringList>{QStringList{verb} + args});
    QCOMPARE(reply.message, bar.reply.message);
}

void TestSingleInstance::nameIsFreeOnceTheBarEnds()
{
    {
        DBusInstance first(connect(u"first"_s));
        QCOMPARE(first.claim(), Claim::Claimed);
        QVERIFY(first.nameOwned());
    }
    DBusInstance next(connect(u"next"_s));
    QVERIFY(!next.nameOwned());
    QCOMPARE(next.claim(), Claim::Claimed);
}

void TestSingleInstance::lockFile_data()
{
    QTest::addColumn<QString>("before"); // "", "held", "stale", "no folder"
    QTest::addColumn<Claim>("claim");
    QTest::addRow("nobody has it") << u""_s << Claim::Claimed;
    QTest::addRow("a running bar has it") << u"held"_s << Claim::Taken;
    QTest::addRow("left by a bar that was killed") << u"stale"_s << Claim::Claimed;
    QTest::addRow("runtime folder missing") << u"no folder"_s << Claim::Failed;
}

void TestSingleInstance::lockFile()
{
    QFETCH(QString, before);
    QFETCH(Claim, claim);
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    const QString dir = before == u"no folder"_s ? runtime.filePath(u"gone"_s) : runtime.path();

    std::optional<LockFileInstance> held;
    if (before == u"held"_s) {
        held.emplace(dir);
        QCOMPARE(held->claim(), Claim::Claimed);
    }
    if (before == u"stale"_s) {
        // What a lock holds, with the number of a process that has ended.
        QByteArray contents;
        {
            QLockFile sample(runtime.filePath(u"sample"_s));
            QVERIFY(sample.tryLock(0));
            QFile file(runtime.filePath(u"sample"_s));
            QVERIFY(file.open(QIODevice::ReadOnly));
            contents = file.readAll();
        }
        QProcess gone;
        gone.start(u"true"_s);
        QVERIFY(gone.waitForStarted());
        const qint64 pid = gone.processId();
        QVERIFY(gone.waitForFinished());
        contents = QByteArray::number(pid) + contents.mid(contents.indexOf('\n'));
        QFile file(LockFileInstance(dir).path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    LockFileInstance later(dir);
    QCOMPARE(later.claim(), claim);
    QCOMPARE(later.error().isEmpty(), claim != Claim::Failed);
    QVERIFY(!later.activate().ok);
}

void TestSingleInstance::startOutcomes_data()
{
    QTest::addColumn<bool>("bus");
    QTest::addColumn<bool>("runtimeDir");
    // "", "bar", "mute" (owns the name, answers nothing), "bar without a bus", "bar whose bus
    // died" (its daemon killed)
    QTest::addColumn<QString>("running");
    QTest::addColumn<QStringList>("forward"); // the later start's folder and arguments
    QTest::addColumn<bool>("proceed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    const QString already = u"a bar is already running on this desktop"_s;
    const QStringList none;
    const QStringList toggle{u"/"_s, u"--toggle"_s};
    QTest::addRow("first start on the bus") << true << true << "" << none << true << 0 << ""
                                            << "";
    QTest::addRow("second start on the bus") << true << true << "bar" << none << false << 0
                                             << already + u"; it has been brought"_s << "";
    QTest::addRow("a bar that does not answer") << true << true << "mute" << none << false << 1
                                                << "" << already + u", but it did not answer"_s;
    QTest::addRow("first start without a bus")
        << false << true << "" << none << true << 0 << "" << u"no session bus"_s;
    QTest::addRow("second start without a bus") << false << true << "bar" << none << false << 0
                                                << already + u"."_s << u"cannot be reached"_s;
    QTest::addRow("no bus, no runtime folder")
        << false << false << "" << none << true << 0 << "" << u"XDG_RUNTIME_DIR is not set"_s;
    QTest::addRow("a bar without a bus, a later start with one")
        << true << true << "bar without a bus" << none << false << 0 << already + u"."_s
        << u"cannot be reached"_s;
    QTest::addRow("a bar without a bus, toggled from the bus")
        << true << true << "bar without a bus" << toggle << false << 1 << ""
        << already + u", but it holds the lock file"_s;
    QTest::addRow("a bar whose bus died, toggled") << true << true << "bar whose bus died" << toggle
                                                   << false << 1 << "" << u"cannot be reached"_s;
    QTest::addRow("a bar whose bus died, no runtime folder")
        << true << false << "bar whose bus died" << none << true << 0 << ""
        << "";
}

void TestSingleInstance::startOutcomes()
{
    QFETCH(bool, bus);
    QFETCH(bool, runtimeDir);
    QFETCH(QString, running);
    QFETCH(QStringList, forward);
    QFETCH(bool, proceed);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    const QString dir = runtimeDir ? runtime.path() : QString();

    FakeBarCommands bar;
    QProcess dying;
    QDBusConnection firstBus = bus ? connect(u"first"_s) : noBus();
    if (running == u"bar without a bus"_s)
        firstBus = noBus();
    if (running == u"bar whose bus died"_s) {
        const QString address = startBus(dying);
        QVERIFY(!address.isEmpty());
        m_connections << u"dying"_s;
        firstBus = QDBusConnection::connectToBus(address, u"dying"_s);
    }
    SingleInstance first(firstBus, dir);
    QDBusConnection mute = connect(u"mute"_s);
    if (running.startsWith(u"bar"_s)) {
        QVERIFY(first.start().proceed);
        first.serve(bar);
    } else if (running == u"mute"_s) {
        QVERIFY(mute.interface()->registerService(DBusInstance::ServiceName).isValid());
    }
    if (dying.state() == QProcess::Running) {
        dying.kill();
        QVERIFY(dying.waitForFinished());
        QTRY_VERIFY(!firstBus.isConnected());
    }

    SingleInstance later(bus ? connect(u"later"_s) : noBus(), dir, 3000);
    const SingleInstance::Outcome o = later.start(forward);
    QCOMPARE(o.proceed, proceed);
    QCOMPARE(o.exitCode, exitCode);
    QVERIFY2(output.isEmpty() ? o.output.isEmpty() : o.output.contains(output),
             qPrintable(o.output));
    QVERIFY2(error.isEmpty() ? o.error.isEmpty() : o.error.contains(error), qPrintable(o.error));
    // One line each at most.
    QVERIFY(o.output.count(u'\n') <= 1 && !o.error.contains(u'\n'));
    QCOMPARE(bar.activations, running == u"bar"_s && bus ? 1 : 0);
    // A start that does not become the bar leaves the name to the next one.
    if (bus && !proceed && running != u"bar"_s && running != u"mute"_s)
        QVERIFY(!DBusInstance(connect(u"observer"_s)).nameOwned());
}

void TestSingleInstance::runningBarAnswers_data()
{
    QTest::addColumn<QStringList>("first"); // earlier requests' arguments, or a pick on the panel
    QTest::addColumn<QString>("verb");
    // The later start's folder ("<dir>": a scratch folder holding bell.wav), then its arguments.
    QTest::addColumn<QStringList>("request");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("reply"); // a part of it
    QTest::addColumn<QString>("shown"); // the bar's digits afterwards
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("later"); // the digits 9 s later, past the end, or "over"; "": any
    const QString args = BarCommands::ArgumentsVerb;
    const QString dir = u"<dir>"_s;
    const QStringList none;
    const QStringList overtime{u"--at-zero overtime"_s};
    const QStringList pickedOneMinute{u"pick Combo1 1"_s};
    QTest::addRow("a length, as OK")
        << none << args << QStringList{dir, u"20:00"_s} << true << u"length 20:00, reminder 5 s"_s
        << u"20:00"_s << false << u""_s;
    QTest::addRow("a length and start") << none << args << QStringList{dir, u"1:30"_s, u"--start"_s}
                                        << true << u"started"_s << u"01:30"_s << true << u"01:21"_s;
    QTest::addRow("toggle pauses the running bar")
        << none << args << QStringList{dir, u"--toggle"_s} << true << u"paused"_s << u"00:08"_s
        << false << u""_s;
    QTest::addRow("toggle starts a ready bar")
        << QStringList{u"0:08"_s} << args << QStringList{dir, u"--toggle"_s} << true << u"started"_s
        << u"00:08"_s << true << u"00:08"_s;
    QTest::addRow("a minute more, while running")
        << none << args << QStringList{dir, u"--add-minute"_s} << true << u"more"_s << u"01:08"_s
        << true << u"00:59"_s;
    QTest::addRow("a relative sound, from the later start's folder")
        << none << args << QStringList{dir, u"--sound"_s, u"sub/../bell.wav"_s} << true
        << u"sound <dir>/bell.wav"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("a sound that is no WAV file")
        << none << args << QStringList{dir, u"--sound=notes.txt"_s} << false << u"not a WAV"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("a folder that is not absolute")
        << none << args << QStringList{u"."_s, u"--start"_s} << false << u"folder"_s << u"00:08"_s
        << true << u""_s;
    QTest::addRow("a bad value, as on the command line")
        << none << args << QStringList{dir, u"--reminder"_s, u"75"_s} << false
        << u"--reminder '75': seconds"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("an unknown option")
        << none << args << QStringList{dir, u"--fullscreen"_s} << false << u"unknown option"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("--help") << none << args << QStringList{dir, u"--help"_s} << false << u"--help"_s
                            << u"00:08"_s << true << u""_s;
    QTest::addRow("a reminder above the length")
        << none << args << QStringList{dir, u"0:10"_s, u"--reminder"_s, u"20"_s} << false
        << u"more than"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("a reminder above the applied length: refused at once, no box")
        << none << args << QStringList{dir, u"--reminder"_s, u"45"_s} << false << u"设置无效"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("a screen the desktop lacks")
        << none << args << QStringList{dir, u"--screen"_s, u"missing"_s} << false << u"missing"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("the language waits for the next start, the length applies")
        << none << args << QStringList{dir, u"--lang"_s, u"zh"_s, u"0:05"_s} << true << u"--lang"_s
        << u"00:05"_s << false << u""_s;
    QTest::addRow("--adjust keeps overtime")
        << overtime << args << QStringList{dir, u"--adjust"_s} << true << u"minute items"_s
        << u"00:08"_s << true << u"over"_s;
    QTest::addRow("--stages keeps overtime")
        << overtime << args << QStringList{dir, u"--stages"_s, u"0:02"_s} << true
        << u"stages 0:02"_s << u"00:08"_s << true << u"over"_s;
    QTest::addRow("a second --stages is taken")
        << QStringList{u"--stages 0:05"_s} << args << QStringList{dir, u"--stages=0:02"_s} << true
        << u"stages 0:02"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("the border leaves the talk and unapplied picks alone")
        << pickedOneMinute << args << QStringList{dir, u"--borderless"_s} << true << u"borderless"_s
        << u"00:08"_s << true << u"00:08"_s;
    QTest::addRow("a reminder takes the applied length, not the pick")
        << pickedOneMinute << args << QStringList{dir, u"--reminder"_s, u"3"_s} << true
        << u"length 0:08, reminder 3 s"_s << u"00:08"_s << false << u""_s;
    QTest::addRow("following the show leaves the talk running")
        << none << args << QStringList{dir, u"--follow-show"_s} << true << u"following the show"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("following the show, and no more")
        << QStringList{u"--follow-show"_s} << args << QStringList{dir, u"--no-follow-show"_s}
        << true << u"not following the show"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("an unknown verb") << none << u"pause"_s << QStringList{} << false << u"'pause'"_s
                                     << u"00:08"_s << true << u""_s;
}

// A bar set to 0:08 and running, asked by a later start.
void TestSingleInstance::runningBarAnswers()
{
    QFETCH(QStringList, first);
    QFETCH(QString, verb);
    QFETCH(QStringList, request);
    QFETCH(bool, ok);
    QFETCH(QString, reply);
    QFETCH(QString, shown);
    QFETCH(bool, running);
    QFETCH(QString, later);
    BarFixture f;
    f.apply(0, 8, u"5"_s);
    f.bar->start();
    RunningBar remote(*f.bar, f.windows);
    QTemporaryDir dir;
    QFile bell(dir.filePath(u"bell.wav"_s));
    QVERIFY(bell.open(QIODevice::WriteOnly));
    if (request.value(0) == u"<dir>"_s)
        request[0] = dir.path();
    reply.replace(u"<dir>"_s, dir.path());

    remote.activate();
    QCOMPARE(f.windows.shown.last(), f.bar->geometry());

    for (const QString &step : first) {
        const QStringList words = step.split(u' ');
        if (words.first() == u"pick"_s)
            f.pick(qPrintable(words.at(1)), words.at(2));
        else
            QVERIFY(remote.command(BarCommands::ArgumentsVerb, QStringList{dir.path()} + words).ok);
    }
    const CommandReply r = remote.command(verb, request);
    QCOMPARE(r.ok, ok);
    QVERIFY2(r.message.contains(reply), qPrintable(r.message));
    QCOMPARE(r.invalid, !ok);
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.shown(), shown);
    QCOMPARE(f.bar->isTicking(), running);
    f.clock.advance(9000);
    if (!later.isEmpty())
        QCOMPARE(f.bar->countdown().isOver() ? u"over"_s : f.shown(), later);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
