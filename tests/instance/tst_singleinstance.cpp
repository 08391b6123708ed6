// One bar per desktop: the channel on a private session bus (two connections stand for two
// starts of the program), the lock file without one, and what a start does with either.

#include "barfixture.h"
#include "dbusinstance.h"
#include "fakes.h"
#include "lockfileinstance.h"
#include "metronometimer.h"
#include "remoteoptions.h"
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
    void optionsSurviveTheTrip();

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
    QTest::addColumn<QStringList>("forward"); // the later start's options
    QTest::addColumn<bool>("proceed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    const QString already = u"a bar is already running on this desktop"_s;
    const QStringList none;
    const QStringList toggle{u"toggle=true"_s};
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
    QTest::addColumn<QStringList>("first"); // an earlier request, or a pick left on the panel
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("reply"); // a part of it
    QTest::addColumn<QString>("shown"); // the bar's digits afterwards
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("later"); // the digits 9 s later, past the end, or "over"; "": any
    const QString options = BarCommands::OptionsVerb;
    const QStringList none;
    const QStringList overtime{u"at-zero=overtime"_s};
    const QStringList pickedOneMinute{u"pick Combo1 1"_s};
    QTest::addRow("a length, as OK")
        << none << options << QStringList{u"length=20:00"_s} << true
        << u"length 20:00, reminder 5 s"_s << u"20:00"_s << false << u""_s;
    QTest::addRow("a length and start")
        << none << options << QStringList{u"length=1:30"_s, u"start=true"_s} << true << u"started"_s
        << u"01:30"_s << true << u"01:21"_s;
    QTest::addRow("toggle pauses the running bar")
        << none << options << QStringList{u"toggle=true"_s} << true << u"paused"_s << u"00:08"_s
        << false << u""_s;
    QTest::addRow("toggle starts a ready bar")
        << QStringList{u"length=0:08"_s} << options << QStringList{u"toggle=true"_s} << true
        << u"started"_s << u"00:08"_s << true << u"00:08"_s;
    QTest::addRow("a minute more, while running")
        << none << options << QStringList{u"add-minute=true"_s} << true << u"more"_s << u"01:08"_s
        << true << u"00:59"_s;
    QTest::addRow("a sound without its folder")
        << none << options << QStringList{u"sound=bell.wav"_s} << false << u"absolute"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("a reminder above the length")
        << none << options << QStringList{u"length=0:10"_s, u"reminder=20"_s} << false
        << u"more than"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("a reminder above the applied length: refused at once, no box")
        << none << options << QStringList{u"reminder=45"_s} << false << u"设置无效"_s << u"00:08"_s
        << true << u""_s;
    QTest::addRow("a screen the desktop lacks")
        << none << options << QStringList{u"screen=missing"_s} << false << u"missing"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("the language waits for the next start, the length applies")
        << none << options << QStringList{u"lang=zh"_s, u"length=0:05"_s} << true << u"--lang"_s
        << u"00:05"_s << false << u""_s;
    QTest::addRow("--adjust keeps overtime")
        << overtime << options << QStringList{u"adjust=true"_s} << true << u"minute items"_s
        << u"00:08"_s << true << u"over"_s;
    QTest::addRow("--stages keeps overtime")
        << overtime << options << QStringList{u"stages=0:02"_s} << true << u"stages 0:02"_s
        << u"00:08"_s << true << u"over"_s;
    QTest::addRow("a second --stages is taken")
        << QStringList{u"stages=0:05"_s} << options << QStringList{u"stages=0:02"_s} << true
        << u"stages 0:02"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("the border leaves the talk and unapplied picks alone")
        << pickedOneMinute << options << QStringList{u"borderless=true"_s} << true
        << u"borderless"_s << u"00:08"_s << true << u"00:08"_s;
    QTest::addRow("a reminder takes the applied length, not the pick")
        << pickedOneMinute << options << QStringList{u"reminder=3"_s} << true
        << u"length 0:08, reminder 3 s"_s << u"00:08"_s << false << u""_s;
    QTest::addRow("following the show leaves the talk running")
        << none << options << QStringList{u"follow-show=true"_s} << true << u"following the show"_s
        << u"00:08"_s << true << u""_s;
    QTest::addRow("following the show, and no more")
        << QStringList{u"follow-show=true"_s} << options << QStringList{u"follow-show=false"_s}
        << true << u"not following the show"_s << u"00:08"_s << true << u""_s;
    QTest::addRow("an unknown verb") << none << u"pause"_s << QStringList{} << false << u"'pause'"_s
                                     << u"00:08"_s << true << u""_s;
}

// A bar set to 0:08 and running, asked by a later start.
void TestSingleInstance::runningBarAnswers()
{
    QFETCH(QStringList, first);
    QFETCH(QString, verb);
    QFETCH(QStringList, lines);
    QFETCH(bool, ok);
    QFETCH(QString, reply);
    QFETCH(QString, shown);
    QFETCH(bool, running);
    QFETCH(QString, later);
    BarFixture f;
    f.apply(0, 8, u"5"_s);
    f.bar->start();
    RunningBar remote(*f.bar, f.windows);

    remote.activate();
    QCOMPARE(f.windows.shown.last(), f.bar->geometry());

    for (const QString &step : first) {
        const QStringList words = step.split(u' ');
        if (words.first() == u"pick"_s)
            f.pick(qPrintable(words.at(1)), words.at(2));
        else
            QVERIFY(remote.command(BarCommands::OptionsVerb, {step}).ok);
    }
    const CommandReply r = remote.command(verb, lines);
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

// What a later start sends is read back as it was meant.
void TestSingleInstance::optionsSurviveTheTrip()
{
    const TalkOptions sent{.lengthSeconds = 5400,
                           .reminderSeconds = 0,
                           .soundFile = u"/x/bell.wav"_s,
                           .borderless = false,
                           .screen = u"HDMI-1"_s,
                           .atZero = TalkOptions::AtZero::Overtime,
                           .stages = TalkOptions::Stages{300, 60},
                           .followShow = false,
                           .toggle = true,
                           .removeMinute = true};
    QString why;
    const std::optional<TalkOptions> read =
        RemoteOptions::decode(RemoteOptions::encode(sent), &why);
    QVERIFY2(read, qPrintable(why));
    QCOMPARE(*read, sent);
    QCOMPARE(RemoteOptions::commandFor(sent), u"toggle"_s);
    QVERIFY(RemoteOptions::encode(TalkOptions{}).isEmpty());
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
