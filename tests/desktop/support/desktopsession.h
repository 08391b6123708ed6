#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStringList>

#include <functional>

// Drives a desktop test: starts the program under test ($TC_PROGRAM) and the stand-in slide show
// ($TC_FAKESHOW), looks at the X desktop and sends it input through xdotool, xwininfo and xprop.
// It knows nothing of the program's windows; BarDriver does.
// Meant for Qt Test executables run by with-desktop.sh with QT_QPA_PLATFORM=xcb. Every wait polls
// its condition until a timeout; nothing sleeps blindly. Whatever was started is stopped on
// destruction.
class DesktopSession
{
public:
    using WindowId = quint64;

    struct WindowInfo
    {
        QRect geometry; // the client area, in root coordinates
        // With the window manager's decorations; the same as geometry when override-redirect.
        QRect frameGeometry;
        bool viewable = false;
        bool overrideRedirect = false;
    };

    enum class Match { Class, Name };

    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession &) = delete;
    DesktopSession &operator=(const DesktopSession &) = delete;

    // The program under test, behind `wrapper` (strace, say) when one is given. Its stdout and
    // stderr are kept apart and shown when the current test has failed by the time it stops.
    bool startProgram(const QStringList &args = {},
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                      const QStringList &wrapper = {}, const QString &workingDirectory = {});
    QProcess *program() const { return m_program; }
    bool programRunning() const;
    bool programCrashed() const;
    bool waitForProgramExit(int timeoutMs = 5000);
    // Ends it if it still runs.
    void stopProgram();
    QString standardOutput();
    QString standardError();
    // The folder the program under test is in; its default sound, blip.wav, lies beside it.
    static QString programDir();

    // Every time in a desktop test is read on this clock, started with the session.
    const QElapsedTimer &clock() const { return m_clock; }
    double nowMs() const { return double(m_clock.nsecsElapsed()) / 1e6; }

    // The fake slide show. startFakeShow() returns once it says "ready" (full screen, or
    // windowed with "--windowed" among `args`, and focused).
    bool startFakeShow(int timeoutMs = 10000, const QStringList &args = {});
    // Sends the fake show a command ("hide", "show", "fullscreen") and waits for its answer.
    bool tellFakeShow(const QString &command, const QString &answer, int timeoutMs = 10000);
    void stopFakeShow();
    // Waits for a line the fake show prints. Lines are consumed: a match and every line before
    // it are not matched again, so waiting twice for "key a" needs two presses of "a".
    bool waitForLine(const QString &line, int timeoutMs = 5000);
    QStringList fakeShowLines() const { return m_showLines; }
    WindowId fakeShowWindow(int timeoutMs = 5000);

    // Visible windows whose WM_CLASS or title matches the regular expression.
    QList<WindowId> findWindows(const QString &pattern, Match by = Match::Class,
                                int timeoutMs = 10000);
    WindowInfo windowInfo(WindowId id);
    // The value of a window property as xprop prints it after "=", or empty when it is not set.
    QString property(WindowId id, const QString &atom);
    WindowId focusedWindow();
    WindowId activeWindow();
    // The uppermost viewable child of the root at `at`: a managed window's frame, or an
    // override-redirect window itself.
    WindowId uppermostAt(const QPoint &at);
    // The child of the root that holds the window (its frame when it is managed); 0 if unknown.
    WindowId topLevelOf(WindowId id);

    QSize screenSize() const;
    QImage grabScreen() const;

    bool click(const QPoint &at, int button = 1);
    bool mouseMove(const QPoint &to);
    bool key(const QString &keys); // xdotool key names separated by spaces: "Return", "ctrl+q b"
    bool type(const QString &text);

    // Runs a helper tool and waits for it; true when it exits with 0.
    static bool run(const QString &program, const QStringList &args, QString *out = nullptr,
                    int timeoutMs = 10000);

private:
    static QProcess *launch(const char *variable, const QStringList &args,
                            const QProcessEnvironment &env, QProcess::ProcessChannelMode mode,
                            const QStringList &wrapper = {}, const QString &workingDirectory = {});
    static void stop(QProcess *&process, const std::function<void()> &beforeDelete = {});
    void readShowLines();

    QElapsedTimer m_clock;
    QProcess *m_program = nullptr;
    QByteArray m_stdout;
    QByteArray m_stderr;
    QProcess *m_show = nullptr;
    QByteArray m_showPartial;
    QStringList m_showLines;
    qsizetype m_showConsumed = 0;
};
