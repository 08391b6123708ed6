#pragma once

#include "bardriver.h"
#include "monitorrecorder.h"
#include "noticereader.h"
#include "wavfile.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Starts a talk from the bar's menu and follows it until the notice has closed, as a viewer and
// a listener take it in. Watching the windows, it notes when the notice is listed and gone.
// Watching the screen as well (a fake slide show must be up), it grabs the bar and the notice's
// place every few milliseconds and notes each look once it holds, samples the keyboard focus,
// and presses a key while the notice shows its digits, to find out where the keyboard is.
class TalkWatch
{
public:
    using WindowId = DesktopSession::WindowId;
    enum class Watch { Windows, Screen };

    struct Seen
    {
        QString look; // "00:07" on the bar; "05", "message" or "closed" on the notice
        double atMs = 0;
        QImage image; // what the notice's place showed; not kept for the bar
    };

    // How one talk went. Times are in ms after Start was picked.
    struct Talk
    {
        bool started = false;
        QString failure; // what kept the watch from its work, if anything

        WindowId notice = 0;
        DesktopSession::WindowInfo noticeInfo; // when first listed
        double listedMs = -1;
        double goneMs = -1; // out of the window list again
        QString barAfter;   // the bar's digits once the notice has gone

        // Watching the screen:
        QList<Seen> barSeen;
        int barCovered = 0; // the most pixels of the show's colour on the bar in any grab
        QList<Seen> noticeSeen;
        QImage screenAtAppearance; // the whole screen half a second after the notice was listed
        WindowId focusBefore = 0;  // once the menu had handed the keyboard back
        QList<WindowId> focusWhileShown; // sampled every 400 ms
        bool keySent = false;            // "a", while the notice showed its digits
        QStringList showLines; // what the show printed from just after Start to after the close

        // Recording:
        std::optional<WavFile> recording;
        std::optional<double> recordingStartMs; // when its first frame was captured
        QList<Burst> bursts;                    // in seconds of the recording

        const Seen *firstNotice(const QString &look) const;
    };

    TalkWatch(BarDriver &bar, Watch watch);

    // Records $TC_PULSE_MONITOR to `path` from now until a second and a half after the notice
    // has closed; what is louder than a twentieth of `referencePeak` counts as sound.
    bool record(const QString &path, float referencePeak);
    // Runs every round, with the time since Start.
    void setPoll(std::function<void(double)> poll) { m_poll = std::move(poll); }

    Talk run(BarDriver::By by = BarDriver::By::Keyboard, int timeoutMs = 20000);

private:
    double sinceStart() const { return m_session.nowMs() - m_startMs; }
    void lookAtBar(double atMs);
    void lookAtNotice(double atMs);
    bool keyboardTest(const QString &key);
    void finishRecording();

    BarDriver &m_bar;
    DesktopSession &m_session;
    const Watch m_watch;
    NoticeReader m_reader;
    MonitorRecorder m_recorder;
    QString m_recordingPath;
    float m_referencePeak = 0;
    std::function<void(double)> m_poll;

    Talk m_talk;
    double m_startMs = 0;
    QRect m_barRect;
    QPoint m_digitsAt;
    QString m_candidate;
    double m_candidateAtMs = 0;
    double m_nextFocusSampleMs = 0;
};
