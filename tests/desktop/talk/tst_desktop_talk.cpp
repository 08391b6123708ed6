// A whole talk through the real windows, the way a speaker gives one: the bar comes up empty in
// the top-right corner, the talk is set to 0:08 with the reminder at 5 s with the mouse and the
// keyboard, a slide show goes full screen, the countdown runs, the notice counts the last
// seconds over the show with one blip and closes, and Exit ends the program. The countdown is
// watched from Start to the notice's close in one go - the bar and the notice grabbed every few
// milliseconds, the null sink recorded - and the tests after it judge what was seen.

#include "ledreader.h"
#include "mmss.h"
#include "pixels.h"
#include "talkwatch.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using By = BarDriver::By;

namespace {

constexpr int TalkSeconds = 8;
constexpr int ReminderSeconds = 5;

// How far a step seen on screen may lie from its place on the program's one-second clock: the
// click that starts the clock, painting and the grab loop each add a little.
constexpr double TickSlackMs = 300;

} // namespace

class TestDesktopTalk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void barComesUpEmptyInCorner();
    void settingsSetTheTalk();
    void barStaysAboveFocusedShow();
    void talkRuns();
    void barCountsOncePerSecond_data();
    void barCountsOncePerSecond();
    void barAboveShowThroughout();
    void noticeComesCentredAtReminder();
    void showKeepsKeyboard();
    void blipOnNoticeSecondTick();
    void closingMessageThenClose();
    void exitEndsProgram();

private:
    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QTemporaryDir m_dir;
    DesktopSession::WindowId m_show = 0;
    TalkWatch::Talk m_talk;
};

void TestDesktopTalk::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("TC_PULSE_MONITOR"),
             "needs the null sink of with-desktop.sh --sound");
    QVERIFY(m_dir.isValid());
    QVERIFY(m_driver.start());
}

void TestDesktopTalk::barComesUpEmptyInCorner()
{
    QTRY_COMPARE(m_driver.geometry(), m_driver.expected());
    QString digits;
    auto empty = [&] { return (digits = m_driver.read()) == mmss(0); };
    BAR_VERIFY(QTest::qWaitFor(empty, 3000), u"the bar reads "_s + digits, m_session.grabScreen());
}

void TestDesktopTalk::settingsSetTheTalk()
{
    QVERIFY(m_driver.openSettings(By::Mouse));
    QTRY_COMPARE(m_driver.geometry().size(), QSize(Width, ExpandedHeight));
    QTRY_COMPARE(m_session.focusedWindow(), m_driver.bar());
    // Minutes and seconds typed into the open lists, the reminder stepped to with the arrow keys
    // on the closed list.
    QVERIFY(m_driver.pickFromList(MinutesList, u"0 Return"_s));
    QVERIFY(m_driver.pickFromList(SecondsList, u"%1 Return"_s.arg(TalkSeconds)));
    QVERIFY(m_driver.pickFromList(ReminderList, u"Escape"_s));
    QVERIFY(m_session.key(u"Home"_s + u" Down"_s.repeated(ReminderSeconds)));
    // "No border" starts unticked and stays so: OK gives the bar its own frame and title bar.
    QVERIFY(m_session.click(m_driver.client() + OkButton.center()));
    QTRY_COMPARE(m_driver.geometry().width(), BorderedWidth);
    const QRect bar = m_driver.geometry();
    const int titleHeight = bar.height() - CollapsedHeight - 2;
    QVERIFY2(titleHeight >= 10 && titleHeight <= 40, qPrintable(u"%1 px high"_s.arg(bar.height())));
    QCOMPARE(bar.topLeft(), QPoint(m_session.screenSize().width() - BorderedWidth, 0));
    QString digits;
    auto preset = [&] { return (digits = m_driver.read()) == mmss(TalkSeconds); };
    BAR_VERIFY(QTest::qWaitFor(preset, 3000), u"the bar reads "_s + digits, m_session.grabScreen());
}

void TestDesktopTalk::barStaysAboveFocusedShow()
{
    QVERIFY(m_driver.bordered());
    QVERIFY(m_session.startFakeShow());
    m_show = m_session.fakeShowWindow();
    QVERIFY(m_show != 0);
    QCOMPARE(m_session.focusedWindow(), m_show);
    // The whole bar, frame and title bar included, comes back above the show.
    QString seen;
    auto visible = [&] {
        const QImage shot = m_session.grabScreen();
        const int covered = Pixels::countColour(shot, m_driver.geometry(), ShowColour);
        seen = u"%1 pixels of the show on the bar, digits %2"_s.arg(covered).arg(
            LedReader::readBar(shot, m_driver.client()));
        return covered == 0 && seen.endsWith(mmss(TalkSeconds));
    };
    BAR_VERIFY(QTest::qWaitFor(visible, 3000), seen, m_session.grabScreen());
    // The title bar carries a caption, not just a colour.
    const QImage shot = m_session.grabScreen();
    const QRect bar = m_driver.geometry();
    const QImage title =
        shot.copy(bar.x() + 1, bar.y() + 1, Width / 2, m_driver.client().y() - bar.y() - 1);
    QImage plain(title.size(), title.format());
    plain.fill(title.pixel(0, 0));
    BAR_VERIFY(title != plain, u"no caption on the title bar"_s, shot);
    QCOMPARE(m_session.focusedWindow(), m_show);
}

void TestDesktopTalk::talkRuns()
{
    QVERIFY(m_show != 0);
    // The recording is measured against the default sound's own peak.
    QString error;
    const std::optional<WavFile> blip =
        WavFile::read(DesktopSession::programDir() + u"/blip.wav"_s, &error);
    QVERIFY2(blip, qPrintable(error));
    QVERIFY2(blip->peak() > 0.3f, "the default sound is a clearly audible tone");
    TalkWatch watch(m_driver, TalkWatch::Watch::Screen);
    QVERIFY(watch.record(m_dir.filePath(u"monitor.wav"_s), blip->peak()));
    m_talk = watch.run(By::Mouse);
    QVERIFY2(m_talk.failure.isEmpty(), qPrintable(m_talk.failure));
}

void TestDesktopTalk::barCountsOncePerSecond_data()
{
    QTest::addColumn<int>("step"); // seconds after Start
    QTest::addColumn<QString>("reading");
    for (int step = 1; step <= TalkSeconds; ++step)
        QTest::addRow("%d s", step) << step << mmss(TalkSeconds - step);
    QTest::newRow("time up: back at the preset") << TalkSeconds + 1 << mmss(TalkSeconds);
}

void TestDesktopTalk::barCountsOncePerSecond()
{
    QFETCH(int, step);
    QFETCH(QString, reading);
    const QList<TalkWatch::Seen> &seen = m_talk.barSeen;
    QStringList readings;
    for (const TalkWatch::Seen &s : seen)
        readings << u"%1 at %2 ms"_s.arg(s.look).arg(s.atMs, 0, 'f', 0);
    // The bar shows the preset when Start is chosen, then each second once.
    QVERIFY2(seen.size() > step && seen[step].look == reading, qPrintable(readings.join(u", "_s)));
    qInfo().noquote() << readings[step];
    const double late = seen[step].atMs - step * 1000;
    QVERIFY2(std::abs(late) <= TickSlackMs, qPrintable(u"%1 ms off"_s.arg(late)));
}

void TestDesktopTalk::barAboveShowThroughout()
{
    QVERIFY(!m_talk.barSeen.isEmpty());
    QCOMPARE(m_talk.barCovered, 0);
}

void TestDesktopTalk::noticeComesCentredAtReminder()
{
    QVERIFY2(m_talk.notice, "no notice window came up");
    const QSize screen = m_session.screenSize();
    const QPoint centred((screen.width() - NoticeLayout::Size.width()) / 2,
                         (screen.height() - NoticeLayout::Size.height()) / 2);
    QCOMPARE(m_talk.noticeInfo.frameGeometry, QRect(centred, NoticeLayout::Size));
    QVERIFY(!m_talk.noticeSeen.isEmpty());
    // Its counter starts at the reminder point, and it comes with the tick that puts that on
    // the bar.
    const QString reminder = mmss(ReminderSeconds);
    QCOMPARE(m_talk.noticeSeen.first().look, reminder.right(2));
    const auto bar = std::find_if(m_talk.barSeen.begin(), m_talk.barSeen.end(),
                                  [&](const TalkWatch::Seen &s) { return s.look == reminder; });
    QVERIFY(bar != m_talk.barSeen.end());
    qInfo("notice listed %.0f ms after Start, its first digits seen at %.0f ms, the bar's %s at "
          "%.0f ms",
          m_talk.listedMs, m_talk.noticeSeen.first().atMs, qPrintable(reminder), bar->atMs);
    QVERIFY2(std::abs(m_talk.listedMs - bar->atMs) <= 150,
             qPrintable(u"%1 ms apart"_s.arg(m_talk.listedMs - bar->atMs)));
}

void TestDesktopTalk::showKeepsKeyboard()
{
    QVERIFY2(m_talk.keySent, "no key was pressed while the notice showed");
    QVERIFY(!m_talk.focusWhileShown.isEmpty());
    for (DesktopSession::WindowId focused : std::as_const(m_talk.focusWhileShown))
        QCOMPARE(focused, m_show);
    const QStringList &lines = m_talk.showLines;
    QVERIFY2(lines.contains(u"key a"_s), qPrintable(lines.join(u", "_s)));
    QVERIFY2(!lines.contains(u"focus out"_s), qPrintable(lines.join(u", "_s)));
}

void TestDesktopTalk::blipOnNoticeSecondTick()
{
    QVERIFY(m_talk.recordingStartMs);
    QVERIFY2(!m_talk.bursts.isEmpty(), "nothing audible was recorded");
    const TalkWatch::Seen *secondTick = m_talk.firstNotice(twoDigits(ReminderSeconds - 2));
    QVERIFY(m_talk.listedMs >= 0 && secondTick);
    const double onset = *m_talk.recordingStartMs + m_talk.bursts.first().start * 1000;
    const double afterAppearance = onset - m_talk.listedMs;
    const double afterTick = onset - secondTick->atMs;
    qInfo("sound onset %.0f ms after Start, %.0f ms after the notice appeared, %.0f ms after its "
          "2nd tick was seen",
          onset, afterAppearance, afterTick);
    QVERIFY2(afterAppearance >= 1800 && afterAppearance <= 2300,
             qPrintable(u"%1 ms"_s.arg(afterAppearance)));
    // The sound is started once the digits are set, and reaches the sink a little later.
    QVERIFY2(afterTick >= -150 && afterTick <= 300, qPrintable(u"%1 ms"_s.arg(afterTick)));
    QCOMPARE(m_talk.bursts.size(), 1);
}

void TestDesktopTalk::closingMessageThenClose()
{
    QStringList looks;
    for (const TalkWatch::Seen &s : std::as_const(m_talk.noticeSeen))
        looks << s.look;
    QStringList expected;
    for (int left = ReminderSeconds; left >= 0; --left)
        expected << twoDigits(left);
    expected << u"message"_s << u"closed"_s;
    QCOMPARE(looks, expected);
    // The message runs across the window, over where the digits were.
    const QImage message = m_talk.firstNotice(u"message"_s)->image;
    const QRect digits = NoticeLayout::TensDigit.united(NoticeLayout::UnitsDigit);
    QVERIFY(Pixels::colourShare(message, digits, NoticeLayout::Text, 40) > 0.05);
    const double shown =
        m_talk.firstNotice(u"closed"_s)->atMs - m_talk.firstNotice(u"message"_s)->atMs;
    qInfo("message shown %.0f ms", shown);
    QVERIFY2(shown >= 3700 && shown <= 4400, qPrintable(u"%1 ms"_s.arg(shown)));
    QVERIFY2(m_talk.goneMs >= 0, "the closed notice is still in the window list");
    QCOMPARE(m_driver.read(), mmss(TalkSeconds));
}

void TestDesktopTalk::exitEndsProgram()
{
    QVERIFY(m_driver.choose(BarDriver::Entry::Exit, By::Mouse));
    QVERIFY(m_session.waitForProgramExit());
    QCOMPARE(m_session.program()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_session.program()->exitCode(), 0);
    // Not even an unmapped window of the program is left.
    QString left;
    DesktopSession::run(u"xdotool"_s, {u"search"_s, u"--class"_s, u"^talk-countdown$"_s}, &left);
    QVERIFY2(left.isEmpty(), qPrintable(left));
}

QTEST_MAIN(TestDesktopTalk)
#include "tst_desktop_talk.moc"
