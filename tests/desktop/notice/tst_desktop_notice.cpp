// The notice window on a real desktop, driven the way a speaker does it: the talk is set to
// 0:05 with the reminder at 3 s in the bar's settings, a slide show goes full screen and holds
// the focus, and the countdown is started from the bar's menu. One showing of the notice is
// watched from start to end - its place on screen grabbed every few milliseconds, the focus
// sampled, the null sink's monitor recorded - and each test then judges one side of what was
// seen. The one showing keeps a run short enough to repeat.

#include "desktopsession.h"
#include "ledreader.h"
#include "monitorrecorder.h"
#include "noticelook.h"
#include "wavfile.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using WindowId = DesktopSession::WindowId;

namespace {

// The notice window, in its own coordinates, and its colours.
using NoticeLook::GlyphBack;
using NoticeLook::GlyphLit;
using NoticeLook::ShowColour;
using NoticeLook::TensDigit;
using NoticeLook::UnitsDigit;
constexpr QSize NoticeSize = NoticeLook::Size;
const QColor NoticeBack = NoticeLook::Back;
const QColor NoticeFrame = NoticeLook::Frame;
const QColor NoticeText = NoticeLook::Text;

// Where the notice's top-left corner belongs on each screen size the tests run at: the centre,
// with a half pixel going to the even neighbour (1365x767 has a half in both directions and
// rounds one up and one down).
struct Centre
{
    QSize screen;
    QPoint noticeTopLeft;
};
constexpr Centre Centres[] = {
    {{1920, 1080}, {845, 495}},
    {{1365, 767}, {568, 338}},
    {{1280, 800}, {525, 355}},
};

// The bar while its settings are open and before it has a border: client = window.
constexpr QPoint MinutesList(100, 191);
constexpr QPoint SecondsList(188, 191);
constexpr QPoint ReminderList(100, 223);
constexpr QPoint OkButton(164, 292);
constexpr int BarExpandedHeight = 347;

// The bar's digit boxes: unscaled glyph cells, side by side at this pitch.
constexpr QSize BarGlyph(41, 69);
constexpr int BarDigitPitch = 48;

enum MenuItem { Start, Pause, Settings, Exit };

// The talk the tests set up: 0:05 with the reminder at 3 s.
constexpr int TalkSeconds = 5;
constexpr int ReminderSeconds = 3;

using NoticeLook::colourShare;

QImage grab(const QRect &r)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QList<WindowId> programWindows()
{
    QString out;
    // xdotool exits with 1 while nothing matches.
    DesktopSession::run(
        u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"^talk-countdown$"_s}, &out);
    QList<WindowId> ids;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        ids << line.trimmed().toULongLong();
    return ids;
}

// The rows of a menu image holding dark text, as (top, bottom) pairs; separators are too
// light to count.
QList<QPair<int, int>> textRows(const QImage &menu)
{
    QList<QPair<int, int>> rows;
    for (int y = 0; y < menu.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < menu.width(); ++x)
            dark += qGray(menu.pixel(x, y)) < 100;
        if (dark < 2)
            continue;
        // The strokes of one caption can leave a blank row or two between them.
        if (!rows.isEmpty() && y - rows.last().second <= 3)
            rows.last().second = y;
        else
            rows.append({y, y});
    }
    return rows;
}

} // namespace

class TestNoticeDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void placedAtScreenCentre();
    void drawnAboveShow_data();
    void drawnAboveShow();
    void digitsReadAsGlyphs_data();
    void digitsReadAsGlyphs();
    void showsEachStepOnce();
    void countsOncePerSecond_data();
    void countsOncePerSecond();
    void showKeepsFocus();
    void soundStartsOnSecondTick();
    void soundAtHalfVolume();
    void soundIsOneBlipThenSilence();
    void closingMessageReplacesDigits();
    void closesFourSecondsAfterMessage();
    void barBackAtPreset();

private:
    using Look = NoticeLook::Kind;
    struct Stage
    {
        Look look = Look::Other;
        int value = -1; // the number shown, for Digits
        double atMs = 0;
        QImage image; // the notice's place on screen
    };

    double nowMs() const { return double(m_clock.nsecsElapsed()) / 1e6; }
    QPair<Look, int> classify(const QImage &image) const;
    const Stage *stage(Look look, int value = -1) const;
    QList<int> readBar();
    WindowId waitForNewWindow(const QList<WindowId> &before, int timeoutMs = 5000) const;
    bool chooseFromBarMenu(MenuItem item);
    bool pickFromList(QPoint listInBar, int index);
    void watchShowing();
    void dumpEvidence();

    DesktopSession m_session;
    QElapsedTimer m_clock;
    QTemporaryDir m_dir;
    LedReader m_noticeDigits{TensDigit.size()};
    NoticeLook::Reader m_noticeLook;
    LedReader m_barDigits{BarGlyph};
    WindowId m_bar = 0;
    WindowId m_show = 0;

    // What one showing looked like.
    WindowId m_notice = 0;
    DesktopSession::WindowInfo m_noticeInfo;
    double m_startedMs = -1;
    double m_listedMs = -1; // the notice first in the window list
    QList<Stage> m_stages;
    QImage m_screenAtAppearance;
    WindowId m_focusBefore = 0;
    QList<WindowId> m_focusWhileShown;
    bool m_keyWhileShown = false;  // a key was pressed while the digits showed
    bool m_keyArrived = false;     // and the show got it
    QStringList m_showLinesDuring; // what the show printed from just after Start to after the close
    bool m_goneFromList = false;
    QList<int> m_barAfterClose;
    std::optional<WavFile> m_recording;
    double m_recordingStartMs = -1;
    float m_blipPeak = 0;
    QList<Burst> m_bursts;
    bool m_dumped = false;
};

void TestNoticeDesktop::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("TC_PULSE_MONITOR"),
             "needs the null sink of with-desktop.sh --sound");
    QVERIFY(m_dir.isValid());
    m_clock.start();

    // The level the recording is measured against: the default sound's own peak.
    const QString blipPath =
        QFileInfo(qEnvironmentVariable("TC_PROGRAM")).dir().filePath(u"blip.wav"_s);
    QString error;
    const std::optional<WavFile> blip = WavFile::read(blipPath, &error);
    QVERIFY2(blip, qPrintable(error));
    m_blipPeak = blip->peak();
    QVERIFY2(m_blipPeak > 0.3f, "the default sound is a clearly audible tone");

    QVERIFY(m_session.startProgram());
    const QList<WindowId> first = m_session.findWindows(u"^talk-countdown$"_s);
    QCOMPARE(first.size(), 1);
    m_bar = first.first();

    // The talk: 0 min 5 s, reminder at 3 s.
    QVERIFY(chooseFromBarMenu(Settings));
    QTRY_COMPARE(m_session.windowInfo(m_bar).geometry.height(), BarExpandedHeight);
    QVERIFY(pickFromList(MinutesList, 0));
    QVERIFY(pickFromList(SecondsList, TalkSeconds));
    QVERIFY(pickFromList(ReminderList, ReminderSeconds));
    QVERIFY(m_session.click(m_session.windowInfo(m_bar).geometry.topLeft() + OkButton));
    QTRY_VERIFY(m_session.windowInfo(m_bar).geometry.height() < BarExpandedHeight);
    const QList<int> preset{0, 0, LedReader::Colon, 0, TalkSeconds};
    QTRY_COMPARE(readBar(), preset);

    QVERIFY(m_session.startFakeShow());
    m_show = m_session.fakeShowWindow();
    QVERIFY(m_show != 0);
    // The bar lifts itself above the show within a second; only then can it be clicked.
    QTRY_VERIFY2_WITH_TIMEOUT(colourShare(grab(m_session.windowInfo(m_bar).geometry),
                                          QRect(0, 0, 9999, 9999), ShowColour, 8)
                                  < 0.01,
                              "the bar stays hidden under the full-screen show", 3000);

    watchShowing();
}

// Starts the countdown and follows the notice window from its appearance until it has been
// gone for a while. Records what it sees; the tests judge it.
void TestNoticeDesktop::watchShowing()
{
    MonitorRecorder recorder(m_clock);
    const QString recordingPath = m_dir.filePath(u"monitor.wav"_s);
    QVERIFY(recorder.start(qEnvironmentVariable("TC_PULSE_MONITOR"), recordingPath));

    QVERIFY(chooseFromBarMenu(Start));
    m_startedMs = nowMs();
    // The menu's keyboard grab takes the focus from the show for a moment; a key sent now
    // arrives after the show has it back, and everything printed until then is left behind.
    QVERIFY(m_session.key(u"m"_s));
    QVERIFY(m_session.waitForLine(u"key m"_s));
    const qsizetype showLinesFrom = m_session.fakeShowLines().lastIndexOf(u"key m"_s) + 1;
    m_focusBefore = m_session.focusedWindow();

    // The notice comes at the reminder point, two seconds after Start.
    while (!m_notice && nowMs() < m_startedMs + 6000) {
        recorder.poll();
        for (WindowId id : programWindows()) {
            if (id != m_bar)
                m_notice = id;
        }
        if (!m_notice)
            QTest::qWait(10);
    }
    if (!m_notice) {
        qWarning("no notice window came up");
        return;
    }
    m_listedMs = nowMs();
    m_noticeInfo = m_session.windowInfo(m_notice);
    const QRect where = m_noticeInfo.frameGeometry;

    // A look counts once two grabs in a row agree, so a half-painted grab is never taken
    // for a step of its own; it is dated by the first of the two.
    QPair<Look, int> candidate{Look::Other, -1};
    double candidateAt = -1;
    double nextFocusSample = 0;
    bool keySent = false;
    while (nowMs() < m_listedMs + 15000) {
        recorder.poll();
        const double at = nowMs();
        const QImage image = grab(where);
        QPair<Look, int> look = classify(image);
        // Until it is painted, a freshly mapped window shows what lies under it.
        if (look.first == Look::Closed && m_stages.isEmpty())
            look = {Look::Other, -1};
        if (look != candidate) {
            candidate = look;
            candidateAt = at;
        } else if (look.first != Look::Other
                   && (m_stages.isEmpty()
                       || QPair(m_stages.last().look, m_stages.last().value) != look)) {
            m_stages.append({look.first, look.second, candidateAt, image});
            if (look.first == Look::Closed)
                break;
        }

        // The whole screen half a second after the notice was mapped, whatever it shows.
        if (m_screenAtAppearance.isNull() && at >= m_listedMs + 500)
            m_screenAtAppearance = m_session.grabScreen();
        if (!m_stages.isEmpty() && at >= nextFocusSample) {
            m_focusWhileShown << m_session.focusedWindow();
            nextFocusSample = at + 400;
        }
        // A key pressed while the notice is up; whether it reached the show is read later
        // from what the show printed.
        if (!keySent && look.first == Look::Digits && !m_stages.isEmpty()
            && at >= m_stages.first().atMs + 300) {
            keySent = true;
            m_keyWhileShown = m_session.key(u"a"_s);
        }
        QTest::qWait(5);
    }

    m_goneFromList = QTest::qWaitFor([&] { return !programWindows().contains(m_notice); }, 2000);

    // Record on past the close, to hear anything the program leaves playing.
    const double closedAt = m_stages.isEmpty() ? nowMs() : m_stages.last().atMs;
    while (nowMs() < closedAt + 1500) {
        recorder.poll();
        QTest::qWait(10);
    }
    QVERIFY(recorder.stop());

    // A last key fetches everything the show printed during the showing.
    QVERIFY(m_session.key(u"z"_s));
    QVERIFY(m_session.waitForLine(u"key z"_s));
    m_showLinesDuring = m_session.fakeShowLines().mid(showLinesFrom);
    m_keyArrived = m_showLinesDuring.contains(u"key a"_s);

    m_barAfterClose = readBar();

    QString error;
    m_recording = WavFile::read(recordingPath, &error);
    QVERIFY2(m_recording, qPrintable(error));
    m_recordingStartMs =
        recorder.firstFrameAtMs(m_recording->dataOffset, m_recording->bytesPerSecond());
    // Silence on the null sink is digital zero; a twentieth of the tone's peak is sound.
    m_bursts = findBursts(*m_recording, 0.05f * m_blipPeak);
}

void TestNoticeDesktop::cleanup()
{
    if (QTest::currentTestFailed())
        dumpEvidence();
}

QPair<TestNoticeDesktop::Look, int> TestNoticeDesktop::classify(const QImage &image) const
{
    return m_noticeLook.read(image);
}

const TestNoticeDesktop::Stage *TestNoticeDesktop::stage(Look look, int value) const
{
    for (const Stage &s : m_stages) {
        if (s.look == look && s.value == value)
            return &s;
    }
    return nullptr;
}

// The bar's five digit boxes as glyph numbers, -1 where none reads clearly.
QList<int> TestNoticeDesktop::readBar()
{
    const QImage bar = grab(m_session.windowInfo(m_bar).geometry);
    // The first box starts at the first pixel of glyph background, wherever a title bar or
    // frame has pushed the digits.
    QPoint anchor(-1, -1);
    for (int y = 0; y < bar.height() && anchor.x() < 0; ++y) {
        for (int x = 0; x < bar.width(); ++x) {
            if (bar.pixel(x, y) == GlyphBack.rgb()) {
                anchor = QPoint(x, y);
                break;
            }
        }
    }
    QList<int> digits;
    for (int i = 0; i < 5; ++i) {
        const QRect box(anchor + QPoint(i * BarDigitPitch, 0), BarGlyph);
        const LedReader::Match m = m_barDigits.read(bar.copy(box));
        digits << (anchor.x() >= 0 && LedReader::isClear(m) ? m.glyph : -1);
    }
    return digits;
}

WindowId TestNoticeDesktop::waitForNewWindow(const QList<WindowId> &before, int timeoutMs) const
{
    WindowId found = 0;
    (void)QTest::qWaitFor(
        [&] {
            for (WindowId id : programWindows()) {
                if (!before.contains(id))
                    found = id;
            }
            return found != 0;
        },
        timeoutMs);
    return found;
}

// Right-clicks the bar's background and clicks a command of the menu that opens.
bool TestNoticeDesktop::chooseFromBarMenu(MenuItem item)
{
    const QRect bar = m_session.windowInfo(m_bar).geometry;
    const QList<WindowId> before = programWindows();
    // The strip under the digit frame, near the bar's bottom edge.
    const QPoint at(bar.center().x(), bar.bottom() - 12);
    if (!m_session.click(at, 3))
        return false;
    WindowId menu = waitForNewWindow(before, 2000);
    if (!menu) {
        // Seen now and then right after the show came up: no menu, and the show got no click
        // either. A speaker would click again; the warning keeps it visible all the same.
        qWarning("the bar's menu did not open on a right-click; clicking once more");
        if (!m_session.click(at, 3))
            return false;
        menu = waitForNewWindow(before, 2000);
    }
    if (!menu) {
        qWarning("no menu opened on the bar");
        return false;
    }
    const QRect where = m_session.windowInfo(menu).geometry;
    QList<QPair<int, int>> rows;
    // The menu may be mapped a moment before it is painted.
    (void)QTest::qWaitFor([&] { return (rows = textRows(grab(where))).size() == 4; }, 2000);
    if (rows.size() != 4) {
        qWarning() << "the bar's menu shows" << rows.size() << "captions, not 4";
        return false;
    }
    const int y = (rows[item].first + rows[item].second) / 2;
    if (!m_session.click(where.topLeft() + QPoint(where.width() / 2, y)))
        return false;
    return QTest::qWaitFor([&] { return !programWindows().contains(menu); }, 3000);
}

// Opens a drop-down list of the settings panel and picks its entry number `index`.
bool TestNoticeDesktop::pickFromList(QPoint listInBar, int index)
{
    const QList<WindowId> before = programWindows();
    if (!m_session.click(m_session.windowInfo(m_bar).geometry.topLeft() + listInBar))
        return false;
    const WindowId popup = waitForNewWindow(before);
    if (!popup) {
        qWarning() << "no list opened at" << listInBar;
        return false;
    }
    QStringList keys{u"Home"_s};
    for (int i = 0; i < index; ++i)
        keys << u"Down"_s;
    keys << u"Return"_s;
    return m_session.key(keys.join(u' '))
           && QTest::qWaitFor([&] { return !programWindows().contains(popup); }, 3000);
}

// Saves what was seen next to the test's output, once, for whoever looks into a failure.
void TestNoticeDesktop::dumpEvidence()
{
    if (m_dumped)
        return;
    m_dumped = true;
    const QString prefix = QDir::current().filePath(
        u"desktop_notice_%1_"_s.arg(qEnvironmentVariable("TC_SCREEN_SIZE")));
    if (!m_screenAtAppearance.isNull())
        m_screenAtAppearance.save(prefix + u"appearance.png"_s);
    for (qsizetype i = 0; i < m_stages.size(); ++i)
        m_stages[i].image.save(prefix + u"stage%1.png"_s.arg(i));
    QFile::copy(m_dir.filePath(u"monitor.wav"_s), prefix + u"monitor.wav"_s);
    qInfo().noquote() << "evidence saved as" << prefix + u"*"_s;
}

void TestNoticeDesktop::placedAtScreenCentre()
{
    QVERIFY2(m_notice, "the notice window never came up");
    const QSize screen = m_session.screenSize();
    const auto centre = std::find_if(std::begin(Centres), std::end(Centres),
                                     [&](const Centre &c) { return c.screen == screen; });
    QVERIFY2(centre != std::end(Centres), "add the expected place for this screen size");

    qInfo() << "notice at" << m_noticeInfo.frameGeometry << "on" << screen;
    QCOMPARE(m_noticeInfo.frameGeometry, QRect(centre->noticeTopLeft, NoticeSize));
    QVERIFY(m_noticeInfo.viewable);
    QVERIFY2(m_noticeInfo.overrideRedirect, "the window manager must not frame or move it");
}

void TestNoticeDesktop::drawnAboveShow_data()
{
    QTest::addColumn<QRect>("region"); // in the notice's own coordinates
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<double>("minShare");
    QTest::addColumn<double>("maxShare");

    QTest::newRow("slide show hidden")
        << QRect(QPoint(0, 0), NoticeSize) << ShowColour << 0.0 << 0.0;
    QTest::newRow("background, corner") << QRect(1, 1, 6, 6) << NoticeBack << 1.0 << 1.0;
    QTest::newRow("background, below the text") << QRect(16, 66, 60, 6) << NoticeBack << 1.0 << 1.0;
    QTest::newRow("frame, left side") << QRect(9, 20, 4, 50) << NoticeFrame << 1.0 << 1.0;
    QTest::newRow("red 剩余") << QRect(16, 24, 72, 33) << NoticeText << 0.05 << 0.7;
    QTest::newRow("red 秒") << QRect(184, 24, 34, 41) << NoticeText << 0.05 << 0.7;
}

// The root window half a second after the notice was mapped, so what a viewer sees: the notice
// over the full-screen show.
void TestNoticeDesktop::drawnAboveShow()
{
    QFETCH(QRect, region);
    QFETCH(QColor, colour);
    QFETCH(double, minShare);
    QFETCH(double, maxShare);
    QVERIFY2(!m_screenAtAppearance.isNull(), "the notice window never came up");
    const auto centre = std::find_if(std::begin(Centres), std::end(Centres), [&](const Centre &c) {
        return c.screen == m_screenAtAppearance.size();
    });
    QVERIFY(centre != std::end(Centres));

    const QImage notice = m_screenAtAppearance.copy(QRect(centre->noticeTopLeft, NoticeSize));
    // Anti-aliased text only needs its solid cores to count.
    const int tolerance = colour == NoticeText ? 40 : 8;
    const double found = colourShare(notice, region, colour, tolerance);
    QVERIFY2(found >= minShare && found <= maxShare,
             qPrintable(u"%1 of the region is %2"_s.arg(found).arg(colour.name())));
}

void TestNoticeDesktop::digitsReadAsGlyphs_data()
{
    QTest::addColumn<int>("value");

    QTest::newRow("03 at the reminder") << 3;
    QTest::newRow("02 after tick 1") << 2;
    QTest::newRow("01 after tick 2") << 1;
    QTest::newRow("00 after tick 3") << 0;
}

void TestNoticeDesktop::digitsReadAsGlyphs()
{
    QFETCH(int, value);
    const Stage *s = stage(Look::Digits, value);
    QVERIFY2(s, "no grab showed these digits in glyphs scaled to 33x47");
    const LedReader::Match tens = m_noticeDigits.read(s->image.copy(TensDigit));
    const LedReader::Match units = m_noticeDigits.read(s->image.copy(UnitsDigit));
    qInfo("distance to the glyphs %.1f and %.1f (next best %.1f and %.1f)", tens.distance,
          units.distance, tens.runnerUp, units.runnerUp);
    QCOMPARE(tens.glyph, value / 10);
    QCOMPARE(units.glyph, value % 10);
}

void TestNoticeDesktop::showsEachStepOnce()
{
    QStringList seen;
    for (const Stage &s : std::as_const(m_stages)) {
        switch (s.look) {
        case Look::Digits:
            seen << u"%1"_s.arg(s.value, 2, 10, QChar(u'0'));
            break;
        case Look::Message:
            seen << u"message"_s;
            break;
        case Look::Closed:
            seen << u"closed"_s;
            break;
        case Look::Other:
            break;
        }
    }
    const QStringList expected{u"03"_s, u"02"_s, u"01"_s, u"00"_s, u"message"_s, u"closed"_s};
    QCOMPARE(seen, expected);
}

void TestNoticeDesktop::countsOncePerSecond_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");

    QTest::newRow("tick 1: 03 to 02") << 3 << 2;
    QTest::newRow("tick 2: 02 to 01") << 2 << 1;
    QTest::newRow("tick 3: 01 to 00") << 1 << 0;
    QTest::newRow("tick 4: 00 to the message") << 0 << -1;
}

void TestNoticeDesktop::countsOncePerSecond()
{
    QFETCH(int, from);
    QFETCH(int, to);
    const Stage *a = stage(Look::Digits, from);
    const Stage *b = to < 0 ? stage(Look::Message) : stage(Look::Digits, to);
    QVERIFY(a && b);
    // The first number is up when the window is; grabbing only starts a little later.
    const double fromMs = from == ReminderSeconds ? m_listedMs : a->atMs;
    const double interval = b->atMs - fromMs;
    qInfo("%.0f ms", interval);
    QVERIFY2(interval >= 850 && interval <= 1150, qPrintable(u"%1 ms"_s.arg(interval)));
}

void TestNoticeDesktop::showKeepsFocus()
{
    QVERIFY2(m_notice, "the notice window never came up");
    QCOMPARE(m_focusBefore, m_show);
    QVERIFY(m_focusWhileShown.size() >= 5);
    for (WindowId focused : std::as_const(m_focusWhileShown))
        QCOMPARE(focused, m_show);
    QVERIFY2(m_keyWhileShown, "no key was pressed while the notice showed its digits");
    QVERIFY2(m_keyArrived, "a key pressed while the notice was up did not reach the show");
    QVERIFY2(!m_showLinesDuring.contains(u"focus out"_s),
             qPrintable(m_showLinesDuring.join(u", ")));
}

void TestNoticeDesktop::soundStartsOnSecondTick()
{
    QVERIFY(m_recording);
    QVERIFY(m_recordingStartMs >= 0);
    QVERIFY2(!m_bursts.isEmpty(), "nothing audible was recorded");
    const Stage *secondTick = stage(Look::Digits, ReminderSeconds - 2);
    QVERIFY(m_listedMs >= 0 && secondTick);

    const double onsetMs = m_recordingStartMs + m_bursts.first().start * 1000;
    const double afterAppearance = onsetMs - m_listedMs;
    const double afterTick = onsetMs - secondTick->atMs;
    qInfo("sound onset %.0f ms after the notice appeared, %.0f ms after its 2nd tick was seen",
          afterAppearance, afterTick);
    QVERIFY2(afterAppearance >= 1800 && afterAppearance <= 2300,
             qPrintable(u"%1 ms"_s.arg(afterAppearance)));
    // The sound is started after the digits are set, and reaches the sink a little later.
    QVERIFY2(afterTick >= -150 && afterTick <= 300, qPrintable(u"%1 ms"_s.arg(afterTick)));
}

void TestNoticeDesktop::soundAtHalfVolume()
{
    QVERIFY2(!m_bursts.isEmpty(), "nothing audible was recorded");
    const double ratio = m_bursts.first().peak / m_blipPeak;
    qInfo("recorded peak %.3f, the file's peak %.3f: ratio %.3f", m_bursts.first().peak, m_blipPeak,
          ratio);
    QVERIFY2(ratio >= 0.35 && ratio <= 0.65, qPrintable(u"ratio %1"_s.arg(ratio)));
}

void TestNoticeDesktop::soundIsOneBlipThenSilence()
{
    QVERIFY(m_recording);
    QVERIFY(m_recordingStartMs >= 0);
    const Stage *closed = stage(Look::Closed);
    QVERIFY2(closed, "the notice window never closed");

    for (const Burst &b : std::as_const(m_bursts))
        qInfo("sound from %.3f s to %.3f s of the recording, peak %.3f", b.start, b.end, b.peak);
    QCOMPARE(m_bursts.size(), 1);
    const double length = m_bursts.first().end - m_bursts.first().start;
    QVERIFY2(length >= 0.2 && length <= 0.4, qPrintable(u"%1 s"_s.arg(length)));

    const double closedInRecording = (closed->atMs - m_recordingStartMs) / 1000;
    QVERIFY2(m_recording->seconds() >= closedInRecording + 1.3,
             "the recording ends too soon after the close");
    const float after = m_recording->peak(closedInRecording);
    QVERIFY2(after < 0.01f, qPrintable(u"level %1 after the close"_s.arg(after)));
}

void TestNoticeDesktop::closingMessageReplacesDigits()
{
    const Stage *last = stage(Look::Digits, 0);
    const Stage *message = stage(Look::Message);
    QVERIFY(last && message);
    const QRect digits = TensDigit.united(UnitsDigit);
    QVERIFY(last->image.copy(digits) != message->image.copy(digits));
    QCOMPARE(colourShare(message->image, digits, GlyphBack, 24), 0.0);
    QCOMPARE(colourShare(message->image, digits, GlyphLit, 24), 0.0);
    // The message runs across the window, where the digits were as well.
    QVERIFY(colourShare(message->image, QRect(16, 24, 60, 33), NoticeText, 40) > 0.05);
    QVERIFY(colourShare(message->image, digits, NoticeText, 40) > 0.05);
}

void TestNoticeDesktop::closesFourSecondsAfterMessage()
{
    const Stage *message = stage(Look::Message);
    const Stage *closed = stage(Look::Closed);
    QVERIFY(message && closed);
    const double shown = closed->atMs - message->atMs;
    qInfo("message shown %.0f ms", shown);
    QVERIFY2(shown >= 3700 && shown <= 4400, qPrintable(u"%1 ms"_s.arg(shown)));
    QVERIFY2(m_goneFromList, "the closed notice is still in the window list");
}

void TestNoticeDesktop::barBackAtPreset()
{
    QVERIFY2(stage(Look::Closed), "the notice window never closed");
    const QList<int> preset{0, 0, LedReader::Colon, 0, TalkSeconds};
    QCOMPARE(m_barAfterClose, preset);
}

QTEST_MAIN(TestNoticeDesktop)
#include "tst_desktop_notice.moc"
