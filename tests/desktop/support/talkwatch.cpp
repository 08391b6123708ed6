#include "talkwatch.h"

#include "ledreader.h"
#include "pixels.h"

#include <QTest>

using namespace Qt::StringLiterals;

const TalkWatch::Seen *TalkWatch::Talk::firstNotice(const QString &look) const
{
    for (const Seen &s : noticeSeen) {
        if (s.look == look)
            return &s;
    }
    return nullptr;
}

TalkWatch::TalkWatch(BarDriver &bar, Watch watch)
    : m_bar(bar)
    , m_session(bar.session())
    , m_watch(watch)
    , m_recorder(bar.session().clock())
{}

bool TalkWatch::record(const QString &path, float referencePeak)
{
    m_recordingPath = path;
    m_referencePeak = referencePeak;
    return m_recorder.start(qEnvironmentVariable("TC_PULSE_MONITOR"), path);
}

bool TalkWatch::keyboardTest(const QString &key)
{
    return m_session.key(key) && m_session.waitForLine(u"key "_s + key);
}

TalkWatch::Talk TalkWatch::run(BarDriver::By by, int timeoutMs)
{
    m_talk = Talk();
    m_candidate.clear();
    m_nextFocusSampleMs = 0;
    const bool screen = m_watch == Watch::Screen;
    const QList<WindowId> known = m_bar.windows();
    m_barRect = m_bar.geometry();
    m_digitsAt = m_bar.client() - m_barRect.topLeft();
    m_talk.started = m_bar.choose(BarDriver::Entry::Start, by);
    if (!m_talk.started) {
        m_talk.failure = u"Start could not be chosen"_s;
        return m_talk;
    }
    m_startMs = m_bar.chosenAtMs();
    qsizetype showLinesFrom = 0;
    if (screen) {
        // The menu's keyboard grab takes the focus from the show for a moment; a key sent now
        // arrives once the show has it back, and everything printed until then is left behind.
        if (!keyboardTest(u"m"_s)) {
            m_talk.failure = u"the show did not get the keyboard back after the menu"_s;
            return m_talk;
        }
        showLinesFrom = m_session.fakeShowLines().lastIndexOf(u"key m"_s) + 1;
        m_talk.focusBefore = m_session.focusedWindow();
    }

    while (sinceStart() < timeoutMs) {
        m_recorder.poll();
        const double at = sinceStart();
        if (m_poll)
            m_poll(at);
        if (!m_session.programRunning())
            break;
        if (screen)
            lookAtBar(at);
        if (!m_talk.notice) {
            for (WindowId id : m_bar.windows()) {
                if (!known.contains(id)) {
                    m_talk.notice = id;
                    m_talk.listedMs = at;
                    m_talk.noticeInfo = m_session.windowInfo(id);
                }
            }
        } else if (screen) {
            lookAtNotice(at);
            if (!m_talk.noticeSeen.isEmpty() && m_talk.noticeSeen.last().look == u"closed"_s)
                break;
        } else if (!m_bar.windows().contains(m_talk.notice)) {
            m_talk.goneMs = at;
            break;
        }
        QTest::qWait(screen ? 5 : 20);
    }
    if (m_talk.notice && m_talk.goneMs < 0
        && QTest::qWaitFor([&] { return !m_bar.windows().contains(m_talk.notice); }, 2000))
        m_talk.goneMs = sinceStart();
    finishRecording();
    // A last key fetches everything the show printed meanwhile.
    if (screen) {
        if (keyboardTest(u"z"_s))
            m_talk.showLines = m_session.fakeShowLines().mid(showLinesFrom);
        else
            m_talk.failure = u"the show did not get a key after the talk"_s;
    }
    if (m_session.programRunning())
        m_talk.barAfter = m_bar.read();
    return m_talk;
}

void TalkWatch::lookAtBar(double atMs)
{
    const QImage shot = Pixels::grab(m_barRect);
    m_talk.barCovered =
        std::max(m_talk.barCovered, Pixels::countColour(shot, shot.rect(), ShowColour));
    const QString digits = LedReader::readBar(shot, m_digitsAt);
    if (!digits.contains(u'?')
        && (m_talk.barSeen.isEmpty() || m_talk.barSeen.last().look != digits))
        m_talk.barSeen.append({digits, atMs, {}});
}

void TalkWatch::lookAtNotice(double atMs)
{
    const QImage shot = Pixels::grab(m_talk.noticeInfo.frameGeometry);
    const QString look = m_reader.look(shot);
    // A look counts once two grabs in a row agree, so a half-painted window is never taken for
    // a step of its own; it is dated by the first of the two.
    if (look != m_candidate) {
        m_candidate = look;
        m_candidateAtMs = atMs;
    } else {
        // Until it is painted, a freshly mapped window shows what lies under it.
        const QString last =
            m_talk.noticeSeen.isEmpty() ? u"closed"_s : m_talk.noticeSeen.last().look;
        if (!look.isEmpty() && look != last)
            m_talk.noticeSeen.append({look, m_candidateAtMs, shot});
    }

    if (m_talk.screenAtAppearance.isNull() && atMs >= m_talk.listedMs + 500)
        m_talk.screenAtAppearance = m_session.grabScreen();
    if (m_talk.noticeSeen.isEmpty())
        return;
    if (atMs >= m_nextFocusSampleMs) {
        m_talk.focusWhileShown << m_session.focusedWindow();
        m_nextFocusSampleMs = atMs + 400;
    }
    // Whether the key reached the show is read later from what the show printed.
    const bool digits = look.size() == 2 && look.front().isDigit();
    if (!m_talk.keySent && digits && atMs >= m_talk.noticeSeen.first().atMs + 300)
        m_talk.keySent = m_session.key(u"a"_s);
}

void TalkWatch::finishRecording()
{
    if (m_recordingPath.isEmpty())
        return;
    // Anything the program left playing would be heard here.
    const Seen *closed = m_talk.firstNotice(u"closed"_s);
    const double closedAt = closed ? closed->atMs : sinceStart();
    while (sinceStart() < closedAt + 1500) {
        m_recorder.poll();
        QTest::qWait(10);
    }
    QString error;
    m_talk.recording = m_recorder.stopAndRead(&error);
    m_recordingPath.clear();
    if (!m_talk.recording) {
        m_talk.failure = error;
        return;
    }
    if (const double first = m_recorder.firstFrameAtMs(*m_talk.recording); first >= 0)
        m_talk.recordingStartMs = first - m_startMs;
    // Silence on the null sink is digital zero; a twentieth of the tone's peak is sound.
    m_talk.bursts = findBursts(*m_talk.recording, 0.05f * m_referencePeak);
}
