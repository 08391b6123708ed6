// The notice window on a real desktop, driven the way a speaker does it: the talk is set to
// 0:05 with the reminder at 3 s in the bar's settings, a slide show goes full screen and holds
// the focus, and the countdown is started from the bar's menu. One showing of the notice is
// watched from start to end - its place on screen grabbed every few milliseconds, the focus
// sampled, the null sink's monitor recorded - and each test then judges one side of what was
// seen. The one showing keeps a run short enough to repeat.

#include "mmss.h"
#include "pixels.h"
#include "talkwatch.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using namespace NoticeLayout;
using WindowId = DesktopSession::WindowId;

namespace {

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

// The talk the tests set up: 0:05 with the reminder at 3 s.
constexpr int TalkSeconds = 5;
constexpr int ReminderSeconds = 3;

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
    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QTemporaryDir m_dir;
    NoticeReader m_reader;
    WindowId m_show = 0;
    float m_blipPeak = 0;
    TalkWatch::Talk m_talk; // the one showing
    bool m_dumped = false;
};

void TestNoticeDesktop::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("TC_PULSE_MONITOR"),
             "needs the null sink of with-desktop.sh --sound");
    QVERIFY(m_dir.isValid());

    // The level the recording is measured against: the default sound's own peak.
    QString error;
    const std::optional<WavFile> blip =
        WavFile::read(DesktopSession::programDir() + u"/blip.wav"_s, &error);
    QVERIFY2(blip, qPrintable(error));
    m_blipPeak = blip->peak();
    QVERIFY2(m_blipPeak > 0.3f, "the default sound is a clearly audible tone");

    QVERIFY(m_driver.start());
    QCOMPARE(m_driver.windows().size(), 1);
    QVERIFY(m_driver.setTalk(0, TalkSeconds, ReminderSeconds));
    QTRY_COMPARE(m_driver.read(), mmss(TalkSeconds));

    QVERIFY(m_session.startFakeShow());
    m_show = m_session.fakeShowWindow();
    QVERIFY(m_show != 0);
    // The bar lifts itself above the show within a second; only then can it be clicked.
    QTRY_VERIFY2_WITH_TIMEOUT(Pixels::colourShare(Pixels::grab(m_driver.geometry()),
                                                  QRect(0, 0, 9999, 9999), ShowColour, 8)
                                  < 0.01,
                              "the bar stays hidden under the full-screen show", 3000);

    TalkWatch watch(m_driver, TalkWatch::Watch::Screen);
    QVERIFY(watch.record(m_dir.filePath(u"monitor.wav"_s), m_blipPeak));
    m_talk = watch.run(BarDriver::By::Mouse);
    QVERIFY2(m_talk.failure.isEmpty(), qPrintable(m_talk.failure));
}

// Saves what was seen next to the test's output, once, for whoever looks into a failure.
void TestNoticeDesktop::cleanup()
{
    if (!QTest::currentTestFailed() || m_dumped)
        return;
    m_dumped = true;
    if (!m_talk.screenAtAppearance.isNull())
        m_talk.screenAtAppearance.save(Pixels::evidencePath(u"appearance.png"_s));
    for (qsizetype i = 0; i < m_talk.noticeSeen.size(); ++i)
        m_talk.noticeSeen[i].image.save(Pixels::evidencePath(u"stage%1.png"_s.arg(i)));
    QFile::copy(m_dir.filePath(u"monitor.wav"_s), Pixels::evidencePath(u"monitor.wav"_s));
    qInfo().noquote() << "evidence saved as" << Pixels::evidencePath(u"*"_s);
}

void TestNoticeDesktop::placedAtScreenCentre()
{
    QVERIFY2(m_talk.notice, "the notice window never came up");
    const QSize screen = m_session.screenSize();
    const auto centre = std::find_if(std::begin(Centres), std::end(Centres),
                                     [&](const Centre &c) { return c.screen == screen; });
    QVERIFY2(centre != std::end(Centres), "add the expected place for this screen size");

    const DesktopSession::WindowInfo &info = m_talk.noticeInfo;
    qInfo() << "notice at" << info.frameGeometry << "on" << screen;
    QCOMPARE(info.frameGeometry, QRect(centre->noticeTopLeft, Size));
    QVERIFY(info.viewable);
    QVERIFY2(info.overrideRedirect, "the window manager must not frame or move it");
}

void TestNoticeDesktop::drawnAboveShow_data()
{
    QTest::addColumn<QRect>("region"); // in the notice's own coordinates
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<double>("minShare");
    QTest::addColumn<double>("maxShare");

    QTest::newRow("slide show hidden") << QRect(QPoint(0, 0), Size) << ShowColour << 0.0 << 0.0;
    QTest::newRow("background, corner") << QRect(1, 1, 6, 6) << Back << 1.0 << 1.0;
    QTest::newRow("background, below the text") << QRect(16, 66, 60, 6) << Back << 1.0 << 1.0;
    QTest::newRow("frame, left side") << QRect(9, 20, 4, 50) << Frame << 1.0 << 1.0;
    QTest::newRow("red 剩余") << QRect(16, 24, 72, 33) << Text << 0.05 << 0.7;
    QTest::newRow("red 秒") << QRect(184, 24, 34, 41) << Text << 0.05 << 0.7;
}

// The root window half a second after the notice was mapped, so what a viewer sees: the notice
// over the full-screen show.
void TestNoticeDesktop::drawnAboveShow()
{
    QFETCH(QRect, region);
    QFETCH(QColor, colour);
    QFETCH(double, minShare);
    QFETCH(double, maxShare);
    const QImage &screen = m_talk.screenAtAppearance;
    QVERIFY2(!screen.isNull(), "the notice window never came up");
    const auto centre = std::find_if(std::begin(Centres), std::end(Centres),
                                     [&](const Centre &c) { return c.screen == screen.size(); });
    QVERIFY(centre != std::end(Centres));

    const QImage notice = screen.copy(QRect(centre->noticeTopLeft, Size));
    // Anti-aliased text only needs its solid cores to count.
    const int tolerance = colour == Text ? 40 : 8;
    const double found = Pixels::colourShare(notice, region, colour, tolerance);
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
    const TalkWatch::Seen *s = m_talk.firstNotice(twoDigits(value));
    QVERIFY2(s, "no grab showed these digits in glyphs scaled to 33x47");
    const auto [tens, units] = m_reader.digits(s->image);
    qInfo("distance to the glyphs %.1f and %.1f (next best %.1f and %.1f)", tens.distance,
          units.distance, tens.runnerUp, units.runnerUp);
    QCOMPARE(tens.glyph, value / 10);
    QCOMPARE(units.glyph, value % 10);
}

void TestNoticeDesktop::showsEachStepOnce()
{
    QStringList seen;
    for (const TalkWatch::Seen &s : std::as_const(m_talk.noticeSeen))
        seen << s.look;
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
    const TalkWatch::Seen *a = m_talk.firstNotice(twoDigits(from));
    const TalkWatch::Seen *b = m_talk.firstNotice(to < 0 ? u"message"_s : twoDigits(to));
    QVERIFY(a && b);
    // The first number is up when the window is; grabbing only starts a little later.
    const double fromMs = from == ReminderSeconds ? m_talk.listedMs : a->atMs;
    const double interval = b->atMs - fromMs;
    qInfo("%.0f ms", interval);
    QVERIFY2(interval >= 850 && interval <= 1150, qPrintable(u"%1 ms"_s.arg(interval)));
}

void TestNoticeDesktop::showKeepsFocus()
{
    QVERIFY2(m_talk.notice, "the notice window never came up");
    QCOMPARE(m_talk.focusBefore, m_show);
    QVERIFY(m_talk.focusWhileShown.size() >= 5);
    for (WindowId focused : std::as_const(m_talk.focusWhileShown))
        QCOMPARE(focused, m_show);
    QVERIFY2(m_talk.keySent, "no key was pressed while the notice showed its digits");
    QVERIFY2(m_talk.showLines.contains(u"key a"_s),
             "a key pressed while the notice was up did not reach the show");
    QVERIFY2(!m_talk.showLines.contains(u"focus out"_s), qPrintable(m_talk.showLines.join(u", ")));
}

void TestNoticeDesktop::soundStartsOnSecondTick()
{
    QVERIFY(m_talk.recording);
    QVERIFY(m_talk.recordingStartMs);
    QVERIFY2(!m_talk.bursts.isEmpty(), "nothing audible was recorded");
    const TalkWatch::Seen *secondTick = m_talk.firstNotice(twoDigits(ReminderSeconds - 2));
    QVERIFY(m_talk.listedMs >= 0 && secondTick);

    const double onsetMs = *m_talk.recordingStartMs + m_talk.bursts.first().start * 1000;
    const double afterAppearance = onsetMs - m_talk.listedMs;
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
    QVERIFY2(!m_talk.bursts.isEmpty(), "nothing audible was recorded");
    const float peak = m_talk.bursts.first().peak;
    const double ratio = peak / m_blipPeak;
    qInfo("recorded peak %.3f, the file's peak %.3f: ratio %.3f", peak, m_blipPeak, ratio);
    QVERIFY2(ratio >= 0.35 && ratio <= 0.65, qPrintable(u"ratio %1"_s.arg(ratio)));
}

void TestNoticeDesktop::soundIsOneBlipThenSilence()
{
    QVERIFY(m_talk.recording);
    QVERIFY(m_talk.recordingStartMs);
    const TalkWatch::Seen *closed = m_talk.firstNotice(u"closed"_s);
    QVERIFY2(closed, "the notice window never closed");

    const QList<Burst> &bursts = m_talk.bursts;
    for (const Burst &b : bursts)
        qInfo("sound from %.3f s to %.3f s of the recording, peak %.3f", b.start, b.end, b.peak);
    QCOMPARE(bursts.size(), 1);
    const double length = bursts.first().end - bursts.first().start;
    QVERIFY2(length >= 0.2 && length <= 0.4, qPrintable(u"%1 s"_s.arg(length)));

    const double closedInRecording = (closed->atMs - *m_talk.recordingStartMs) / 1000;
    QVERIFY2(m_talk.recording->seconds() >= closedInRecording + 1.3,
             "the recording ends too soon after the close");
    const float after = m_talk.recording->peak(closedInRecording);
    QVERIFY2(after < 0.01f, qPrintable(u"level %1 after the close"_s.arg(after)));
}

void TestNoticeDesktop::closingMessageReplacesDigits()
{
    const TalkWatch::Seen *last = m_talk.firstNotice(twoDigits(0));
    const TalkWatch::Seen *message = m_talk.firstNotice(u"message"_s);
    QVERIFY(last && message);
    const QRect both = TensDigit.united(UnitsDigit);
    const QImage &image = message->image;
    QVERIFY(last->image.copy(both) != image.copy(both));
    QCOMPARE(Pixels::colourShare(image, both, GlyphBack, 24), 0.0);
    QCOMPARE(Pixels::colourShare(image, both, GlyphLit, 24), 0.0);
    // The message runs across the window, where the digits were as well.
    QVERIFY(Pixels::colourShare(image, QRect(16, 24, 60, 33), Text, 40) > 0.05);
    QVERIFY(Pixels::colourShare(image, both, Text, 40) > 0.05);
}

void TestNoticeDesktop::closesFourSecondsAfterMessage()
{
    const TalkWatch::Seen *message = m_talk.firstNotice(u"message"_s);
    const TalkWatch::Seen *closed = m_talk.firstNotice(u"closed"_s);
    QVERIFY(message && closed);
    const double shown = closed->atMs - message->atMs;
    qInfo("message shown %.0f ms", shown);
    QVERIFY2(shown >= 3700 && shown <= 4400, qPrintable(u"%1 ms"_s.arg(shown)));
    QVERIFY2(m_talk.goneMs >= 0, "the closed notice is still in the window list");
}

void TestNoticeDesktop::barBackAtPreset()
{
    QVERIFY2(m_talk.firstNotice(u"closed"_s), "the notice window never closed");
    QCOMPARE(m_talk.barAfter, mmss(TalkSeconds));
}

QTEST_MAIN(TestNoticeDesktop)
#include "tst_desktop_notice.moc"
