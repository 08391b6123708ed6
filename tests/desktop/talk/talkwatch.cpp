#include "talkwatch.h"

#include "barprobe.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// A part of the screen only: far quicker than the whole root window, so steps are dated closely.
QImage grab(const QRect &r)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

TalkWatch::TalkWatch(DesktopSession &session, const QElapsedTimer &clock)
    : m_session(session)
    , m_clock(clock)
    , m_recorder(clock)
{}

bool TalkWatch::startRecording(const QString &path, QString *error)
{
    // The recording is measured against the default sound's own peak.
    const std::optional<WavFile> blip = WavFile::read(
        QFileInfo(qEnvironmentVariable("TC_PROGRAM")).dir().filePath(u"blip.wav"_s), error);
    if (!blip)
        return false;
    m_blipPeak = blip->peak();
    if (m_blipPeak < 0.3f) {
        *error = u"the default sound is too quiet to be told from silence"_s;
        return false;
    }
    m_path = path;
    if (!m_recorder.start(qEnvironmentVariable("TC_PULSE_MONITOR"), path)) {
        *error = u"cannot record the null sink"_s;
        return false;
    }
    return true;
}

QString TalkWatch::noticeLook(const QImage &image) const
{
    const auto [kind, value] = m_look.read(image);
    switch (kind) {
    case NoticeLook::Kind::Closed:
        return u"closed"_s;
    case NoticeLook::Kind::Digits:
        return u"%1"_s.arg(value, 2, 10, QLatin1Char('0'));
    case NoticeLook::Kind::Message:
        return u"message"_s;
    case NoticeLook::Kind::Other:
        break;
    }
    return {};
}

void TalkWatch::lookAtNotice(double atMs)
{
    const QImage shot = grab(noticeGeometry);
    const QString look = noticeLook(shot);
    // A look counts once two grabs in a row agree, so a half-painted window is never taken for
    // a step of its own; it is dated by the first of the two.
    if (look != m_candidate) {
        m_candidate = look;
        m_candidateAt = atMs;
        return;
    }
    // Until it is painted, a freshly mapped window shows what lies under it.
    const QString last = noticeSeen.isEmpty() ? u"closed"_s : noticeSeen.last().look;
    if (!look.isEmpty() && look != last)
        noticeSeen.append({look, m_candidateAt, shot});
}

void TalkWatch::follow(const QRect &bar, const QPoint &digitsAt, const QList<WindowId> &known,
                       double untilMs)
{
    while (m_clock.elapsed() < untilMs
           && (noticeSeen.isEmpty() || noticeSeen.last().look != u"closed"_s)) {
        m_recorder.poll();
        const double at = double(m_clock.nsecsElapsed()) / 1e6;
        const QImage barShot = grab(bar);
        barCovered = std::max(barCovered,
                              BarProbe::countColour(barShot, barShot.rect(), BarProbe::ShowColour));
        const QString digits = BarProbe::readDigits(barShot, digitsAt);
        if (!digits.contains(u'?') && (barSeen.isEmpty() || barSeen.last().look != digits))
            barSeen.append({digits, at, {}});

        if (!notice) {
            for (WindowId id : BarProbe::programWindows(m_session)) {
                if (!known.contains(id)) {
                    notice = id;
                    listedMs = at;
                    noticeGeometry = m_session.windowInfo(id).frameGeometry;
                }
            }
        } else {
            lookAtNotice(at);
            if (!keySent && !noticeSeen.isEmpty() && at > noticeSeen.first().atMs + 300) {
                focusWhileShown = m_session.focusedWindow();
                keySent = m_session.key(u"a"_s);
            }
        }
        QTest::qWait(5);
    }
    noticeGone = notice && QTest::qWaitFor([&] {
                     return !BarProbe::programWindows(m_session).contains(notice);
                 });
}

bool TalkWatch::finishRecording(QString *error)
{
    // Anything the program left playing would be heard here.
    const qint64 end = m_clock.elapsed() + 1000;
    while (m_clock.elapsed() < end) {
        m_recorder.poll();
        QTest::qWait(10);
    }
    if (!m_recorder.stop()) {
        *error = u"parecord did not stop cleanly"_s;
        return false;
    }
    const std::optional<WavFile> wav = WavFile::read(m_path, error);
    if (!wav)
        return false;
    recordingStartMs = m_recorder.firstFrameAtMs(wav->dataOffset, wav->bytesPerSecond());
    // Silence on the null sink is digital zero; a twentieth of the tone's peak is sound.
    bursts = findBursts(*wav, 0.05f * m_blipPeak);
    return true;
}

const TalkWatch::Seen *TalkWatch::firstNotice(const QString &look) const
{
    for (const Seen &s : noticeSeen) {
        if (s.look == look)
            return &s;
    }
    return nullptr;
}
