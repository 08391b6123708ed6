#include "barfixture.h"
#include "metronometimer.h"
#include "settingspanel.h"
#include "titlebar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// Everything OK may touch, taken at one moment.
struct BarState
{
    qint16 presetMinutes, presetSeconds, reminderSeconds, minutesLeft, secondsLeft;
    QString shown;
    bool panelOpen;
    bool running;
    bool bordered;
    QString title;
    QRect geometry;
    bool noReminder;
    bool noticeLoaded;
    QString noticeShown;
    int soundStops;

    bool operator==(const BarState &) const = default;
};

BarState snapshot(BarFixture &f)
{
    const Countdown &c = f.bar->countdown();
    return {c.presetMinutes(),        c.presetSeconds(),  c.reminderSeconds(),
            c.minutesLeft(),          c.secondsLeft(),    f.shown(),
            f.bar->isPanelOpen(),     f.bar->isTicking(), f.bar->hasBorder(),
            f.bar->windowTitle(),     f.bar->geometry(),  f.values().noReminder,
            f.realNotice->isLoaded(), f.noticeShown(),    f.sound.stops};
}

char *toString(const BarState &s)
{
    const QString text =
        QStringLiteral("preset %1:%2 reminder %3 left %4:%5 shown %6 panel open %7 running %8 "
                       "border %9 title '%10' geometry %11,%12 %13x%14 noReminder %15 "
                       "notice %16 '%17' stops %18")
            .arg(s.presetMinutes)
            .arg(s.presetSeconds)
            .arg(s.reminderSeconds)
            .arg(s.minutesLeft)
            .arg(s.secondsLeft)
            .arg(s.shown)
            .arg(s.panelOpen)
            .arg(s.running)
            .arg(s.bordered)
            .arg(s.title)
            .arg(s.geometry.x())
            .arg(s.geometry.y())
            .arg(s.geometry.width())
            .arg(s.geometry.height())
            .arg(s.noReminder)
            .arg(s.noticeLoaded)
            .arg(s.noticeShown)
            .arg(s.soundStops);
    return qstrdup(text.toUtf8().constData());
}

// As the program builds it; checked once against the build tree in initTestCase().
QString defaultSound()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("blip.wav");
}

const QString Title = QStringLiteral("演讲倒计时");

// With the real notice window.
struct Fixture : BarFixture
{
    Fixture()
        : BarFixture(NoticeKind::Real)
    {}
};

} // namespace

// The settings panel through the bar: OK and what it applies or refuses, the reminder list's
// hold on the no-reminder box, the border, and the sound file choice.
class TestSettingsPanel : public QObject
{
    Q_OBJECT

private slots:
    // The generated sound beside the programs, found through the build tree.
    void initTestCase()
    {
        QCOMPARE(QFileInfo(defaultSound()).canonicalFilePath(),
                 QFileInfo(QStringLiteral(QT_TESTCASE_BUILDDIR "/../../bin/blip.wav"))
                     .canonicalFilePath());
    }

    void acceptedOkDrawsThePreset_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("reminderSeconds");
        QTest::addColumn<bool>("noReminder");
        // Each row follows an OK with reminder 45, so a kept reminder shows as 45.
        QTest::addRow("5:07") << 5 << 7 << "30"
                              << "05:07" << 30 << false;
        QTest::addRow("12:40") << 12 << 40 << "30"
                               << "12:40" << 30 << false;
        QTest::addRow("0:00 without reminder") << 0 << 0 << "0"
                                               << "00:00" << 45 << true;
        QTest::addRow("0:30, reminder equal to the talk") << 0 << 30 << "30"
                                                          << "00:30" << 30 << false;
        QTest::addRow("1:00, reminder 59") << 1 << 0 << "59"
                                           << "01:00" << 59 << false;
        QTest::addRow("10:00 without reminder") << 10 << 0 << "0"
                                                << "10:00" << 45 << true;
    }

    void acceptedOkDrawsThePreset()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(QString, reminder);
        QFETCH(QString, shown);
        QFETCH(int, reminderSeconds);
        QFETCH(bool, noReminder);
        BarFixture f;
        f.apply(2, 0, "45");
        f.bar->openSettings();
        f.pick("Combo1", QString::number(minutes));
        f.pick("Combo2", QString::number(seconds));
        f.pick("Combo3", reminder);
        f.setValues(
            [&](SettingsPanel::Values &v) { v.noReminder = false; }); // so only OK can tick it
        f.bar->applySettings();
        QCOMPARE(f.messages.shown.size(), 0);
        QCOMPARE(f.shown(), shown);
        const Countdown &c = f.bar->countdown();
        QCOMPARE(c.presetMinutes(), qint16(minutes));
        QCOMPARE(c.presetSeconds(), qint16(seconds));
        QCOMPARE(c.reminderSeconds(), qint16(reminderSeconds));
        QCOMPARE(c.minutesLeft(), qint16(0)); // only Start loads the time left
        QCOMPARE(c.secondsLeft(), qint16(0));
        QCOMPARE(f.values().noReminder, noReminder);
        QVERIFY(!f.bar->isPanelOpen());
        QVERIFY(!f.bar->isTicking());
    }

    void refusedOkChangesNothing_data()
    {
        QTest::addColumn<int>("minutes"); // -1: the list without an entry
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("message");
        const QString tooLate = QStringLiteral("设置无效，提醒时间大于计时时间");
        QTest::addRow("0:30 with reminder 31") << 0 << 30 << "31" << tooLate;
        QTest::addRow("0:58 with reminder 59") << 0 << 58 << "59" << tooLate;
        QTest::addRow("both lists empty") << -1 << -1 << "20" << QStringLiteral("计时时间为0");
    }

    void refusedOkChangesNothing()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(QString, reminder);
        QFETCH(QString, message);
        Fixture f;
        f.apply(1, 0, "50"); // framed, reminder at 50
        f.bar->start();
        f.clock.advance(5000);
        QCOMPARE(f.shown(), QStringLiteral("00:55"));

        auto refuse = [&] {
            f.bar->openSettings();
            // A border change would show in the snapshot.
            f.setValues([](SettingsPanel::Values &v) { v.borderless = true; });
            if (minutes < 0) {
                f.setValues([](SettingsPanel::Values &v) { v.minutes = v.seconds = std::nullopt; });
            } else {
                f.pick("Combo1", QString::number(minutes));
                f.pick("Combo2", QString::number(seconds));
            }
            f.pick("Combo3", reminder);
            const BarState before = snapshot(f);
            f.messages.shown.clear();
            f.bar->applySettings();
            QCOMPARE(snapshot(f), before);
            QCOMPARE(f.messages.shown.size(), 1);
            QCOMPARE(f.messages.shown.first().title, QStringLiteral("计时"));
            QCOMPARE(f.messages.shown.first().text, message);
        };
        refuse();
        if (QTest::currentTestFailed())
            return;

        // The countdown runs on and still reminds at the old point.
        f.clock.advance(4000);
        QCOMPARE(f.shown(), QStringLiteral("00:51"));
        QVERIFY(!f.realNotice->isLoaded());
        f.clock.advance(1000);
        QVERIFY(f.realNotice->isLoaded());

        // Refused again with the notice open: the notice counts on.
        f.clock.advance(2000);
        const qint16 noticeLeft = f.realNotice->counter().noticeSeconds();
        refuse();
        if (QTest::currentTestFailed())
            return;
        f.clock.advance(1000);
        QVERIFY(f.realNotice->isLoaded());
        QCOMPARE(f.realNotice->counter().noticeSeconds(), qint16(noticeLeft - 1));
        QCOMPARE(f.shown(), QStringLiteral("00:47"));
    }

    void okWhileRunningStopsAndShowsThePreset()
    {
        BarFixture f;
        f.apply(2, 30, "30");
        f.bar->start();
        f.clock.advance(5000);
        QCOMPARE(f.shown(), QStringLiteral("02:25"));
        f.bar->openSettings();
        f.apply(3, 10, "30");
        QVERIFY(!f.bar->isTicking());
        QCOMPARE(f.shown(), QStringLiteral("03:10"));
        f.clock.advance(3000);
        QCOMPARE(f.shown(), QStringLiteral("03:10"));
        QCOMPARE(f.bar->countdown().minutesLeft(), qint16(2));
        QCOMPARE(f.bar->countdown().secondsLeft(), qint16(25));
    }

    void okClosesTheNotice()
    {
        Fixture f;
        f.apply(0, 40, "30");
        f.bar->start();
        f.clock.advance(12'000); // the notice came at 00:30 and rang once
        QVERIFY(f.realNotice->isLoaded());
        QCOMPARE(f.sound.played.size(), 1);
        f.bar->openSettings();
        f.apply(0, 40, "30");
        QVERIFY(!f.realNotice->isLoaded());
        QCOMPARE(f.sound.stops, 1);
        f.clock.advance(40'000);
        QVERIFY(!f.realNotice->isLoaded());
        QCOMPARE(f.sound.played.size(), 1);
    }

    void picksAndTheNoReminderBox_data()
    {
        QTest::addColumn<bool>("checkedBefore");
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checkedAfter");
        QTest::addRow("reminder 0 checks") << false << "Combo3"
                                           << "0" << true;
        QTest::addRow("reminder 0 keeps checked") << true << "Combo3"
                                                  << "0" << true;
        QTest::addRow("reminder 1 unchecks") << true << "Combo3"
                                             << "1" << false;
        QTest::addRow("reminder 59 leaves unchecked") << false << "Combo3"
                                                      << "59" << false;
        QTest::addRow("minutes 0 leaves unchecked") << false << "Combo1"
                                                    << "0" << false;
        QTest::addRow("minutes 5 leaves checked") << true << "Combo1"
                                                  << "5" << true;
        QTest::addRow("seconds 0 leaves unchecked") << false << "Combo2"
                                                    << "0" << false;
        QTest::addRow("seconds 30 leaves checked") << true << "Combo2"
                                                   << "30" << true;
    }

    void picksAndTheNoReminderBox()
    {
        QFETCH(bool, checkedBefore);
        QFETCH(QString, combo);
        QFETCH(QString, text);
        QFETCH(bool, checkedAfter);
        BarFixture f;
        f.apply(1, 0, "20");
        f.setValues([&](SettingsPanel::Values &v) { v.noReminder = checkedBefore; });
        const Countdown before = f.bar->countdown();
        f.pick(qPrintable(combo), text);
        QCOMPARE(f.values().noReminder, checkedAfter);
        // A pick waits for OK.
        QCOMPARE(f.bar->countdown().presetMinutes(), before.presetMinutes());
        QCOMPARE(f.bar->countdown().presetSeconds(), before.presetSeconds());
        QCOMPARE(f.bar->countdown().reminderSeconds(), before.reminderSeconds());
        QCOMPARE(f.shown(), QStringLiteral("01:00"));
    }

    void borderFollowsTheBox_data()
    {
        QTest::addColumn<QList<bool>>("borderless"); // the box at each OK
        QTest::addColumn<QRect>("screen");
        const QRect full(0, 0, 1920, 1080);
        const QRect offset(1920, 120, 1280, 1024);
        QTest::addRow("framed") << QList<bool>{false} << full;
        QTest::addRow("borderless") << QList<bool>{true} << full;
        QTest::addRow("framed, then borderless") << QList<bool>{false, true} << full;
        QTest::addRow("borderless, then framed") << QList<bool>{true, false} << full;
        QTest::addRow("framed twice") << QList<bool>{false, false} << full;
        QTest::addRow("framed on an offset screen") << QList<bool>{false} << offset;
        QTest::addRow("framed, then borderless, offset screen")
            << QList<bool>{false, true} << offset;
    }

    void borderFollowsTheBox()
    {
        QFETCH(QList<bool>, borderless);
        QFETCH(QRect, screen);
        BarFixture f(BarFixture::NoticeKind::Fake, screen);
        for (bool box : borderless) {
            f.bar->openSettings();
            f.setValues([&](SettingsPanel::Values &v) { v.borderless = box; });
            f.apply(5, 7, "30");
        }
        const bool framed = !borderless.last();
        QCOMPARE(f.bar->hasBorder(), framed);
        QCOMPARE(f.bar->windowTitle(), framed ? Title : QString());
        QVERIFY(f.bar->windowFlags().testFlag(Qt::FramelessWindowHint)); // frames are our own
        QCOMPARE(f.bar->titleBar()->isVisibleTo(f.bar.get()), framed);

        const int title = framed ? f.bar->titleBar()->height() : 0;
        const int frame = framed ? 1 : 0;
        const QRect bar = f.bar->geometry();
        QCOMPARE(bar.topRight(), screen.topRight());
        QCOMPARE(bar.size(), QSize(293 + 2 * frame, 133 + title + 2 * frame));
        QCOMPARE(f.bar->surface()->geometry().topLeft(), QPoint(frame, frame + title));
        QCOMPARE(f.bar->surface()->width(), 293);
        QCOMPARE(f.shown(), QStringLiteral("05:07"));
        if (!framed)
            return;
        QVERIFY(title > 0);
        QCOMPARE(f.bar->titleBar()->title(), Title);
        QCOMPARE(f.bar->titleBar()->geometry(), QRect(1, 1, 293, title));
    }

    void framedBarDrawsItsOwnFrame_data()
    {
        QTest::addColumn<bool>("expanded"); // the panel uncovered
        QTest::addColumn<QString>("edge");
        for (bool expanded : {false, true}) {
            for (const char *edge : {"left", "right", "top", "bottom"})
                QTest::addRow("%s, %s", expanded ? "panel open" : "panel closed", edge)
                    << expanded << QString::fromLatin1(edge);
        }
    }

    void framedBarDrawsItsOwnFrame()
    {
        QFETCH(bool, expanded);
        QFETCH(QString, edge);
        BarFixture f;
        f.apply(5, 7, "30");
        if (expanded)
            f.bar->openSettings();
        const QSize size = f.bar->size();
        const QPoint at =
            edge == QLatin1String("left")    ? QPoint(0, size.height() / 2)
            : edge == QLatin1String("right") ? QPoint(size.width() - 1, size.height() / 2)
            : edge == QLatin1String("top")   ? QPoint(size.width() / 2, 0)
                                             : QPoint(size.width() / 2, size.height() - 1);
        const QImage image = f.bar->grab().toImage();
        QCOMPARE(image.pixelColor(at).rgb(), f.bar->palette().color(QPalette::Shadow).rgb());
    }

    // Return and Enter press a focused button as Space does; other keys do not.
    void keysPressAFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("pressed"); // "ok", "cancel", "choose" or ""
        QTest::addRow("Return on OK") << "Command2" << int(Qt::Key_Return) << "ok";
        QTest::addRow("Enter on OK") << "Command2" << int(Qt::Key_Enter) << "ok";
        QTest::addRow("Space on OK") << "Command2" << int(Qt::Key_Space) << "ok";
        QTest::addRow("Return on Cancel") << "Command3" << int(Qt::Key_Return) << "cancel";
        QTest::addRow("Return on ...") << "Command1" << int(Qt::Key_Return) << "choose";
        QTest::addRow("Escape on OK") << "Command2" << int(Qt::Key_Escape) << "";
        QTest::addRow("A on Cancel") << "Command3" << int(Qt::Key_A) << "";
    }

    void keysPressAFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, pressed);
        BarFixture f;
        SettingsPanel *p = f.bar->panel();
        QSignalSpy ok(p, &SettingsPanel::okClicked);
        QSignalSpy cancel(p, &SettingsPanel::cancelClicked);
        f.bar->openSettings();
        f.bar->activateWindow();
        auto *target = f.bar->findChild<QPushButton *>(button);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(ok.count(), pressed == QLatin1String("ok") ? 1 : 0);
        QCOMPARE(cancel.count(), pressed == QLatin1String("cancel") ? 1 : 0);
        QCOMPARE(f.dialog.dirs.size(), pressed == QLatin1String("choose") ? 1 : 0);
    }

    void soundChoice_data()
    {
        QTest::addColumn<QStringList>("answers"); // a null entry cancels the dialog
        QTest::addColumn<QString>("path");        // "" stands for the default path
        QTest::addColumn<int>("warnings");
        QTest::addRow("cancelled at first use") << QStringList{QString()} << "" << 0;
        QTest::addRow("bell.wav") << QStringList{"/x/bell.wav"} << "/x/bell.wav" << 0;
        QTest::addRow("BELL.WAV refused")
            << QStringList{"/x/BELL.WAV"} << "/typed/by/hand.wav" << 1;
        QTest::addRow("mixed case refused")
            << QStringList{"/x/bell.Wav"} << "/typed/by/hand.wav" << 1;
        QTest::addRow("mywav without a dot") << QStringList{"/x/mywav"} << "/x/mywav" << 0;
        QTest::addRow("cancel after a choice keeps it")
            << QStringList{"/x/bell.wav", QString()} << "/x/bell.wav" << 0;
        QTest::addRow("refused after a choice keeps it")
            << QStringList{"/x/bell.wav", "/x/tune.mp3"} << "/x/bell.wav" << 1;
        // The dialog still holds the refused name, so the cancel refuses it once more.
        QTest::addRow("cancel after a refusal")
            << QStringList{"/x/BELL.WAV", QString()} << "/typed/by/hand.wav" << 2;
    }

    void soundChoice()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, path);
        QFETCH(int, warnings);
        BarFixture f;
        f.setValues([](SettingsPanel::Values &v) { v.soundPath = "/typed/by/hand.wav"; });
        f.dialog.answers = answers;
        for (qsizetype i = 0; i < answers.size(); ++i)
            f.click("Command1");
        QCOMPARE(f.dialog.dirs.size(), answers.size());
        QCOMPARE(f.dialog.lastTitle, QStringLiteral("选择wav文件"));
        QCOMPARE(f.dialog.lastFilter, QStringLiteral("声音文件(*.wav)"));
        // It opens on the default sound, later on the file last chosen, refused or not.
        QCOMPARE(f.dialog.dirs.first(), defaultSound());
        QCOMPARE(f.dialog.dirs.last(), answers.size() > 1 ? answers.first() : defaultSound());
        QCOMPARE(f.values().soundPath, path.isEmpty() ? defaultSound() : path);
        QCOMPARE(f.fakeNotice.soundPath, f.values().soundPath); // the notice is told
        QCOMPARE(f.messages.shown.size(), warnings);
        for (const FakeMessageBox::Shown &m : std::as_const(f.messages.shown)) {
            QCOMPARE(m.title, QStringLiteral("打开文件"));
            QCOMPARE(m.text, QStringLiteral("文件格式不正确"));
        }
    }
};

QTEST_MAIN(TestSettingsPanel)
#include "tst_settingspanel.moc"
