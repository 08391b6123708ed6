// The strace log reader behind the "writes nothing" desktop test: a reader that misses a write,
// or resolves a relative path into a private folder by mistake, would let a real write through.

#include "stracelog.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestStraceLog : public QObject
{
    Q_OBJECT

private slots:
    void writes_data();
    void writes();
};

void TestStraceLog::writes_data()
{
    QTest::addColumn<QString>("log");
    // One entry per change and path: "call path ok" or "call path failed".
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("read-only open")
        << u"10 openat(AT_FDCWD</w>, \"/etc/hosts\", O_RDONLY|O_CLOEXEC) = 3</etc/hosts>"_s
        << QStringList();
    QTest::newRow("open for writing, absolute")
        << u"10 openat(AT_FDCWD</w>, \"/h/.config/pulse/cookie\", O_RDWR|O_CREAT|O_CLOEXEC, "
           "0600) = 16</h/.config/pulse/cookie>"_s
        << QStringList{u"openat /h/.config/pulse/cookie ok"_s};
    QTest::newRow("each writing flag counts")
        << u"1 open(\"/a\", O_WRONLY) = 3\n1 open(\"/b\", O_RDONLY|O_TRUNC) = 3\n"
           "1 openat(AT_FDCWD</w>, \"/c\", O_RDONLY|O_CREAT, 0644) = 4\n"
           "1 openat(AT_FDCWD</w>, \"/d\", O_RDWR|O_TMPFILE, 0600) = 5</d/#12 (deleted)>"_s
        << QStringList{u"open /a ok"_s, u"open /b ok"_s, u"openat /c ok"_s, u"openat /d ok"_s};
    QTest::newRow("relative to the current directory")
        << u"7 openat(AT_FDCWD</home/u>, \"x/../y\", O_WRONLY|O_CREAT|O_TRUNC, 0666) = 3"_s
        << QStringList{u"openat /home/u/y ok"_s};
    QTest::newRow("relative to a directory descriptor")
        << u"7 openat(9</tmp/d>, \"../e\", O_RDWR) = 4</tmp/e>"_s
        << QStringList{u"openat /tmp/e ok"_s};
    QTest::newRow("no descriptor: the given working directory")
        << u"7 mkdir(\"sub\", 0700) = 0\n7 creat(\"f\", 0644) = 3"_s
        << QStringList{u"mkdir /cwd/sub ok"_s, u"creat /cwd/f ok"_s};
    QTest::newRow("failed")
        << u"3 openat(AT_FDCWD</w>, \"/root/x\", O_WRONLY|O_CREAT, 0600) = -1 EACCES "
           "(Permission denied)"_s
        << QStringList{u"openat /root/x failed"_s};
    QTest::newRow("split by another thread")
        << u"5 openat(AT_FDCWD</w>, \"/s/a\", O_WRONLY|O_CREAT, 0600 <unfinished ...>\n"
           "6 openat(AT_FDCWD</w>, \"/etc/passwd\", O_RDONLY) = 4\n"
           "6 unlink(\"/s/b\" <unfinished ...>\n"
           "5 <... openat resumed>) = 3</s/a>\n"
           "6 <... unlink resumed>) = -1 ENOENT (No such file or directory)"_s
        << QStringList{u"openat /s/a ok"_s, u"unlink /s/b failed"_s};
    QTest::newRow("renames name both ends")
        << u"2 renameat2(AT_FDCWD</w>, \"t.tmp\", 5</k>, \"t\", RENAME_NOREPLACE) = 0\n"
           "2 rename(\"/o\", \"n\") = 0"_s
        << QStringList{u"renameat2 /w/t.tmp ok"_s, u"renameat2 /k/t ok"_s, u"rename /o ok"_s,
                       u"rename /cwd/n ok"_s};
    QTest::newRow("removals and links")
        << u"4 unlinkat(AT_FDCWD</w>, \"gone\", 0) = 0\n4 rmdir(\"/r\") = 0\n"
           "4 linkat(AT_FDCWD</w>, \"/proc/self/fd/3\", AT_FDCWD</w>, \"/l\", "
           "AT_SYMLINK_FOLLOW) = 0\n4 symlinkat(\"/target\", 6</q>, \"link\") = 0"_s
        << QStringList{u"unlinkat /w/gone ok"_s, u"rmdir /r ok"_s, u"linkat /l ok"_s,
                       u"symlinkat /q/link ok"_s};
    QTest::newRow("escapes in paths")
        << u"8 openat(AT_FDCWD</w>, \"/a\\\"b\\303\\251\\n\", O_WRONLY|O_CREAT, 0600) = 3"_s
        << QStringList{u"openat /a\"bé\n ok"_s};
    QTest::newRow("commas and brackets inside a path")
        << u"8 openat(AT_FDCWD</w>, \"/x, y>{z\", O_WRONLY|O_CREAT, 0600) = 3"_s
        << QStringList{u"openat /x, y>{z ok"_s};
    QTest::newRow("a cut path is not taken for another")
        << u"8 openat(AT_FDCWD</w>, \"/very/long\"..., O_WRONLY|O_CREAT, 0600) = 3"_s
        << QStringList{u"openat <unreadable: \"/very/long\"...> ok"_s};
    QTest::newRow("signals and exits are no calls")
        << u"9 --- SIGCHLD {si_signo=SIGCHLD, si_code=CLD_EXITED} ---\n9 +++ exited with 0 +++"_s
        << QStringList();
}

void TestStraceLog::writes()
{
    QFETCH(QString, log);
    QFETCH(QStringList, expected);
    QStringList seen;
    for (const StraceLog::Change &c : StraceLog::writes(log, u"/cwd"_s)) {
        for (const QString &path : c.paths)
            seen << u"%1 %2 %3"_s.arg(c.call, path, c.succeeded ? u"ok"_s : u"failed"_s);
    }
    QCOMPARE(seen, expected);
}

QTEST_MAIN(TestStraceLog)
#include "tst_stracelog.moc"
