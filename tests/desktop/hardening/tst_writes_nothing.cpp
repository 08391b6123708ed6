// The program keeps nothing between runs, so it has no business writing files: a whole talk,
// settings, notice, sound and Exit, is run under strace, and every call that writes to the file
// system must stay inside the private home, config, cache, data and runtime folders given to
// it, or be one of the few the platform itself needs (listed below with their reasons). After
// Exit those folders must be as empty as they were given: nothing saved, no lock file left.

#include "mmss.h"
#include "stracelog.h"
#include "talkwatch.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Writes the platform makes on the program's behalf, wherever it runs.
struct Allowance
{
    const char *pattern; // a regular expression for the whole path
    const char *reason;
};

const Allowance PlatformWrites[] = {
    // Opened read-write by many libraries as a sink; writes there go nowhere.
    {R"(/dev/null)", "the null device"},
    // libpulse hands audio to the server through POSIX shared memory ("pulse-shm-<n>") when
    // memfd is not used, creating and unlinking one segment per pool.
    {R"(/dev/shm/pulse-shm-\d+)", "the sound client's shared memory"},
    // Qt reads its own process's entries; some are opened read-write (e.g. for timer slack).
    {R"(/proc/(self|thread-self|\d+)(/task/\d+)?/[a-z_/]+)", "the process's own /proc entries"},
};

QString allowanceFor(const QString &path)
{
    for (const Allowance &a : PlatformWrites) {
        const QRegularExpression re(
            QRegularExpression::anchoredPattern(QString::fromLatin1(a.pattern)));
        if (re.match(path).hasMatch())
            return QString::fromLatin1(a.reason);
    }
    return {};
}

bool inside(const QString &path, const QString &dir)
{
    return path == dir || path.startsWith(dir + u'/');
}

} // namespace

class TestWritesNothing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wholeTalkWritesOnlyPrivateFolders();

private:
    QString makeDir(const QString &name, bool ownerOnly = false);

    DesktopSession m_session;
    QTemporaryDir m_root;
};

void TestWritesNothing::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(u"strace"_s).isEmpty(), "strace is not installed");
    QVERIFY(m_root.isValid());
}

QString TestWritesNothing::makeDir(const QString &name, bool ownerOnly)
{
    const QString path = m_root.filePath(name);
    QDir().mkpath(path);
    if (ownerOnly)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // strace prints the paths the kernel resolved, symbolic links and all.
    return QFileInfo(path).canonicalFilePath();
}

void TestWritesNothing::wholeTalkWritesOnlyPrivateFolders()
{
    const QString home = makeDir(u"home"_s);
    const QString config = makeDir(u"config"_s);
    const QString cache = makeDir(u"cache"_s);
    const QString data = makeDir(u"data"_s);
    const QString runtime = makeDir(u"runtime"_s, true);
    // Neither the working folder nor the trace's folder is the program's to write to.
    const QString cwd = makeDir(u"cwd"_s);
    const QString traceDir = makeDir(u"trace"_s);
    const QStringList privateDirs{home, config, cache, data, runtime};
    for (const QString &dir : privateDirs)
        QVERIFY(!dir.isEmpty());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.insert(u"XDG_CONFIG_HOME"_s, config);
    env.insert(u"XDG_CACHE_HOME"_s, cache);
    env.insert(u"XDG_DATA_HOME"_s, data);
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime);

    const QString log = traceDir + u"/strace.log"_s;
    // Beyond the opens, renames, unlinks and mkdirs, the *at and newer forms glibc and Qt use
    // for them (Qt renames with renameat2), links and truncation.
    const QStringList strace{u"strace"_s,
                             u"-f"_s,
                             u"-y"_s,
                             u"-s"_s,
                             u"4096"_s,
                             u"-o"_s,
                             log,
                             u"-e"_s,
                             u"trace=open,openat,openat2,creat,rename,renameat,renameat2,"
                             "unlink,unlinkat,rmdir,mkdir,mkdirat,link,linkat,symlink,"
                             "symlinkat,truncate"_s};

    BarDriver driver(m_session);
    QVERIFY(driver.start(env, strace, cwd));
    QVERIFY(driver.setTalk(0, 5, 3));
    QTRY_COMPARE(driver.read(), mmss(5));
    const TalkWatch::Talk talk =
        TalkWatch(driver, TalkWatch::Watch::Windows).run(BarDriver::By::Keyboard, 30000);
    qInfo("notice at %.0f ms, gone at %.0f ms", talk.listedMs, talk.goneMs);
    QVERIFY2(talk.listedMs >= 0 && talk.goneMs >= 0, "the notice did not come and go");
    QCOMPARE(talk.barAfter, mmss(5));
    QVERIFY(driver.exitThroughMenu());

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString trace = QString::fromUtf8(file.readAll());
    // The trace must have seen the worker thread check the sound file and the player load it,
    // or it missed what it is meant to watch.
    const QString sound = DesktopSession::programDir() + u"/blip.wav"_s;
    QVERIFY2(trace.count(u"\"%1\", O_RDONLY"_s.arg(sound)) >= 2,
             "the trace does not show the sound file being read twice");

    QStringList refused;
    for (const StraceLog::Change &change : StraceLog::writes(trace, cwd)) {
        for (const QString &path : change.paths) {
            QString verdict;
            if (std::any_of(privateDirs.begin(), privateDirs.end(),
                            [&](const QString &dir) { return inside(path, dir); }))
                verdict = u"private folder"_s;
            else if (const QString reason = allowanceFor(path); !reason.isEmpty())
                verdict = u"allowed: "_s + reason;
            else if (!change.succeeded)
                verdict = u"failed, so harmless"_s;
            else
                refused << u"%1 %2 = %3"_s.arg(change.call, path, change.result);
            qInfo().noquote() << change.call << path << "=" << change.result << "-"
                              << (verdict.isEmpty() ? u"REFUSED"_s : verdict);
        }
    }
    QVERIFY2(refused.isEmpty(),
             qPrintable(u"written outside the private folders:\n  "_s + refused.join(u"\n  "_s)));

    // The bar holds a lock file in the runtime folder while it runs (a bus is present here);
    // seeing it made shows that the check below can see what the program leaves.
    QVERIFY2(trace.contains(u"\"%1/"_s.arg(runtime)) && trace.contains(u".lock\""_s),
             "the trace does not show the lock file in the runtime folder");
    // The sound client library makes the user's sound-server cookie when there is none (every
    // desktop with sound has it already); that, and its folder, is the only thing left.
    const QStringList soundCookie{config + u"/pulse"_s, config + u"/pulse/cookie"_s};
    QStringList left;
    for (const QString &dir : privateDirs) {
        QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (const QString path = it.next(); !soundCookie.contains(path))
                left << path;
        }
    }
    QVERIFY2(left.isEmpty(), qPrintable(u"left behind:\n  "_s + left.join(u"\n  "_s)));
}

QTEST_MAIN(TestWritesNothing)
#include "tst_writes_nothing.moc"
