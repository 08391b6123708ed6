#include "barfixture.h"
#include "metronometimer.h"
#include "mmss.h"
#include "noticewindow.h"
#include "picturebox.h"
#include "settingspanel.h"
#include "startoptions.h"
#include "talkoptions.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// The bar with the real notice window.
struct Fixture : BarFixture
{
    explicit Fixture(QRect screen = QRect(0, 0, 1920, 1080))
        : BarFixture(NoticeKind::Real, screen)
    {}
};

} // namespace

// The notice window with the real bar around it on a fake clock: what each load shows and
// where, how it counts, rings and closes, and who closes it early.
class TestNotice : public QObject
{
    Q_OBJECT

private:
    // One showing, followed second by second from the load.
    struct Showing
    {
        QStringList digits; // after each counting tick
        QList<int> sounds;  // ticks that started the sound
        int closingTick = 0;
        bool bareMessage = false; // only the closing message showed at the closing tick
        int unloadTick = 0;       // seconds after the load
    };

    static Showing follow(BarFixture &f, int maxTicks = 70)
    {
        Showing s;
        for (int k = 1; k <= maxTicks; ++k) {
            const qsizetype played = f.sound.played.size();
            f.clock.advance(1000);
            if (f.sound.played.size() > played)
                s.sounds << k;
            const NoticeWindow *w = f.realNotice->window();
            if (!w) {
                s.unloadTick = k;
                break;
            }
            if (!s.closingTick && w->closeTimer()->isEnabled()) {
                s.closingTick = k;
                s.bareMessage = noticeParts(w).message->text() == Notice::closingMessage()
                                && !noticeParts(w).tens->isVisible()
                                && !noticeParts(w).units->isVisible()
                                && !noticeParts(w).unit->isVisible();
            }
            if (!s.closingTick)
                s.digits << f.noticeShown();
        }
        return s;
    }

    static QStringList countingDown(int from)
    {
        QStringList digits;
        for (int n = from - 1; n >= 0; --n)
            digits << twoDigits(n);
        return digits;
    }

    static void openWith(BarFixture &f, const QString &reminder)
    {
        f.realNotice->open(reminder.toInt(), f.clock.nowMs());
    }

    static bool showsTheLayout(const NoticeWindow *w)
    {
        return w && w->isVisible() && noticeParts(w).message->text() == QStringLiteral("剩余")
               && noticeParts(w).unit->text() == QStringLiteral("秒")
               && noticeParts(w).tens->isVisible() && noticeParts(w).units->isVisible()
               && noticeParts(w).unit->isVisible();
    }

private slots:
    void load_data()
    {
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("digits");
        QTest::addRow("30") << "30"
                            << "30";
        QTest::addRow("5") << "5"
                           << "05";
        QTest::addRow("0") << "0"
                           << "00";
        QTest::addRow("10") << "10"
                            << "10";
        QTest::addRow("59") << "59"
                            << "59";
    }

    void load()
    {
        QFETCH(QString, reminder);
        QFETCH(QString, digits);
        Fixture f;
        openWith(f, reminder);
        const NoticeWindow *w = f.realNotice->window();
        QVERIFY(w);
        QVERIFY(showsTheLayout(w));
        QCOMPARE(f.noticeShown(), digits);
        QCOMPARE(int(f.realNotice->counter().noticeSeconds()), reminder.toInt());
        for (const PictureBox *image : {noticeParts(w).tens, noticeParts(w).units}) {
            QVERIFY(image->stretch());
            QCOMPARE(image->size(), QSize(33, 47));
        }
        QVERIFY(w->countTimer()->isEnabled());
        QVERIFY(!w->closeTimer()->isEnabled());
    }

    // A stall (the process stopped) past the reminder point: the bar catches up with the missed
    // ticks, and the notice it opened counts from when that tick was due, so both show the same
    // seconds at once; the alerts missed in the burst make one sound.
    void noticeCatchesUpWithTheBarAfterAStall_data()
    {
        QTest::addColumn<int>("stallMs");
        QTest::addColumn<int>("sounds");
        QTest::addRow("stalled into the notice's first seconds") << 10'000 << 1;
        QTest::addRow("stalled past four of its alerts") << 20'000 << 1;
        QTest::addRow("stalled before its first alert") << 6'000 << 0;
    }

    void noticeCatchesUpWithTheBarAfterAStall()
    {
        QFETCH(int, stallMs);
        QFETCH(int, sounds);
        Fixture f;
        f.apply(0, 30, "20");
        f.bar->start();
        f.clock.advance(5000);
        QCOMPARE(f.shown(), QStringLiteral("00:25"));
        f.clock.jump(stallMs);
        f.clock.advance(0); // the event loop runs again: every timer delivers what is due
        const int left = 25 - stallMs / 1000;
        QCOMPARE(f.shown(), QStringLiteral("00:%1").arg(left, 2, 10, QLatin1Char('0')));
        QCOMPARE(f.noticeShown(), QStringLiteral("%1").arg(left, 2, 10, QLatin1Char('0')));
        QCOMPARE(f.sound.played.size(), sounds);
        // From here on they tick together.
        f.clock.advance(3000);
        QCOMPARE(f.noticeShown(), f.shown().right(2));
    }

    // The notice shows the bar's time: an unapplied pick in the reminder list changes nothing.
    void shownNumberIsTheBarsTime()
    {
        Fixture f;
        f.apply(1, 0, "20");
        f.pick("Combo3", "7");
        f.bar->start();
        f.clock.advance(40'000);
        QCOMPARE(f.noticeShown(), QStringLiteral("20"));
    }

    // The bar's time moves while the notice counts: the notice shows the bar's seconds, and
    // the bar's time-up brings the closing message at once and the close four ticks later.
    void noticeFollowsAMinuteLess()
    {
        Fixture f;
        StartOptions::apply(*f.bar, {.lengthSeconds = 33, .start = true, .adjust = true});
        f.clock.advance(5000);
        QCOMPARE(f.noticeShown(), QStringLiteral("28"));
        f.clock.advance(400);
        f.bar->removeMinute();
        QCOMPARE(f.noticeShown(), QStringLiteral("00"));
        f.clock.advance(600);
        QCOMPARE(f.shown(), QStringLiteral("00:33"));
        QCOMPARE(noticeParts(f.realNotice->window()).message->text(), Notice::closingMessage());
        const int played = int(f.sound.played.size());
        f.clock.advance(3000);
        QVERIFY(f.realNotice->isLoaded());
        f.clock.advance(1000);
        QVERIFY(!f.realNotice->isLoaded());
        QCOMPARE(f.sound.played.size(), played); // no alert behind the message
    }

    void firstShowingFromTheBar()
    {
        Fixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(29'000);
        QVERIFY(!f.realNotice->isLoaded());
        f.clock.advance(1000);
        QCOMPARE(f.shown(), QStringLiteral("00:30"));
        QVERIFY(f.realNotice->isLoaded());
        QCOMPARE(f.noticeShown(), QStringLiteral("30"));

        const Showing s = follow(f);
        QCOMPARE(s.digits, countingDown(30));
        QCOMPARE(s.sounds, (QList<int>{2, 6, 10, 14, 18, 22, 26, 30}));
        QCOMPARE(s.closingTick, 31);
        QVERIFY(s.bareMessage);
        QCOMPARE(s.unloadTick, 35);
        QCOMPARE(f.sound.played, QStringList(8, f.values().soundPath));
    }

    void laterShowings_data()
    {
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<int>("earlier"); // complete showings of the same length before
        QTest::addColumn<QList<int>>("sounds");
        QTest::addColumn<int>("closingTick");
        QTest::addRow("30, second showing")
            << "30" << 1 << QList<int>{4, 8, 12, 16, 20, 24, 28} << 31;
        QTest::addRow("30, third showing")
            << "30" << 2 << QList<int>{2, 6, 10, 14, 18, 22, 26, 30} << 31;
        QTest::addRow("5, first showing") << "5" << 0 << QList<int>{2} << 6;
        QTest::addRow("5, second showing") << "5" << 1 << QList<int>{1, 5} << 6;
        QTest::addRow("1, first showing") << "1" << 0 << QList<int>{} << 2;
        QTest::addRow("0, first showing") << "0" << 0 << QList<int>{} << 1;
        QTest::addRow("0, second showing") << "0" << 1 << QList<int>{} << 1;
    }

    void laterShowings()
    {
        QFETCH(QString, reminder);
        QFETCH(int, earlier);
        QFETCH(QList<int>, sounds);
        QFETCH(int, closingTick);
        Fixture f;
        for (int i = 0; i < earlier; ++i) {
            openWith(f, reminder);
            QVERIFY(follow(f).unloadTick > 0);
        }
        f.sound.played.clear();
        openWith(f, reminder);
        QVERIFY(showsTheLayout(f.realNotice->window()));
        const Showing s = follow(f);
        QCOMPARE(s.digits, countingDown(reminder.toInt()));
        QCOMPARE(s.sounds, sounds);
        QCOMPARE(s.closingTick, closingTick);
        QVERIFY(s.bareMessage);
        // Every showing keeps the closing message for four seconds.
        QCOMPARE(s.unloadTick, closingTick + 4);
    }

    void openingWhileLoadedDoesNotReload_data()
    {
        QTest::addColumn<int>("seconds"); // after the load
        QTest::addRow("counting") << 3;
        QTest::addRow("closing") << 32;
    }

    void openingWhileLoadedDoesNotReload()
    {
        QFETCH(int, seconds);
        Fixture f;
        openWith(f, "30");
        f.clock.advance(seconds * 1000);
        const NoticeWindow *w = f.realNotice->window();
        QVERIFY(w);
        const QString label = noticeParts(w).message->text();
        const QString digits = f.noticeShown();
        const qsizetype placed = f.windows.shown.size();
        const bool closing = w->closeTimer()->isEnabled();
        const qint64 nextTick = (closing ? w->closeTimer() : w->countTimer())->nextDeadline();
        openWith(f, "10");
        QCOMPARE(f.realNotice->window(), w);
        QCOMPARE(f.windows.shown.size(), placed);
        QCOMPARE(noticeParts(w).message->text(), label);
        QCOMPARE(f.noticeShown(), digits);
        QCOMPARE(w->closeTimer()->isEnabled(), closing);
        QCOMPARE(w->countTimer()->isEnabled(), !closing);
        QCOMPARE((closing ? w->closeTimer() : w->countTimer())->nextDeadline(), nextTick);
    }

    void timeUpWithoutReminderShowsOnlyTheMessage()
    {
        Fixture f;
        f.apply(0, 10, "7");
        f.setValues([&](SettingsPanel::Values &v) { v.noReminder = true; });
        f.bar->start();
        f.clock.advance(10'000);
        QVERIFY(!f.realNotice->isLoaded()); // no reminder on the way
        f.clock.advance(1000);
        QCOMPARE(f.shown(), QStringLiteral("00:10"));
        const NoticeWindow *w = f.realNotice->window();
        QVERIFY(w);
        QCOMPARE(f.realNotice->counter().noticeSeconds(), qint16(7));
        QList<int> sounds;
        for (int k = 1; w->countTimer()->isEnabled(); ++k) {
            QVERIFY(w->isVisible());
            QCOMPARE(noticeParts(w).message->text(), Notice::closingMessage());
            QVERIFY(!noticeParts(w).tens->isVisible());
            QVERIFY(!noticeParts(w).units->isVisible());
            QVERIFY(!noticeParts(w).unit->isVisible());
            QVERIFY(k <= 8);
            const qsizetype played = f.sound.played.size();
            f.clock.advance(1000);
            if (f.sound.played.size() > played)
                sounds << k;
            if (k <= 7)
                QCOMPARE(int(f.realNotice->counter().noticeSeconds()), 7 - k);
        }
        QCOMPARE(sounds, (QList<int>{2, 6}));
        QCOMPARE(noticeParts(w).message->text(), Notice::closingMessage());
        f.clock.advance(3000);
        QVERIFY(f.realNotice->isLoaded());
        f.clock.advance(1000);
        QVERIFY(!f.realNotice->isLoaded());
    }

    void timeUpWhileTheReminderIsStillOpen()
    {
        Fixture f;
        f.apply(0, 20, "15");
        f.bar->start();
        f.clock.advance(5000);
        QPointer<NoticeWindow> w = f.realNotice->window();
        QVERIFY(w);
        f.setValues([&](SettingsPanel::Values &v) { v.noReminder = true; });
        const qsizetype placed = f.windows.shown.size();
        f.clock.advance(16'000); // time-up on the bar, 16 s into the notice
        QCOMPARE(f.shown(), QStringLiteral("00:20"));
        QVERIFY(w);
        QCOMPARE(f.realNotice->window(), w.data());
        QCOMPARE(f.windows.shown.size(), placed);
        QCOMPARE(noticeParts(w).message->text(), Notice::closingMessage());
        QVERIFY(!noticeParts(w).tens->isVisible());
        QCOMPARE(f.realNotice->counter().noticeSeconds(), qint16(0)); // in step with the bar
        f.clock.advance(3000);
        QVERIFY(f.realNotice->isLoaded());
        f.clock.advance(1000);
        QVERIFY(!f.realNotice->isLoaded());
    }

    void closingMessageIsShownWhole_data()
    {
        QTest::addColumn<bool>("fromTheBar"); // time-up with the reminder off, or the own count
        QTest::addRow("after the notice's own count") << false;
        QTest::addRow("at time-up without a reminder") << true;
    }

    // The message is wider than the label at the layout's font size; all of it must show, in
    // the largest size that fits, and the next showing starts from the layout's size again.
    void closingMessageIsShownWhole()
    {
        QFETCH(bool, fromTheBar);
        Fixture f;
        f.pick("Combo3", "3");
        if (fromTheBar) {
            f.realNotice->openClosingMessage(f.clock.nowMs());
        } else {
            openWith(f, "3");
            while (f.realNotice->window() && !f.realNotice->window()->closeTimer()->isEnabled())
                f.clock.advance(1000);
        }
        const NoticeWindow *w = f.realNotice->window();
        QVERIFY(w);
        const QLabel *l = noticeParts(w).message;
        QCOMPARE(l->text(), Notice::closingMessage());
        const int room = l->contentsRect().width();
        QFont font = l->font();
        QVERIFY(font.bold());
        QVERIFY2(QFontMetrics(font).horizontalAdvance(l->text()) <= room,
                 qPrintable(QStringLiteral("%1 pt is too wide").arg(font.pointSize())));
        QVERIFY(font.pointSize() <= 24);
        font.setPointSize(font.pointSize() + 1);
        QVERIFY(font.pointSize() > 24 || QFontMetrics(font).horizontalAdvance(l->text()) > room);

        follow(f);
        QVERIFY(!f.realNotice->isLoaded());
        openWith(f, "3");
        QCOMPARE(noticeParts(f.realNotice->window()).message->font().pointSize(), 24);
    }

    void everyLoadStartsFromTheLayout()
    {
        Fixture f;
        f.pick("Combo3", "3");
        f.realNotice->openClosingMessage(f.clock.nowMs());
        QVERIFY(follow(f).unloadTick > 0);
        openWith(f, "3");
        QVERIFY(showsTheLayout(f.realNotice->window()));
        QCOMPARE(f.noticeShown(), QStringLiteral("03"));
    }

    void startAndOkCloseAtOnce_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("seconds"); // after the load
        QTest::addRow("start while counting") << "start" << 2;
        QTest::addRow("ok while counting") << "ok" << 2;
        QTest::addRow("start on the closing message") << "start" << 32;
        QTest::addRow("ok on the closing message") << "ok" << 32;
    }

    void startAndOkCloseAtOnce()
    {
        QFETCH(QString, command);
        QFETCH(int, seconds);
        Fixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(30'000 + seconds * 1000);
        QPointer<NoticeWindow> w = f.realNotice->window();
        QVERIFY(w);
        const NoticeCounter counters = f.realNotice->counter();
        const qsizetype played = f.sound.played.size();
        QVERIFY(played > 0);
        if (command == QLatin1String("start"))
            f.bar->start();
        else
            f.bar->applySettings();
        QVERIFY(!f.realNotice->isLoaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
        QCOMPARE(f.sound.stops, 1);
        QCOMPARE(f.realNotice->counter().soundTicks(), counters.soundTicks());
        QCOMPARE(f.realNotice->counter().closeTicks(), counters.closeTicks());
        f.clock.advance(10'000);
        QVERIFY(!f.realNotice->isLoaded());
        QCOMPARE(f.sound.played.size(), played);
    }

    void soundPathIsReadAtEachStart()
    {
        Fixture f;
        openWith(f, "30");
        f.clock.advance(2000);
        QCOMPARE(f.sound.played, QStringList{f.values().soundPath});
        f.dialog.answers = {QStringLiteral("/x/bell.wav")};
        f.click("Command1");
        f.clock.advance(4000);
        QCOMPARE(f.sound.played.last(), QStringLiteral("/x/bell.wav"));
        f.setValues(
            [&](SettingsPanel::Values &v) { v.soundPath = QStringLiteral("/typed/gong.wav"); });
        f.clock.advance(4000);
        QCOMPARE(f.sound.played.last(), QStringLiteral("/typed/gong.wav"));
        QCOMPARE(f.sound.played.size(), 3);
    }

    void pausingTheBarLeavesTheNoticeRunning()
    {
        Fixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(30'000);
        QVERIFY(f.realNotice->isLoaded());
        f.bar->pauseOrContinue();
        const Showing s = follow(f);
        QCOMPARE(s.digits, countingDown(30));
        QCOMPARE(s.sounds.size(), 8);
        QCOMPARE(s.unloadTick, 35);
        QCOMPARE(f.shown(), QStringLiteral("00:30"));
    }

    void centredOnThePrimaryScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("topLeft");
        QTest::addRow("1920x1080") << QRect(0, 0, 1920, 1080) << QPoint(845, 495);
        QTest::addRow("1280x1024") << QRect(0, 0, 1280, 1024) << QPoint(525, 467);
        // Halves go to the even neighbour: 568.5 -> 568, 569.5 -> 570, 495.5 -> 496.
        QTest::addRow("1367x1081") << QRect(0, 0, 1367, 1081) << QPoint(568, 496);
        QTest::addRow("1369x1083") << QRect(0, 0, 1369, 1083) << QPoint(570, 496);
        QTest::addRow("1366x768") << QRect(0, 0, 1366, 768) << QPoint(568, 339);
        QTest::addRow("right of another screen")
            << QRect(1920, 0, 1280, 1024) << QPoint(1920 + 525, 467);
        QTest::addRow("left of another, odd")
            << QRect(-1367, 100, 1367, 1081) << QPoint(-1367 + 568, 100 + 496);
        QTest::addRow("narrower than the window") << QRect(0, 0, 201, 95) << QPoint(-14, 2);
    }

    void centredOnThePrimaryScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, topLeft);
        Fixture f(screen);
        f.windows.shown.clear();
        openWith(f, "30");
        const QRect expected(topLeft, QSize(230, 90));
        QCOMPARE(f.windows.shown, QList<QRect>{expected});
        QVERIFY(f.realNotice->window());
        QCOMPARE(f.realNotice->window()->geometry(), expected);
    }

    void screenIsReadAtEveryLoad()
    {
        Fixture f;
        openWith(f, "0");
        QVERIFY(follow(f).unloadTick > 0);
        f.windows.screen = QRect(0, 0, 1280, 1024);
        openWith(f, "0");
        QVERIFY(f.realNotice->window());
        QCOMPARE(f.realNotice->window()->geometry(), QRect(525, 467, 230, 90));
    }

    void followsAScreenChangeWhileShown()
    {
        Fixture f;
        openWith(f, "30");
        f.windows.changeScreen(QRect(0, 0, 1280, 1024));
        QCOMPARE(f.realNotice->window()->geometry(), QRect(525, 467, 230, 90));
    }

    void appearance_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addRow("Label1") << "Label1";
        QTest::addRow("Label2") << "Label2";
    }

    void appearance()
    {
        QFETCH(QString, label);
        Fixture f;
        openWith(f, "30");
        NoticeWindow *w = f.realNotice->window();
        QVERIFY(w);
        auto *l = w->findChild<QLabel *>(label);
        QVERIFY(l);
        QCOMPARE(l->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(l->font().pointSize(), 24);
        QVERIFY(l->font().bold());
        QCOMPARE(w->size(), QSize(230, 90));
        // The corner outside the inner frame shows the window's own background.
        const QImage image = w->grab().toImage();
        QCOMPARE(image.pixelColor(2, 2), QColor(192, 255, 192));
        QCOMPARE(image.pixelColor(227, 87), QColor(192, 255, 192));
        // It must never take the keyboard from the slide show.
        QVERIFY(w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)
                || w->testAttribute(Qt::WA_ShowWithoutActivating));
    }
};

QTEST_MAIN(TestNotice)
#include "tst_notice.moc"
