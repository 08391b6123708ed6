#include "commandline.h"
#include "optionsfile.h"
#include "optionvalues.h"
#include "soundfilecheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(TalkOptions)

namespace {

using Env = QHash<QByteArray, QByteArray>;

CommandLine::Outcome run(const QStringList &arguments, const Env &env)
{
    return CommandLine::check(QStringList{"talk-countdown"} + arguments,
                              [&](const char *name) { return env.value(QByteArray(name)); });
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A line on stderr quotes what it refuses shortly: the longest message and a short quote.
constexpr qsizetype ShortLine = 200;

// Columns on a terminal: Chinese characters and full-width punctuation take two.
qsizetype terminalColumns(const QString &line)
{
    qsizetype n = line.size();
    for (const QChar c : line) {
        if (c.script() == QChar::Script_Han || (c.unicode() >= 0x3000 && c.unicode() <= 0x303f)
            || (c.unicode() >= 0xff00 && c.unicode() <= 0xff60))
            ++n;
    }
    return n;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("env"); // "NAME=value;NAME=value"
        QTest::addColumn<bool>("proceed");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutStart");
        QTest::addColumn<QString>("stderrPart");
        QTest::addRow("x11 desktop") << QStringList{} << "DISPLAY=:0" << true << 0 << ""
                                     << "";
        QTest::addRow("wayland with xwayland")
            << QStringList{} << "DISPLAY=:1;WAYLAND_DISPLAY=w" << true << 0 << ""
            << "";
        QTest::addRow("forced platform")
            << QStringList{} << "QT_QPA_PLATFORM=offscreen" << true << 0 << ""
            << "";
        QTest::addRow("no display") << QStringList{} << "" << false << 1 << ""
                                    << "DISPLAY is not set";
        QTest::addRow("wayland without xwayland")
            << QStringList{} << "WAYLAND_DISPLAY=w" << false << 1 << ""
            << "XWayland";
        QTest::addRow("help") << QStringList{"--help"} << "" << false << 0
                              << "Usage: talk-countdown"
                              << "";
        QTest::addRow("-h") << QStringList{"-h"} << "DISPLAY=:0" << false << 0
                            << "Usage: talk-countdown"
                            << "";
        QTest::addRow("version") << QStringList{"--version"} << "" << false << 0
                                 << "talk-countdown "
                                 << "";
        QTest::addRow("-v with a length")
            << QStringList{"20", "-v"} << "" << false << 0 << "talk-countdown "
            << "";
        QTest::addRow("unknown option")
            << QStringList{"--fullscreen"} << "DISPLAY=:0" << false << 2 << ""
            << "unknown option '--fullscreen'";
        QTest::addRow("a stray file name")
            << QStringList{"talk.odp"} << "DISPLAY=:0" << false << 2 << ""
            << "'talk.odp'";
        // Bad values are refused before the display is looked at.
        const QList<std::pair<QStringList, QString>> refused{
            {{"100:00"}, "length '100:00'"},
            {{"1:61"}, "length '1:61'"},
            {{"1:60"}, "length '1:60'"},
            {{"1:5"}, "length '1:5'"},
            {{"-5"}, "length '-5'"},
            {{"abc"}, "length 'abc'"},
            {{"20", "30"}, "one LENGTH"},
            {{"--reminder", "75"}, "--reminder '75'"},
            {{"--reminder", "-5"}, "--reminder '-5'"},
            {{"--reminder"}, "reminder"},
            {{"0:20", "--reminder", "21"}, "more than the talk's length of 0:20"},
            {{"--sound="}, "--sound ''"},
            {{"--screen", " "}, "--screen"},
            {{"--lang", "fr"}, "--lang 'fr'"},
            {{"--at-zero", "never"}, "--at-zero 'never'"},
            {{"--stages", "1:00,2:00"}, "--stages '1:00,2:00'"},
            {{"--stages", "2:00,2:00"}, "--stages"},
            {{"--stages", "3,2,1"}, "--stages"},
            {{"--stages", "100:00"}, "--stages"},
        };
        for (const auto &[arguments, part] : refused)
            QTest::addRow("refused: %s", qPrintable(arguments.join(' ')))
                << arguments << "DISPLAY=:0" << false << 2 << "" << part;
        QTest::addRow("refused: a 5,000-digit length")
            << QStringList{QString(5000, '9')} << "DISPLAY=:0" << false << 2 << ""
            << "length '9999";
        QTest::addRow("refused: a long unknown option")
            << QStringList{"--" + QString(5000, 'x')} << "DISPLAY=:0" << false << 2 << ""
            << "unknown option '--xxx";
        QTest::addRow("refused: a control character")
            << QStringList{"--reminder", "1\n2"} << "DISPLAY=:0" << false << 2 << ""
            << "--reminder '1?2'";
    }

    void outcomes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, env);
        QFETCH(bool, proceed);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutStart);
        QFETCH(QString, stderrPart);
        Env vars;
        for (const QString &pair : env.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            vars.insert(pair.section(QLatin1Char('='), 0, 0).toUtf8(),
                        pair.section(QLatin1Char('='), 1).toUtf8());
        const CommandLine::Outcome o = run(arguments, vars);
        QCOMPARE(o.proceed, proceed);
        QCOMPARE(o.exitCode, exitCode);
        if (stdoutStart.isEmpty())
            QVERIFY2(o.output.isEmpty(), qPrintable(o.output));
        else
            QVERIFY2(o.output.startsWith(stdoutStart), qPrintable(o.output));
        if (stderrPart.isEmpty())
            QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        else
            QVERIFY2(o.error.contains(stderrPart), qPrintable(o.error));
        QVERIFY(!o.error.contains(QLatin1Char('\n'))); // one line
        QVERIFY2(o.error.size() <= ShortLine, qPrintable(o.error.left(ShortLine) + "..."));
        if (!proceed)
            QVERIFY(o.options.isEmpty());
    }

    void accepted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<TalkOptions>("expected");
        const auto row = [](const char *name, const QStringList &arguments,
                            const TalkOptions &expected) {
            QTest::newRow(name) << arguments << expected;
        };
        row("nothing", {}, {});
        row("minutes", {"20"}, {.lengthSeconds = 1200});
        row("m:ss", {"1:30"}, {.lengthSeconds = 90});
        row("longest", {"99:59"}, {.lengthSeconds = 5999});
        row("zero", {"0:00"}, {.lengthSeconds = 0});
        row("reminder equal to the length", {"0:30", "--reminder=30"},
            {.lengthSeconds = 30, .reminderSeconds = 30});
        row("reminder 0 on a short talk", {"--reminder", "0", "0:05"},
            {.lengthSeconds = 5, .reminderSeconds = 0});
        row("flags", {"--no-reminder", "--borderless", "--start", "--adjust"},
            {.noReminder = true, .borderless = true, .start = true, .adjust = true});
        row("relative sound", {"--sound", "a/../ding.wav"},
            {.soundFile = QDir::currentPath() + "/ding.wav"});
        row("screen and lang", {"--screen", "HDMI-1", "--lang", "en"},
            {.screen = "HDMI-1", .lang = "en"});
        row("at-zero and two stages", {"--at-zero", "overtime", "--stages", "0:04,0:02"},
            {.atZero = TalkOptions::AtZero::Overtime, .stages = TalkOptions::Stages{4, 2}});
        row("one stage in minutes", {"--stages", "5"},
            {.stages = TalkOptions::Stages{300, std::nullopt}});
        row("following the show", {"--follow-show"}, {.followShow = true});
        row("not following it", {"--no-follow-show"}, {.followShow = false});
        row("commands", {"--toggle", "--settings", "--exit", "--add-minute", "--remove-minute"},
            {.toggle = true,
             .settings = true,
             .exit = true,
             .addMinute = true,
             .removeMinute = true});
    }

    void accepted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(TalkOptions, expected);
        // No HOME and no XDG_CONFIG_HOME: no options file is looked for.
        const CommandLine::Outcome o = run(arguments, {{"DISPLAY", ":0"}});
        QVERIFY2(o.proceed, qPrintable(o.error));
        QVERIFY(o.warnings.isEmpty());
        QVERIFY(o.commandLine == expected);
        QVERIFY(o.options == expected);
    }

    // The command a later start finds no bar for: the first one given, in the table's order.
    void commandFor_data()
    {
        QTest::addColumn<TalkOptions>("options");
        QTest::addColumn<QString>("command");
        QTest::newRow("settings only") << TalkOptions{.lengthSeconds = 60, .start = true} << "";
        QTest::newRow("a command off") << TalkOptions{.toggle = false} << "";
        QTest::newRow("the first of two")
            << TalkOptions{.settings = false, .exit = true, .removeMinute = true} << "exit";
    }

    void commandFor()
    {
        QFETCH(TalkOptions, options);
        QFETCH(QString, command);
        QCOMPARE(OptionValues::commandFor(options), command);
    }

    // Without arguments and without an options file, nothing is set: the program starts as it
    // always has.
    void noArgumentsSetNothing()
    {
        QTemporaryDir home;
        const CommandLine::Outcome o = run({}, {{"DISPLAY", ":0"}, {"HOME", home.path().toUtf8()}});
        QVERIFY(o.proceed);
        QVERIFY(o.options.isEmpty());
        QVERIFY(o.warnings.isEmpty());
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 0);
    }

    void optionsFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<TalkOptions>("expected");
        QTest::addColumn<QStringList>("stderrParts"); // a part of each line, in order
        const auto row = [](const char *name, const QByteArray &text, const QStringList &arguments,
                            int exitCode, const TalkOptions &expected,
                            const QStringList &stderrParts = {}) {
            QTest::newRow(name) << text << arguments << exitCode << expected << stderrParts;
        };
        row("applies", "length=20:00\nreminder=20\nborderless=true\n", {}, 0,
            {.lengthSeconds = 1200, .reminderSeconds = 20, .borderless = true});
        row("command line wins", "length=10\nreminder=20\nborderless=false\n",
            {"5", "--borderless"}, 0,
            {.lengthSeconds = 300, .reminderSeconds = 20, .borderless = true});
        row("bad value left out, the rest applies",
            "length=10\n\n; a comment\nreminder=75\nstart=yes\n", {}, 0,
            {.lengthSeconds = 600, .start = true},
            {"talk-countdown.conf:4: reminder=75 ignored: seconds from 0 to 59"});
        row("unknown key, command, line without =",
            "[General]\ncolour=red\ntoggle=true\nborderless\nscreen=DP-2\n", {}, 0,
            {.screen = "DP-2"},
            {":4: 'borderless' ignored", ":2: colour=red ignored",
             ":3: toggle=true ignored: a command"});
        row("key in another section", "[bar]\nstart=true\n", {}, 0, {},
            {":2: bar/start=true ignored"});
        row("following the show, the command line says no", "follow-show=true\n",
            {"--no-follow-show"}, 0, {.followShow = false});
        row("not following, said the other way round", "no-follow-show=yes\n", {}, 0,
            {.followShow = false});
        row("stages with a comma", "stages=5:00,2:00\n", {}, 0,
            {.stages = TalkOptions::Stages{300, 120}});
        row("reminder above the file's length", "length=0:20\nreminder=30\n", {}, 0,
            {.lengthSeconds = 20}, {":2: reminder=30 ignored: a reminder 30 s"});
        row("file's reminder above the typed length", "reminder=30\n", {"0:20"}, 0,
            {.lengthSeconds = 20}, {":1: reminder=30"});
        row("typed reminder above the file's length", "length=0:20\n", {"--reminder", "30"}, 2, {},
            {"talk's length of 0:20 (set in"});
        // A sound that cannot be the alert is left out, and the reason is English, as the rest.
        row("missing sound left out", "length=10\nsound=missing.wav\n", {}, 0,
            {.lengthSeconds = 600}, {":2: sound=missing.wav ignored: no such file"});
        row("sound not a WAV file left out", "sound=notes.txt\n", {}, 0, {},
            {":1: sound=notes.txt ignored: not a WAV file"});
        row("typed sound wins over the file's bad one", "sound=missing.wav\n",
            {"--sound", "ding.wav"}, 0, {.soundFile = QDir::currentPath() + "/ding.wav"});
        row("long value quoted shortly", "length=" + QByteArray(5000, '9') + "\n", {}, 0, {},
            {":1: length=9999"});
        QByteArray binary;
        for (quint32 x = 1; binary.size() < 20000; x = x * 1103515245 + 12345)
            binary += char(x >> 16);
        QStringList capped(OptionsFile::MaxWarnings, QString());
        row("binary file: a few short lines", binary, {}, 0, {},
            capped + QStringList{"more problems not shown"});
        QByteArray huge;
        while (huge.size() <= OptionsFile::MaxBytes)
            huge += "start=true\n";
        row("larger than an options file", huge, {}, 0, {}, {"ignored: larger than 64 KiB"});
    }

    void optionsFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(TalkOptions, expected);
        QFETCH(QStringList, stderrParts);
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath("talk-countdown"));
        const QString path = config.filePath("talk-countdown/talk-countdown.conf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();

        const CommandLine::Outcome o =
            run(arguments, {{"DISPLAY", ":0"}, {"XDG_CONFIG_HOME", config.path().toUtf8()}});
        QCOMPARE(o.exitCode, exitCode);
        QCOMPARE(o.proceed, exitCode == 0);
        QVERIFY(o.options == expected);
        const QStringList lines = o.proceed ? o.warnings : QStringList{o.error};
        QCOMPARE(lines.size(), stderrParts.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString &line = lines.at(i);
            QVERIFY2(line.contains(path) && line.contains(stderrParts.at(i)), qPrintable(line));
            QVERIFY(!line.contains(QLatin1Char('\n')));
            QVERIFY2(line.size() - path.size() <= ShortLine, qPrintable(line));
        }
        // Never written, and no lock or backup file beside it.
        QCOMPARE(readAll(path), text);
        QCOMPARE(QDir(config.filePath("talk-countdown")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"talk-countdown.conf"});
    }

    // A FIFO would block the start until someone writes to it; a folder has nothing to read.
    void optionsFileNotRegular_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::addRow("fifo") << true;
        QTest::addRow("folder") << false;
    }

    void optionsFileNotRegular()
    {
        QFETCH(bool, fifo);
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath("talk-countdown"));
        const QString path = config.filePath("talk-countdown/talk-countdown.conf");
        QVERIFY(fifo ? mkfifo(QFile::encodeName(path).constData(), 0600) == 0 : QDir().mkdir(path));
        const CommandLine::Outcome o =
            run({}, {{"DISPLAY", ":0"}, {"XDG_CONFIG_HOME", config.path().toUtf8()}});
        QVERIFY(o.proceed && o.options.isEmpty());
        QCOMPARE(o.warnings,
                 QStringList{"talk-countdown: " + path + ": ignored: not a regular file"});
    }

    void optionsFileLocation_data()
    {
        QTest::addColumn<QString>("xdg");      // in the scratch folder; "" unset, "rel" relative
        QTest::addColumn<QString>("home");     // in the scratch folder; "" unset
        QTest::addColumn<QString>("expected"); // the folder whose file is read; "" none
        QTest::addRow("XDG_CONFIG_HOME") << "x"
                                         << "h"
                                         << "x";
        QTest::addRow("home's .config") << ""
                                        << "h"
                                        << "h/.config";
        QTest::addRow("relative XDG_CONFIG_HOME ignored") << "rel"
                                                          << "h"
                                                          << "h/.config";
        QTest::addRow("neither") << ""
                                 << ""
                                 << "";
    }

    void optionsFileLocation()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        QTemporaryDir scratch;
        // Each candidate file names its own folder as the screen.
        for (const QString dir : {"x", "h/.config"}) {
            QVERIFY(QDir(scratch.path()).mkpath(dir + "/talk-countdown"));
            QFile f(scratch.filePath(dir + "/talk-countdown/talk-countdown.conf"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(("screen=" + dir).toUtf8()) > 0);
        }
        Env env{{"DISPLAY", ":0"}};
        if (!xdg.isEmpty())
            env.insert("XDG_CONFIG_HOME", xdg == "rel" ? "x" : scratch.filePath(xdg).toUtf8());
        if (!home.isEmpty())
            env.insert("HOME", scratch.filePath(home).toUtf8());
        const CommandLine::Outcome o = run({}, env);
        QVERIFY(o.warnings.isEmpty());
        QCOMPARE(o.options.screen.value_or(QString()), expected);
    }

    void soundFileProblem_data()
    {
        QTest::addColumn<QString>("name"); // in a scratch folder
        QTest::addColumn<QString>("problem");
        const QList<std::tuple<const char *, QString, QString>> rows{
            {"good", "ding.wav", ""},
            {"not wav", "ding.mp3", "not a WAV file"},
            {"upper-case WAV, as the panel", "DING.WAV", "not a WAV file"},
            {"missing", "none.wav", "no such file"},
            {"folder", "folder.wav", "not a regular file"},
            {"unreadable", "locked.wav", "not readable"},
        };
        for (const auto &[row, name, problem] : rows)
            QTest::newRow(row) << name << problem;
    }

    void soundFileProblem()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        if (name == QLatin1String("locked.wav") && geteuid() == 0)
            QSKIP("root reads every file");
        QTemporaryDir dir;
        for (const char *file : {"ding.wav", "ding.mp3", "DING.WAV", "locked.wav"}) {
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFile::setPermissions(dir.filePath("locked.wav"), QFile::WriteOwner);
        QVERIFY(QDir(dir.path()).mkdir("folder.wav"));
        const std::optional<QString> found = SoundFileCheck::problem(dir.filePath(name));
        QCOMPARE(found.value_or(QString()).isEmpty(), problem.isEmpty());
        QVERIFY2(found.value_or(QString()).contains(problem), qPrintable(found.value_or("")));
    }

    // Every option is documented in --help, the man page and the README.
    void everyOptionDocumented()
    {
        const QString help = CommandLine::helpText();
        const QString man = QString::fromUtf8(readAll(TC_SOURCE_DIR "/packaging/talk-countdown.1"));
        const QString readme = QString::fromUtf8(readAll(TC_SOURCE_DIR "/README.md"));
        QVERIFY(!man.isEmpty() && !readme.isEmpty());
        for (const OptionValues::Option &option : OptionValues::options()) {
            if (option.kind == OptionValues::Kind::Length) // LENGTH, described in its own words
                continue;
            const QString name = "--" + option.name;
            QVERIFY2(help.contains(name), qPrintable(name));
            QVERIFY2(man.contains("\\-\\-" + QString(option.name).replace('-', "\\-")),
                     qPrintable("man page: " + name));
            QVERIFY2(readme.contains("`" + name), qPrintable("README: " + name));
        }
        // A terminal of 80 columns shows every line whole, without the cursor wrapping.
        for (const QString &line : help.split(QLatin1Char('\n')))
            QVERIFY2(terminalColumns(line) <= 79, qPrintable(line));
    }

    // The desktop entry's actions start the bar ready with their length, not counting.
    void desktopActions()
    {
        const QString entry =
            TC_SOURCE_DIR "/packaging/io.github.talk_countdown.TalkCountdown.desktop";
        QList<int> lengths;
        bool inAction = false;
        for (const QByteArray &line : readAll(entry).split('\n')) {
            if (line.startsWith('['))
                inAction = line.startsWith("[Desktop Action ");
            if (!inAction || !line.startsWith("Exec="))
                continue;
            const QStringList words = QString::fromUtf8(line.mid(5)).split(' ');
            QCOMPARE(words.first(), "talk-countdown");
            const CommandLine::Outcome o = run(words.mid(1), {{"DISPLAY", ":0"}});
            QVERIFY2(o.proceed && !o.options.start, line.constData());
            lengths << o.options.lengthSeconds.value_or(-1);
        }
        QCOMPARE(lengths, (QList<int>{600, 1200, 2700}));
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
