#pragma once

#include "barprobe.h"
#include "desktopsession.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

// Runs the program the way a speaker uses it, for tests that disturb its surroundings (no
// sound server, a dying window manager, a resized screen, a system-call tracer in between).
// Unlike DesktopSession::startProgram it keeps stdout and stderr apart and can start the
// program through a wrapper command. All input goes through the X server, as a user's would.
class TalkDriver
{
public:
    using WindowId = DesktopSession::WindowId;

    enum class MenuEntry { Start, Pause, Settings, Exit };

    // How one talk went, seen from outside.
    struct Talk
    {
        bool started = false;     // Start was chosen from the menu
        double noticeAtMs = -1;   // the notice first listed, after Start
        double noticeGoneMs = -1; // the notice gone again, after Start
        QString barAfter;         // the bar's digits once the notice has gone
    };

    explicit TalkDriver(DesktopSession &session);
    ~TalkDriver();
    TalkDriver(const TalkDriver &) = delete;
    TalkDriver &operator=(const TalkDriver &) = delete;

    // Starts `wrapper... $TC_PROGRAM args...` and waits for the bar to show.
    bool start(const QProcessEnvironment &env, const QStringList &wrapper = {},
               const QString &workingDirectory = {});
    bool isRunning() const;
    qint64 pid() const; // of the process started: the wrapper when there is one
    // Chooses Exit from the menu and waits for a normal exit with code 0.
    bool exitThroughMenu(int timeoutMs = 10000);
    // Ends it if it still runs; says whether it had crashed or been killed.
    void stop();
    bool crashed() const;
    QString standardError();
    QString standardOutput();

    WindowId bar() const { return m_bar; }
    QRect barGeometry();
    bool bordered();
    // The top-left corner of the bar's client area, below its own title bar when it has one.
    QPoint clientOrigin();
    QString readBar();

    // Right-clicks the bar's background and picks an entry with the keyboard.
    bool choose(MenuEntry entry);
    // Right-clicks the bar's background; the menu window that opens, or 0. Leaves it open.
    WindowId openMenu(int timeoutMs = 5000);
    bool closeMenu(WindowId menu);

    // Sets the talk through the settings panel and presses OK; an empty soundPath leaves the
    // sound as it is.
    bool setTalk(int minutes, int seconds, int reminder, const QString &soundPath = {});

    // Chooses Start and follows the notice window until it has gone, at most `timeoutMs`.
    // `poll` runs every few milliseconds meanwhile, with the time since Start.
    Talk runTalk(int timeoutMs = 20000, const std::function<void(double)> &poll = {});

private:
    bool pickFromList(const QPoint &inClient, int value);
    QList<WindowId> windows();

    DesktopSession &m_session;
    QProcess *m_process = nullptr;
    QByteArray m_stdout;
    QByteArray m_stderr;
    WindowId m_bar = 0;
};

// A window of the program that is not the bar and has the notice's size.
inline constexpr QSize NoticeSize(230, 90);

// The bar's fixed places, relative to its client area.
inline constexpr QPoint MenuSpot(5, BarProbe::CollapsedHeight - 5);
inline constexpr QPoint MinutesList(100, 191);
inline constexpr QPoint SecondsList(188, 191);
inline constexpr QPoint ReminderList(100, 223);
inline constexpr QRect SoundPathBox(72, 248, 145, 18);
inline constexpr QPoint OkButton(164, 292);

// The number of lines in a piece of program output, ignoring a missing final newline.
int lineCount(const QString &text);

// Saves a screen grab in the test's working folder for whoever looks into a failure; returns
// where it went.
QString keepScreen(const QImage &image);
