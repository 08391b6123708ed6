#include "commandline.h"

#include <QTest>

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
        QTest::addRow("unknown option")
            << QStringList{"--fullscreen"} << "DISPLAY=:0" << false << 2 << ""
            << "unknown option '--fullscreen'";
        QTest::addRow("a stray file name")
            << QStringList{"talk.odp"} << "DISPLAY=:0" << false << 2 << ""
            << "'talk.odp'";
    }

    void outcomes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, env);
        QFETCH(bool, proceed);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutStart);
        QFETCH(QString, stderrPart);
        QHash<QByteArray, QByteArray> vars;
        for (const QString &pair : env.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            vars.insert(pair.section(QLatin1Char('='), 0, 0).toUtf8(),
                        pair.section(QLatin1Char('='), 1).toUtf8());
        const CommandLine::Outcome o =
            CommandLine::check(QStringList{"talk-countdown"} + arguments,
                               [&](const char *name) { return vars.value(QByteArray(name)); });
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
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
