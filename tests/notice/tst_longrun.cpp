#include "barfixture.h"
#include "barpicture.h"
#include "glyphstrip.h"
#include "metronometimer.h"
#include "mmss.h"
#include "monotonicclock.h"
#include "noticewindow.h"
#include "picturebox.h"
#include "settingspanel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTest>

namespace {

bool showsOnlyTheClosingMessage(const NoticeWindow *w)
{
    return noticeParts(w).message->text() == Notice::closingMessage()
           && !noticeParts(w).tens->isVisible() && !noticeParts(w).units->isVisible()
           && !noticeParts(w).unit->isVisible();
}

QString digitsOf(const PictureClip &strip, const PictureBox *a, const PictureBox *b)
{
    QString text;
    for (const PictureBox *box : {a, b}) {
        const int k = cellShown(strip, box);
        text += k >= 0 && k <= 9 ? QChar(QLatin1Char('0' + k)) : QChar(QLatin1Char('?'));
    }
    return text;
}

// Remembers when each alert was asked for, on the real clock.
class TimedSoundPlayer final : public SoundPlayer
{
public:
    explicit TimedSoundPlayer(const QElapsedTimer &since)
        : m_since(since)
    {}

    QList<qint64> playedAt;
    int stops = 0;

    void play(const QString &) override { playedAt << m_since.elapsed(); }
    void stop() override { ++stops; }

private:
    const QElapsedTimer &m_since;
};

} // namespace

// A whole day of talks in one process, on the fake clock; and one real two-minute talk on
// the real clock, as a speaker would see it.
class TestLongRun : public QObject
{
    Q_OBJECT

private slots:
    void thousandShowings_data()
    {
        QTest::addColumn<int>("presetSeconds");
        QTest::addColumn<int>("reminder");
        QTest::addRow("0:40, reminder 30") << 40 << 30;
        // 59 counting ticks a showing: the sound counter passes its wrap on the way.
        QTest::addRow("1:00, reminder 59") << 60 << 59;
    }

    void thousandShowings()
    {
        QFETCH(int, presetSeconds);
        QFETCH(int, reminder);
        BarFixture f(BarFixture::NoticeKind::Real);
        const QString reminderText = QString::number(reminder);
        // Bar ticks from Start to the notice.
        const int openTick = presetSeconds - reminder;
        // Counting ticks of all showings so far, and the one of the latest alert (1-based).
        qint64 counted = 0;
        qint64 lastSound = -1;
        // Top-level widgets once a showing is over.
        qsizetype windows = -1;
        for (int showing = 1; showing <= 1000; ++showing) {
            const QByteArray where = "showing " + QByteArray::number(showing);
            f.apply(presetSeconds / 60, presetSeconds % 60, reminderText);
            f.bar->start();
            f.clock.advance(qint64(openTick - 1) * 1000);
            QVERIFY2(!f.realNotice->isLoaded(), where);
            f.clock.advance(1000);
            QVERIFY2(f.realNotice->isLoaded(), where);
            QCOMPARE(f.shown(), mmss(reminder));
            QCOMPARE(f.noticeShown(), twoDigits(reminder));
            QPointer<NoticeWindow> window = f.realNotice->window();

            for (int tick = 1; tick <= reminder; ++tick) {
                const qsizetype played = f.sound.played.size();
                f.clock.advance(1000);
                ++counted;
                QCOMPARE(f.noticeShown(), twoDigits(reminder - tick));
                // The alert rings on every fourth counting tick, from the second on, however
                // many showings came before.
                const qint64 due = lastSound < 0 ? 2 : lastSound + 4;
                const bool rang = f.sound.played.size() > played;
                QVERIFY2(rang == (counted == due), where + " tick " + QByteArray::number(tick));
                if (rang)
                    lastSound = counted;
            }
            const qint16 soundTicks = f.realNotice->counter().soundTicks();
            QVERIFY2(soundTicks >= 0 && soundTicks < NoticeCounter::SoundTicksWrap, where);

            // The closing tick; the bar's time-up falls on it too.
            f.clock.advance(1000);
            QVERIFY2(window && showsOnlyTheClosingMessage(window), where);
            f.clock.advance(3000);
            QVERIFY2(f.realNotice->isLoaded(), where);
            f.clock.advance(1000);
            QVERIFY2(!f.realNotice->isLoaded(), where);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY2(window.isNull(), where); // the closed window is really gone
            QCOMPARE(f.sound.stops, showing);

            // By now the bar is back at its preset and stopped.
            QVERIFY2(!f.bar->isTicking(), where);
            QCOMPARE(f.shown(), mmss(presetSeconds));
            if (windows < 0)
                windows = QApplication::topLevelWidgets().size();
            QCOMPARE(QApplication::topLevelWidgets().size(), windows);
        }
        if (reminder == 59)
            QVERIFY(counted > NoticeCounter::SoundTicksWrap); // the wrap was crossed
    }

    // Two minutes on the real clock with a reminder at 30 seconds. Run on its own (the
    // CTest entry tst_longrun_realclock sets TC_LONG_RUN=1): it takes over two minutes.
    void realTwoMinuteTalk()
    {
        if (qEnvironmentVariableIntValue("TC_LONG_RUN") != 1)
            QSKIP("takes two minutes; set TC_LONG_RUN=1 to run it");

        QElapsedTimer sinceStart;
        MonotonicClock clock;
        FakeWindowOps windows;
        FakeMessageBox messages;
        FakeFileDialog dialog;
        TimedSoundPlayer sound(sinceStart);
        const PictureClip strip(GlyphStrip::render(1.0), 1, GlyphStrip::Columns);
        Notice notice({clock, windows, sound, strip});
        auto bar = std::make_unique<Bar>(
            Bar::Services{clock, windows, messages, dialog, strip, BarPicture::render(1.0)},
            notice);
        bar->load();

        struct BarTick
        {
            qint64 at;
            QString shown;
            bool noticeLoaded;
        };
        struct NoticeTick
        {
            qint64 at;
            QString digits;
            int sounds;
            bool closingMessage;
            bool loaded;
        };
        QList<BarTick> barTicks;
        QList<NoticeTick> noticeTicks;
        qint64 noticeLoadedAt = -1;
        QPointer<NoticeWindow> window;

        const auto image = [&](int n) {
            return bar->findChild<PictureBox *>(QStringLiteral("Image%1").arg(n));
        };
        const auto barShown = [&] {
            return digitsOf(strip, image(1), image(2)) + QLatin1Char(':')
                   + digitsOf(strip, image(4), image(5));
        };
        const auto noticeTicked = [&] {
            const NoticeWindow *w = notice.window();
            noticeTicks.append(
                {sinceStart.elapsed(),
                 w ? digitsOf(strip, noticeParts(w).tens, noticeParts(w).units) : QString(),
                 int(sound.playedAt.size()), w && showsOnlyTheClosingMessage(w),
                 notice.isLoaded()});
        };
        // Connected after the windows' own handlers, so each sees the state a tick left.
        connect(bar->findChild<MetronomeTimer *>(QStringLiteral("Timer1")),
                &MetronomeTimer::timeout, this, [&] {
                    barTicks.append({sinceStart.elapsed(), barShown(), notice.isLoaded()});
                    if (notice.window() && !window) {
                        window = notice.window();
                        noticeLoadedAt = sinceStart.elapsed();
                        connect(window->countTimer(), &MetronomeTimer::timeout, this, noticeTicked);
                        connect(window->closeTimer(), &MetronomeTimer::timeout, this, noticeTicked);
                    }
                });

        const auto pick = [&](const char *name, const QString &text) {
            auto *box = bar->findChild<QComboBox *>(QLatin1String(name));
            box->setCurrentIndex(box->findText(text));
            emit box->activated(box->currentIndex());
        };
        pick("Combo1", QStringLiteral("2"));
        pick("Combo2", QStringLiteral("0"));
        pick("Combo3", QStringLiteral("30"));
        bar->applySettings();
        QCOMPARE(barShown(), QStringLiteral("02:00"));

        sinceStart.start();
        bar->start();
        const bool over = QTest::qWaitFor(
            [&] { return !bar->isTicking() && window.isNull() && noticeLoadedAt >= 0; }, 140'000);
        QVERIFY2(over, qPrintable(QStringLiteral("%1 bar ticks, %2 notice ticks")
                                      .arg(barTicks.size())
                                      .arg(noticeTicks.size())));

        // The bar: one tick a second, each on time, down to time-up at 121 s showing 02:00.
        QCOMPARE(barTicks.size(), 121);
        for (int k = 1; k <= 121; ++k) {
            const BarTick &t = barTicks.at(k - 1);
            const QByteArray where =
                "bar tick " + QByteArray::number(k) + " at " + QByteArray::number(t.at) + " ms";
            QVERIFY2(t.at >= k * 1000 - 2 && t.at <= k * 1000 + 300, where);
            QCOMPARE(t.shown, k <= 120 ? mmss(120 - k) : QStringLiteral("02:00"));
            QVERIFY2(t.noticeLoaded == (k >= 90), where);
        }

        // The notice: opened at 00:30, counts 29..00, rings on its 2nd, 6th.. tick, says
        // thanks on the 31st and is gone on the 35th.
        QVERIFY2(noticeLoadedAt >= 90'000 - 2 && noticeLoadedAt <= 90'300,
                 QByteArray::number(noticeLoadedAt));
        QCOMPARE(noticeTicks.size(), 35);
        int sounds = 0;
        QList<int> ringing;
        for (int j = 1; j <= 35; ++j) {
            const NoticeTick &t = noticeTicks.at(j - 1);
            const QByteArray where =
                "notice tick " + QByteArray::number(j) + " at " + QByteArray::number(t.at) + " ms";
            QVERIFY2(t.at >= 90'000 + j * 1000 - 2 && t.at <= 90'000 + j * 1000 + 300, where);
            if (j <= 30)
                QCOMPARE(t.digits, twoDigits(30 - j));
            if (t.sounds > sounds)
                ringing << j;
            sounds = t.sounds;
            QVERIFY2(t.closingMessage == (j >= 31 && j < 35), where);
            QVERIFY2(t.loaded == (j < 35), where);
        }
        QCOMPARE(ringing, (QList<int>{2, 6, 10, 14, 18, 22, 26, 30}));
        for (int i = 0; i < sound.playedAt.size(); ++i) {
            const qint64 due = 90'000 + ringing.at(i) * 1000;
            QVERIFY2(sound.playedAt.at(i) >= due - 2 && sound.playedAt.at(i) <= due + 300,
                     QByteArray::number(sound.playedAt.at(i)));
        }
        QCOMPARE(sound.stops, 1); // once, as the window closed
        bar.reset();
    }
};

QTEST_MAIN(TestLongRun)
#include "tst_longrun.moc"
