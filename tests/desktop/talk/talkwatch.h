#pragma once

#include "desktopsession.h"
#include "ledreader.h"
#include "monitorrecorder.h"
#include "noticelook.h"
#include "wavfile.h"

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// The notice window, in its own coordinates, and the colours it is drawn in.
using NoticeLook::colourShare;
using NoticeLook::TensDigit;
using NoticeLook::UnitsDigit;
inline const QColor NoticeText = NoticeLook::Text;

// Follows one run of the countdown from just after Start until the notice has closed, as a
// viewer and a listener take it in: the bar's digits and the notice's looks each time they
// change, dated on the test's clock, with the null sink recorded throughout. One key is pressed
// while the notice shows its digits, to find out where the keyboard is.
class TalkWatch
{
public:
    using WindowId = DesktopSession::WindowId;

    struct Seen
    {
        QString look; // "00:07" on the bar; "05", "message" or "closed" on the notice
        double atMs = 0;
        QImage image; // what the notice's place showed; not kept for the bar
    };

    TalkWatch(DesktopSession &session, const QElapsedTimer &clock);

    // Records $TC_PULSE_MONITOR to `path`; call it before Start, so that the recording covers
    // the whole talk.
    bool startRecording(const QString &path, QString *error);
    // Grabs the bar at `bar` (its digits at `digitsAt` inside it) and waits for a window of the
    // program that is not among `known`, then follows that too, until it has closed or the clock
    // reaches `untilMs`.
    void follow(const QRect &bar, const QPoint &digitsAt, const QList<WindowId> &known,
                double untilMs);
    // Records on for a second past the close, then finds the sound in the recording.
    bool finishRecording(QString *error);

    const Seen *firstNotice(const QString &look) const;

    QList<Seen> barSeen;
    int barCovered = 0; // the most pixels of the show's colour on the bar in any grab
    WindowId notice = 0;
    QRect noticeGeometry; // frame included, when first listed
    double listedMs = -1; // the notice first in the window list
    QList<Seen> noticeSeen;
    bool noticeGone = false; // out of the window list after it looked closed
    WindowId focusWhileShown = 0;
    bool keySent = false;
    double recordingStartMs = -1; // when the recording's first frame was captured
    QList<Burst> bursts;          // the loud stretches, in seconds of the recording

private:
    QString noticeLook(const QImage &image) const;
    void lookAtNotice(double atMs);

    DesktopSession &m_session;
    const QElapsedTimer &m_clock;
    MonitorRecorder m_recorder;
    QString m_path;
    float m_blipPeak = 0; // of the program's default sound
    NoticeLook::Reader m_look;
    QString m_candidate;
    double m_candidateAt = 0;
};
