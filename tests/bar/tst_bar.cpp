#include "barfixture.h"
#include "barmenu.h"
#include "glyphstrip.h"
#include "metronometimer.h"
#include "picturebox.h"
#include "settingspanel.h"
#include "shapeframe.h"
#include "startoptions.h"
#include "talkoptions.h"
#include "titlebar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TalkOptions)

// The control bar: start-up, its menu's state machine, the tick on the display, and which
// clicks open the menu.
class TestBar : public QObject
{
    Q_OBJECT

private:
    static void command(BarFixture &f, const QString &name)
    {
        if (name == QLatin1String("start"))
            f.bar->start();
        else if (name == QLatin1String("resum"))
            f.bar->pauseOrContinue();
        else if (name == QLatin1String("apply"))
            f.bar->applySettings();
        else if (name == QLatin1String("tick"))
            f.clock.advance(1000);
        else
            QFAIL(qPrintable(QStringLiteral("unknown command ") + name));
    }

    // "mm:ss colour" as drawn, each picture compared with the cells of the three strips; mixed
    // colours show as "amber+cyan".
    static QString shownInColour(const BarFixture &f)
    {
        static const QList<std::pair<QString, PictureClip>> strips = {
            {"cyan", PictureClip(GlyphStrip::render(1.0), 1, GlyphStrip::Columns)},
            {"amber", PictureClip(GlyphStrip::render(1.0, GlyphStrip::Amber), 1, 11)},
            {"red", PictureClip(GlyphStrip::render(1.0, GlyphStrip::Red), 1, 11)}};
        QString digits;
        QSet<QString> colours;
        for (const PictureBox *box : {f.image(1), f.image(2), f.image(3), f.image(4), f.image(5)}) {
            const QImage image = box->picture().toImage();
            QChar c = QLatin1Char('?');
            for (const auto &[colour, strip] : strips) {
                for (int k = 0; k < 11; ++k) {
                    if (strip.cell(k).toImage() == image) {
                        c = k == GlyphStrip::ColonCell ? QLatin1Char(':') : QLatin1Char('0' + k);
                        colours << colour;
                    }
                }
            }
            digits += c;
        }
        QStringList names = colours.values();
        names.sort();
        return digits + QLatin1Char(' ') + names.join(QLatin1Char('+'));
    }

private slots:
    void placedInTheTopRightCorner_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("expected");
        QTest::addRow("1920x1080") << QRect(0, 0, 1920, 1080) << QRect(1627, 0, 293, 133);
        QTest::addRow("1280x800") << QRect(0, 0, 1280, 800) << QRect(987, 0, 293, 133);
        QTest::addRow("800x600") << QRect(0, 0, 800, 600) << QRect(507, 0, 293, 133);
        QTest::addRow("primary right of another")
            << QRect(1920, 0, 1280, 1024) << QRect(2907, 0, 293, 133);
    }

    void placedInTheTopRightCorner()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, expected);
        BarFixture f(BarFixture::NoticeKind::Fake, screen);
        QCOMPARE(f.windows.shown, QList<QRect>{expected});
        QCOMPARE(f.bar->geometry(), expected);
        QVERIFY(f.windows.keepOnTopCalls > 0);
        QVERIFY(!f.bar->isPanelOpen());
    }

    void controlsAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<QString>("caption");
        // The layout's twips divided by 15 and rounded, worked out by hand.
        QTest::addRow("Shape1") << "Shape1" << QRect(24, 8, 249, 89) << "";
        QTest::addRow("Label1") << "Label1" << QRect(8, 184, 65, 17) << "计时时间：";
        QTest::addRow("Combo1") << "Combo1" << QRect(72, 181, 57, 20) << "";
        QTest::addRow("Label2") << "Label2" << QRect(136, 184, 25, 17) << "分";
        QTest::addRow("Combo2") << "Combo2" << QRect(160, 181, 57, 20) << "";
        QTest::addRow("Label3") << "Label3" << QRect(224, 184, 25, 17) << "秒";
        QTest::addRow("Label4") << "Label4" << QRect(8, 216, 65, 17) << "提醒时刻：";
        QTest::addRow("Combo3") << "Combo3" << QRect(72, 213, 57, 20) << "";
        QTest::addRow("Label5") << "Label5" << QRect(136, 216, 25, 17) << "秒";
        QTest::addRow("Check1") << "Check1" << QRect(168, 208, 57, 25) << "不提醒";
        QTest::addRow("Label6") << "Label6" << QRect(8, 248, 65, 17) << "提醒声音：";
        QTest::addRow("Text1") << "Text1" << QRect(72, 248, 145, 18) << "";
        QTest::addRow("Command1") << "Command1" << QRect(216, 248, 33, 17) << "...";
        QTest::addRow("Command2") << "Command2" << QRect(136, 280, 57, 25) << "确定";
        QTest::addRow("Command3") << "Command3" << QRect(224, 280, 57, 25) << "取消";
        QTest::addRow("Check2") << "Check2" << QRect(8, 280, 65, 17) << "无边框";
        // Digit pictures take the 41 x 69 size of the cell they show.
        QTest::addRow("Image1") << "Image1" << QRect(32, 16, 41, 69) << "";
        QTest::addRow("Image2") << "Image2" << QRect(80, 16, 41, 69) << "";
        QTest::addRow("Image3") << "Image3" << QRect(128, 16, 41, 69) << "";
        QTest::addRow("Image4") << "Image4" << QRect(176, 16, 41, 69) << "";
        QTest::addRow("Image5") << "Image5" << QRect(224, 16, 41, 69) << "";
    }

    void controlsAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, pixels);
        QFETCH(QString, caption);
        BarFixture f;
        auto *w = f.bar->findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->geometry(), pixels);
        QString text;
        if (auto *label = qobject_cast<QLabel *>(w); label && !qobject_cast<PictureBox *>(w))
            text = label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            text = button->text();
        QCOMPARE(text, caption);
    }

    void tabOrderFollowsTheRows()
    {
        BarFixture f;
        const QStringList expected{"Combo1",   "Combo2",   "Combo3",   "Check1", "Text1",
                                   "Command1", "Command2", "Command3", "Check2"};
        QWidget *w = f.bar->findChild<QWidget *>(expected.first());
        for (const QString &name : expected) {
            QCOMPARE(w->objectName(), name);
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !w->isEnabled()
                   || !expected.contains(w->objectName())) {
                if (w->objectName() == expected.first())
                    break;
                w = w->nextInFocusChain();
            }
        }
    }

    void startUpState()
    {
        BarFixture f;
        const Countdown &c = f.bar->countdown();
        QCOMPARE(c.presetMinutes(), qint16(0));
        QCOMPARE(c.presetSeconds(), qint16(0));
        QCOMPARE(c.reminderSeconds(), qint16(0));
        QCOMPARE(c.minutesLeft(), qint16(0));
        QCOMPARE(c.secondsLeft(), qint16(0));
        QVERIFY(!f.bar->isTicking());
        QCOMPARE(f.tickTimer()->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(f.tickTimer()->interval(), 1000); // one second of the countdown per tick
        QCOMPARE(f.menuItem("resum")->text(), QStringLiteral("暂停"));
        QVERIFY(!f.menu()->isVisible());
        const SettingsPanel::Values v = f.values();
        QVERIFY(!v.noReminder);
        QVERIFY(!v.borderless);
        QVERIFY(f.bar->findChild<QCheckBox *>(QStringLiteral("Check2"))->isEnabled());
        // The generated sound beside the programs, found through the build tree.
        QCOMPARE(QFileInfo(v.soundPath).canonicalFilePath(),
                 QFileInfo(QStringLiteral(QT_TESTCASE_BUILDDIR "/../../bin/blip.wav"))
                     .canonicalFilePath());
        QVERIFY(v.soundPath.endsWith(QStringLiteral("/blip.wav")));
        // Start-up tells the notice the reminder point and sound the panel shows.
        QCOMPARE(f.fakeNotice.reminderSeconds, 30);
        QCOMPARE(f.fakeNotice.soundPath, v.soundPath);
        QCOMPARE(f.shown(), QStringLiteral("00:00"));
        QCOMPARE(f.bar->windowTitle(), QStringLiteral("演讲倒计时"));
        QVERIFY(!f.bar->hasBorder());
        QVERIFY(f.fakeNotice.calls.isEmpty()); // start-up leaves the notice alone
        const auto *minutes = f.bar->findChild<QComboBox *>(QStringLiteral("Combo1"));
        QVERIFY(!minutes->isVisibleTo(f.bar.get())
                || minutes->mapTo(f.bar.get(), QPoint()).y() >= f.bar->height());
    }

    void listsHoldZeroToFiftyNine()
    {
        BarFixture f;
        QStringList expected;
        for (int i = 0; i <= 59; ++i)
            expected << QString::number(i);
        const QList<QPair<const char *, QString>> lists{
            {"Combo1", "6"}, {"Combo2", "0"}, {"Combo3", "30"}};
        for (const auto &[name, current] : lists) {
            const auto *combo = f.bar->findChild<QComboBox *>(QLatin1String(name));
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items, expected);
            QCOMPARE(combo->currentText(), current);
            QVERIFY(!combo->isEditable());
        }
    }

    void menuItemsInOrder()
    {
        BarFixture f;
        QStringList names, captions;
        for (QAction *a : f.menu()->actions()) {
            names << a->objectName();
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(names, (QStringList{"qidong", "resum", "sp", "sz", "exit"}));
        QCOMPARE(captions, (QStringList{"启动", "暂停", "-", "设置", "退出"}));
        QCOMPARE(f.menu()->objectName(), QStringLiteral("popmenu"));
    }

    void runStateTransitions_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("caption");
        QTest::addRow("start") << QStringList{"start"} << true << "暂停";
        QTest::addRow("pause while stopped") << QStringList{"resum"} << false << "继续";
        QTest::addRow("pause") << QStringList{"start", "resum"} << false << "继续";
        QTest::addRow("continue") << QStringList{"start", "resum", "resum"} << true << "暂停";
        QTest::addRow("start while paused: stale caption")
            << QStringList{"resum", "start"} << true << "继续";
        QTest::addRow("stale caption, item once")
            << QStringList{"resum", "start", "resum"} << true << "暂停";
        QTest::addRow("stale caption, item twice")
            << QStringList{"resum", "start", "resum", "resum"} << false << "继续";
        QTest::addRow("apply while running") << QStringList{"start", "apply"} << false << "暂停";
        QTest::addRow("apply while paused")
            << QStringList{"start", "resum", "apply"} << false << "继续";
        QTest::addRow("time-up") << QStringList{"start", "tick"} << false << "暂停";
        QTest::addRow("time-up with stale caption is a pause")
            << QStringList{"resum", "start", "tick"} << false << "继续";
        QTest::addRow("continue before any start: first tick is time-up")
            << QStringList{"resum", "resum", "tick"} << false << "暂停";
    }

    void runStateTransitions()
    {
        QFETCH(QStringList, commands);
        QFETCH(bool, running);
        QFETCH(QString, caption);
        BarFixture f; // preset 0:00: the first tick of any run is a time-up
        for (const QString &c : commands)
            command(f, c);
        QCOMPARE(f.bar->isTicking(), running);
        QCOMPARE(f.menuItem("resum")->text(), caption);
    }

    void startLoadsThePresetWithoutRedrawing()
    {
        BarFixture f;
        f.apply(2, 0, "30");
        f.bar->start();
        f.clock.advance(1000); // 01:59 left over from an earlier run
        f.apply(5, 7, "30");
        QCOMPARE(f.shown(), QStringLiteral("05:07"));
        QCOMPARE(f.bar->countdown().minutesLeft(), qint16(1));
        f.fakeNotice.calls.clear();
        f.bar->start();
        QCOMPARE(f.bar->countdown().minutesLeft(), qint16(5));
        QCOMPARE(f.bar->countdown().secondsLeft(), qint16(7));
        QCOMPARE(f.fakeNotice.calls, QStringList{"unload"});
        QCOMPARE(f.shown(), QStringLiteral("05:07"));
        f.clock.advance(999);
        QCOMPARE(f.shown(), QStringLiteral("05:07"));
        f.clock.advance(1);
        QCOMPARE(f.shown(), QStringLiteral("05:06"));
    }

    // Start restarts the tick's schedule: the first tick of the new talk comes a full second
    // after Start, also when the countdown was running (half-way to its next tick here).
    void startWhileRunningRestartsTheSchedule()
    {
        BarFixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(1500);
        QCOMPARE(f.shown(), QStringLiteral("00:59"));
        f.bar->start();
        f.clock.advance(999);
        QCOMPARE(f.bar->countdown().secondsLeft(), qint16(0)); // not ticked yet
        f.clock.advance(1);
        QCOMPARE(f.shown(), QStringLiteral("00:59"));
    }

    void pauseFreezesAndContinueGoesOn()
    {
        BarFixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(3000);
        f.bar->pauseOrContinue();
        f.clock.advance(60'000);
        QCOMPARE(f.shown(), QStringLiteral("00:57"));
        f.bar->pauseOrContinue();
        f.clock.advance(1000);
        QCOMPARE(f.shown(), QStringLiteral("00:56"));
    }

    void wholeMinuteOnTheBar()
    {
        BarFixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(1000);
        QCOMPARE(f.shown(), QStringLiteral("00:59"));
        f.clock.advance(59'000);
        QCOMPARE(f.shown(), QStringLiteral("00:00"));
        QVERIFY(f.bar->isTicking());
        f.clock.advance(1000);
        QCOMPARE(f.shown(), QStringLiteral("01:00"));
        QVERIFY(!f.bar->isTicking());
        f.clock.advance(5000);
        QCOMPARE(f.shown(), QStringLiteral("01:00"));
    }

    void noticeHandOvers_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<bool>("noReminder");
        QTest::addColumn<QStringList>("calls"); // "tick:call" after Start
        QTest::addRow("reminder at 30")
            << 40 << "30" << false << QStringList{"10:open 30", "41:finish"};
        QTest::addRow("reminder off: closing at time-up")
            << 40 << "30" << true << QStringList{"41:closing"};
        QTest::addRow("reminder 0 ticks the box") << 5 << "0" << false << QStringList{"6:closing"};
        QTest::addRow("reminder equal to the talk: on the first tick")
            << 30 << "30" << false << QStringList{"1:open 29", "31:finish"};
    }

    void noticeHandOvers()
    {
        QFETCH(int, seconds);
        QFETCH(QString, reminder);
        QFETCH(bool, noReminder);
        QFETCH(QStringList, calls);
        BarFixture f;
        f.apply(0, seconds, reminder);
        if (noReminder)
            f.setValues([&](SettingsPanel::Values &v) { v.noReminder = true; });
        f.bar->start();
        f.fakeNotice.calls.clear();
        QStringList seen;
        for (int tick = 1; tick <= seconds + 3; ++tick) {
            const qsizetype before = f.fakeNotice.calls.size();
            f.clock.advance(1000);
            for (qsizetype i = before; i < f.fakeNotice.calls.size(); ++i)
                seen << QStringLiteral("%1:%2").arg(tick).arg(f.fakeNotice.calls.at(i));
        }
        QCOMPARE(seen, calls);
    }

    void reminderAtZeroWithTheBoxUntickedByHand()
    {
        BarFixture f;
        f.apply(0, 5, "0"); // keeps reminderSeconds at 0 and ticks the box
        f.setValues([&](SettingsPanel::Values &v) { v.noReminder = false; });
        f.bar->start();
        f.fakeNotice.calls.clear();
        f.clock.advance(5000);
        QCOMPARE(f.fakeNotice.calls, QStringList{"open 0"}); // with 00:00 on the bar
        f.clock.advance(1000);
        // Time-up opens nothing more: the open notice says thanks.
        QCOMPARE(f.fakeNotice.calls, (QStringList{"open 0", "finish"}));
    }

    void stalledLoopCatchesUp()
    {
        BarFixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.clock.advance(2000);
        f.clock.jump(5000);
        f.tickTimer()->processDue();
        QCOMPARE(f.shown(), QStringLiteral("00:53"));
    }

    void settingsGrowAndCancelShrinks()
    {
        BarFixture f;
        const QPoint topLeft = f.bar->pos();
        f.bar->start();
        f.bar->openSettings();
        QCOMPARE(f.bar->height(), 347);
        QCOMPARE(f.bar->pos(), topLeft);
        QVERIFY(f.bar->isTicking()); // the countdown keeps running
        f.bar->openSettings();
        QCOMPARE(f.bar->height(), 347);
        f.bar->cancelSettings();
        QCOMPARE(f.bar->height(), 133);
        QCOMPARE(f.bar->pos(), topLeft);
    }

    void keyboardIsLentOnlyWhileThePanelIsOpen_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("lent");
        QTest::addColumn<int>("returned");
        QTest::addRow("cancel") << QStringList{"open", "cancel"} << 1 << 1;
        QTest::addRow("OK") << QStringList{"open", "ok"} << 1 << 1;
        QTest::addRow("refused OK keeps it") << QStringList{"open", "refused ok"} << 1 << 0;
        QTest::addRow("refused OK, then cancel")
            << QStringList{"open", "refused ok", "cancel"} << 1 << 1;
        QTest::addRow("exit with the panel open") << QStringList{"open", "exit"} << 1 << 1;
        QTest::addRow("menu commands alone") << QStringList{"start", "resum", "resum"} << 0 << 0;
    }

    // The slide show must get the keyboard back as soon as the panel closes, or the clicker
    // stops turning slides.
    void keyboardIsLentOnlyWhileThePanelIsOpen()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, lent);
        QFETCH(int, returned);
        BarFixture f;
        for (const QString &step : steps) {
            if (step == QLatin1String("open")) {
                f.bar->openSettings();
            } else if (step == QLatin1String("cancel")) {
                f.bar->cancelSettings();
            } else if (step == QLatin1String("ok") || step == QLatin1String("refused ok")) {
                f.pick("Combo1", step == QLatin1String("ok") ? "5" : "0");
                f.pick("Combo2", "0");
                f.bar->applySettings();
            } else if (step == QLatin1String("exit")) {
                f.bar->exitBar();
            } else {
                command(f, step);
            }
        }
        QCOMPARE(f.windows.keyboardLent, lent);
        QCOMPARE(f.windows.keyboardReturned, returned);
    }

    void settingsKeepTheCountdownRunning()
    {
        BarFixture f;
        f.apply(1, 0, "30");
        f.bar->start();
        f.bar->openSettings();
        f.clock.advance(2000);
        QCOMPARE(f.shown(), QStringLiteral("00:58"));
        f.bar->cancelSettings();
        QVERIFY(f.bar->isTicking());
    }

    void rightClickOpensTheMenuOnlyOnTheSurface_data()
    {
        QTest::addColumn<QString>("target"); // "" for the bare surface
        QTest::addColumn<QPoint>("offset");  // from the target's top-left
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opens");
        QTest::addRow("background") << "" << QPoint(5, 5) << int(Qt::RightButton) << true;
        QTest::addRow("frame") << "Shape1" << QPoint(1, 40) << int(Qt::RightButton) << true;
        QTest::addRow("inside the frame, between digits")
            << "Shape1" << QPoint(50, 80) << int(Qt::RightButton) << true;
        QTest::addRow("digit") << "Image1" << QPoint(20, 30) << int(Qt::RightButton) << false;
        QTest::addRow("colon") << "Image3" << QPoint(20, 30) << int(Qt::RightButton) << false;
        QTest::addRow("panel label") << "Label1" << QPoint(5, 5) << int(Qt::RightButton) << false;
        // Buttons and check boxes let the right release through; it is still theirs.
        for (const char *control : {"Check1", "Check2", "Command1", "Command2", "Command3"})
            QTest::addRow("%s", control)
                << control << QPoint(3, 3) << int(Qt::RightButton) << false;
        QTest::addRow("left button") << "" << QPoint(5, 5) << int(Qt::LeftButton) << false;
        QTest::addRow("middle button") << "" << QPoint(5, 5) << int(Qt::MiddleButton) << false;
    }

    void rightClickOpensTheMenuOnlyOnTheSurface()
    {
        QFETCH(QString, target);
        QFETCH(QPoint, offset);
        QFETCH(int, button);
        QFETCH(bool, opens);
        BarFixture f;
        f.bar->openSettings(); // so the panel's controls can be clicked too
        QVERIFY(QTest::qWaitForWindowExposed(f.bar.get()));
        QWidget *w = target.isEmpty() ? f.bar->surface() : f.bar->findChild<QWidget *>(target);
        QVERIFY(w);
        // Through the window, so the click finds its widget as a real one would.
        const QPoint at = w->mapTo(f.bar.get(), offset);
        QTest::mouseClick(f.bar->windowHandle(), Qt::MouseButton(button), {}, at);
        QCOMPARE(f.menu()->isVisible(), opens);
        f.menu()->hide();
    }

    void followsTheScreen_data()
    {
        QTest::addColumn<bool>("bordered");
        QTest::addColumn<QRect>("newScreen");
        QTest::addColumn<QPoint>("expectedTopRight");
        QTest::addRow("smaller") << false << QRect(0, 0, 1280, 800) << QPoint(1279, 0);
        QTest::addRow("larger") << false << QRect(0, 0, 2560, 1440) << QPoint(2559, 0);
        QTest::addRow("moved primary") << false << QRect(1920, 0, 1024, 768) << QPoint(2943, 0);
        QTest::addRow("bordered, smaller") << true << QRect(0, 0, 1024, 768) << QPoint(1023, 0);
    }

    void followsTheScreen()
    {
        QFETCH(bool, bordered);
        QFETCH(QRect, newScreen);
        QFETCH(QPoint, expectedTopRight);
        BarFixture f;
        if (!bordered)
            f.setValues([&](SettingsPanel::Values &v) { v.borderless = true; });
        f.apply(1, 0, "30");
        QCOMPARE(f.bar->hasBorder(), bordered);
        const QSize size = f.bar->size();
        f.windows.changeScreen(newScreen);
        QCOMPARE(f.bar->geometry().topRight(), expectedTopRight);
        QCOMPARE(f.bar->size(), size);
    }

    // Dragged by its title bar, the framed bar stays wholly on screen; the open panel then
    // lifts it as far as needed, and closing the panel puts it back.
    void draggedBarStaysOnScreen_data()
    {
        QTest::addColumn<QPoint>("dragTo");
        QTest::addColumn<QPoint>("expectedTopLeft"); // -1: the farthest that fits
        QTest::addRow("inside") << QPoint(500, 300) << QPoint(500, 300);
        QTest::addRow("below the bottom") << QPoint(500, 1000) << QPoint(500, -1);
        QTest::addRow("above the top") << QPoint(500, -5) << QPoint(500, 0);
        QTest::addRow("left of the screen") << QPoint(-40, 300) << QPoint(0, 300);
        QTest::addRow("right of the screen") << QPoint(1900, 300) << QPoint(-1, 300);
    }

    void draggedBarStaysOnScreen()
    {
        QFETCH(QPoint, dragTo);
        QFETCH(QPoint, expectedTopLeft);
        BarFixture f;
        f.apply(1, 0, "30");
        QVERIFY(f.bar->hasBorder());
        const QRect screen = f.windows.screen;
        emit f.bar->titleBar()->dragged(dragTo);
        const QRect placed = f.bar->geometry();
        QVERIFY(screen.contains(placed));
        QCOMPARE(placed.x(),
                 expectedTopLeft.x() < 0 ? screen.width() - placed.width() : expectedTopLeft.x());
        QCOMPARE(placed.y(),
                 expectedTopLeft.y() < 0 ? screen.height() - placed.height() : expectedTopLeft.y());

        f.bar->openSettings();
        QVERIFY(screen.contains(f.bar->geometry()));
        QCOMPARE(f.bar->x(), placed.x());
        QCOMPARE(f.bar->y(), std::min(placed.y(), screen.height() - f.bar->height()));
        f.bar->cancelSettings();
        QCOMPARE(f.bar->geometry(), placed);
    }

    // Options from the command line or the options file land as OK on the panel would put
    // them; none leave the bar exactly as start-up made it.
    void startOptions_data()
    {
        QTest::addColumn<TalkOptions>("options");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("reminder");    // reminderSeconds after the options
        QTest::addColumn<bool>("noReminder"); // the box
        QTest::addColumn<bool>("bordered");
        QTest::addColumn<bool>("running");
        QTest::addRow("none") << TalkOptions{} << "00:00" << 0 << false << false << false;
        QTest::addRow("20 minutes")
            << TalkOptions{.lengthSeconds = 1200} << "20:00" << 30 << false << true << false;
        QTest::addRow("an hour and a half, reminder 45")
            << TalkOptions{.lengthSeconds = 5400, .reminderSeconds = 45} << "90:00" << 45 << false
            << true << false;
        QTest::addRow("8 s: no room for the panel's reminder")
            << TalkOptions{.lengthSeconds = 8} << "00:08" << 0 << true << true << false;
        QTest::addRow("0:08, reminder 5, borderless, start")
            << TalkOptions{.lengthSeconds = 8,
                           .reminderSeconds = 5,
                           .borderless = true,
                           .start = true}
            << "00:08" << 5 << false << false << true;
        QTest::addRow("reminder 0 is no reminder")
            << TalkOptions{.lengthSeconds = 600, .reminderSeconds = 0} << "10:00" << 0 << true
            << true << false;
        QTest::addRow("no reminder keeps the panel's point")
            << TalkOptions{.lengthSeconds = 600, .noReminder = true} << "10:00" << 30 << true
            << true << false;
        QTest::addRow("start alone runs from 0:00, as Start would")
            << TalkOptions{.start = true} << "00:00" << 0 << false << false << true;
    }

    void startOptions()
    {
        QFETCH(TalkOptions, options);
        QFETCH(QString, shown);
        QFETCH(int, reminder);
        QFETCH(bool, noReminder);
        QFETCH(bool, bordered);
        QFETCH(bool, running);
        BarFixture f;
        StartOptions::apply(*f.bar, options);
        QCOMPARE(f.shown(), shown);
        QCOMPARE(f.bar->countdown().reminderSeconds(), qint16(reminder));
        QCOMPARE(f.values().noReminder, noReminder);
        QCOMPARE(f.bar->hasBorder(), bordered);
        QCOMPARE(f.bar->isTicking(), running);
        QVERIFY(!f.bar->isPanelOpen());
        QVERIFY(f.messages.shown.isEmpty());
        const int length = options.lengthSeconds.value_or(0);
        QCOMPARE(f.bar->findChild<QComboBox *>(QStringLiteral("Combo1"))->count(),
                 length >= 3600 ? 100 : 60);
        if (running) {
            f.clock.advance(1000);
            QCOMPARE(f.bar->countdown().secondsLeft(), qint16(length > 0 ? length % 60 - 1 : 0));
        }
    }

    // A 0:06 talk started with the options; what the bar shows after so many seconds.
    void atZeroAndStages_data()
    {
        QTest::addColumn<TalkOptions>("options");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("running");
        using Z = TalkOptions::AtZero;
        const TalkOptions over{.lengthSeconds = 6,
                               .start = true,
                               .atZero = Z::Overtime,
                               .stages = TalkOptions::Stages{4, 2}};
        QTest::addRow("no options: the preset is back")
            << TalkOptions{.lengthSeconds = 6, .start = true} << 7 << "00:06 cyan" << false;
        QTest::addRow("reset") << TalkOptions{.lengthSeconds = 6, .start = true, .atZero = Z::Reset}
                               << 7 << "00:06 cyan" << false;
        QTest::addRow("hold") << TalkOptions{.lengthSeconds = 6, .start = true, .atZero = Z::Hold}
                              << 7 << "00:00 cyan" << false;
        QTest::addRow("overtime without stages")
            << TalkOptions{.lengthSeconds = 6, .start = true, .atZero = Z::Overtime} << 8
            << "00:02 red" << true;
        QTest::addRow("above the stages") << over << 1 << "00:05 cyan" << true;
        QTest::addRow("amber") << over << 2 << "00:04 amber" << true;
        QTest::addRow("red") << over << 4 << "00:02 red" << true;
        QTest::addRow("00:00") << over << 6 << "00:00 red" << true;
        QTest::addRow("a second over") << over << 7 << "00:01 red" << true;
        QTest::addRow("a stage above the length shows at once")
            << TalkOptions{.lengthSeconds = 180, .stages = TalkOptions::Stages{300, 60}} << 0
            << "03:00 amber" << false;
    }

    void atZeroAndStages()
    {
        QFETCH(TalkOptions, options);
        QFETCH(int, seconds);
        QFETCH(QString, shown);
        QFETCH(bool, running);
        BarFixture f;
        StartOptions::apply(*f.bar, options);
        f.clock.advance(seconds * 1000);
        QCOMPARE(shownInColour(f), shown);
        QCOMPARE(f.bar->isTicking(), running);
    }

    void overtimeEndsAsTheCountdownWould()
    {
        BarFixture f;
        StartOptions::apply(*f.bar, {.lengthSeconds = 2,
                                     .noReminder = true,
                                     .start = true,
                                     .atZero = TalkOptions::AtZero::Overtime});
        f.fakeNotice.calls.clear();
        f.clock.advance(3000);
        QCOMPARE(f.fakeNotice.calls, QStringList{"closing"}); // as at a plain time-up
        f.bar->pauseOrContinue();
        f.clock.advance(5000);
        QCOMPARE(shownInColour(f), QStringLiteral("00:01 red"));
        f.bar->pauseOrContinue();
        f.clock.advance(1000);
        QCOMPARE(shownInColour(f), QStringLiteral("00:02 red"));
        f.bar->start();
        f.clock.advance(1000);
        QCOMPARE(shownInColour(f), QStringLiteral("00:01 cyan"));
    }

    // A 1:00 talk (0:02 when brief) on a desktop where shows come and go: =N shows up,
    // +MS passing, the menu's start and resum, a later start's toggle, "off" for the option
    // switched off again.
    void followsTheShow_data()
    {
        QTest::addColumn<bool>("follow");
        QTest::addColumn<bool>("brief");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("caption"); // the pause item's
        QTest::addColumn<bool>("watching");
        const QString pause = BarMenu::pauseCaption(), resume = BarMenu::continueCaption();
        QTest::addRow("off: a show changes nothing") << false << false << "=1 +3000"
                                                     << "01:00" << pause << false;
        QTest::addRow("a show starts the talk") << true << false << "=1 +3000"
                                                << "00:57" << pause << true;
        QTest::addRow("the show ends: paused after the grace")
            << true << false << "=1 +3500 =0 +2000 +5000"
            << "00:55" << resume << true;
        QTest::addRow("the show back: it continues")
            << true << false << "=1 +3500 =0 +2000 =1 +1000"
            << "00:54" << pause << true;
        QTest::addRow("a manual pause holds while the show is up")
            << true << false << "=1 +3500 resum +5000"
            << "00:57" << resume << true;
        QTest::addRow("Start by hand within the grace keeps counting")
            << true << false << "=1 +3500 =0 +1000 start +3000"
            << "00:57" << pause << true;
        QTest::addRow("paused and continued by command within the grace")
            << true << false << "=1 +3500 =0 +1000 toggle toggle +3000"
            << "00:53" << pause << true;
        QTest::addRow("switched off: the show's end no longer pauses")
            << true << false << "=1 +3500 off =0 +3000"
            << "00:54" << pause << false;
        QTest::addRow("time-up with the show still up: no new start")
            << true << true << "=1 +2500 +5000"
            << "00:02" << pause << true;
    }

    void followsTheShow()
    {
        QFETCH(bool, follow);
        QFETCH(bool, brief);
        QFETCH(QString, script);
        QFETCH(QString, shown);
        QFETCH(QString, caption);
        QFETCH(bool, watching);
        BarFixture f;
        StartOptions::apply(*f.bar, {.lengthSeconds = brief ? 2 : 60, .followShow = follow});
        QCOMPARE(f.bar->followsShow(), follow);
        for (const QString &step : script.split(u' ')) {
            if (step.startsWith(u'='))
                f.windows.setShowCount(step.mid(1).toInt());
            else if (step.startsWith(u'+'))
                f.clock.advance(step.mid(1).toInt());
            else if (step == QLatin1String("off"))
                StartOptions::apply(*f.bar, {.followShow = false});
            else if (step == QLatin1String("toggle"))
                f.bar->toggle();
            else
                (step == QLatin1String("start") ? f.menuItem("qidong") : f.menuItem("resum"))
                    ->trigger();
        }
        QCOMPARE(f.shown(), shown);
        QCOMPARE(f.menuItem("resum")->text(), caption);
        QCOMPARE(f.windows.watchingShows(), watching);
    }

    // Where no show can be seen the option is refused, and nothing is watched.
    void followingTheShowNeedsAnXDisplay()
    {
        BarFixture f;
        f.windows.showsVisible = false;
        QCOMPARE(StartOptions::refusal(*f.bar, {.followShow = true}),
                 std::optional<QString>(StartOptions::FollowShowRefusal));
        QVERIFY(StartOptions::apply(*f.bar, {.followShow = true}).isEmpty());
        QVERIFY(!f.bar->followsShow() && !f.windows.watchingShows());
    }

    void minuteItems_data()
    {
        QTest::addColumn<TalkOptions>("options");
        QTest::addColumn<QStringList>("names");
        const QStringList plain{"qidong", "resum", "sp", "sz", "exit"};
        QTest::addRow("none") << TalkOptions{} << plain;
        QTest::addRow("overtime and stages") << TalkOptions{.atZero = TalkOptions::AtZero::Overtime,
                                                            .stages = TalkOptions::Stages{60, 30}}
                                             << plain;
        QTest::addRow("adjust") << TalkOptions{.adjust = true}
                                << QStringList{"qidong", "resum", "addMinute", "removeMinute",
                                               "sp",     "sz",    "exit"};
    }

    void minuteItems()
    {
        QFETCH(TalkOptions, options);
        QFETCH(QStringList, names);
        BarFixture f;
        StartOptions::apply(*f.bar, options);
        QStringList got;
        for (QAction *a : f.menu()->actions())
            got << a->objectName();
        QCOMPARE(got, names);
        if (options.adjust) {
            QCOMPARE(f.menuItem("addMinute")->text(), QStringLiteral("加一分钟"));
            QCOMPARE(f.menuItem("removeMinute")->text(), QStringLiteral("减一分钟"));
        }
    }

    // A minute more while the notice counts closes it; it opens again at the reminder point,
    // and the digits leave the red stage at once.
    void addingAMinuteReopensTheNoticeLater()
    {
        BarFixture f;
        StartOptions::apply(*f.bar, {.lengthSeconds = 40,
                                     .start = true,
                                     .stages = TalkOptions::Stages{60, 30},
                                     .adjust = true});
        f.fakeNotice.calls.clear();
        f.clock.advance(15'000);
        QCOMPARE(f.fakeNotice.calls, QStringList{"open 30"});
        QCOMPARE(shownInColour(f), QStringLiteral("00:25 red"));
        f.menuItem("addMinute")->trigger();
        QCOMPARE(f.fakeNotice.calls.last(), QStringLiteral("unload"));
        QCOMPARE(shownInColour(f), QStringLiteral("01:25 cyan"));
        f.clock.advance(54'000);
        QCOMPARE(f.fakeNotice.calls.last(), QStringLiteral("unload"));
        f.clock.advance(1000);
        QCOMPARE(f.fakeNotice.calls.last(), QStringLiteral("open 30"));
        f.menuItem("removeMinute")->trigger();
        QCOMPARE(shownInColour(f), QStringLiteral("00:00 red"));
    }

    // A minute less: landing at or below the reminder point opens the notice with the bar's
    // time (a paused bar on its next tick), an open notice follows the bar, and the end says
    // thanks.
    void aMinuteLessOverTheReminder_data()
    {
        QTest::addColumn<int>("secondsBefore"); // left when the minute goes
        QTest::addColumn<bool>("paused");       // from before the minute goes to just after
        QTest::addColumn<QStringList>("calls"); // the notice's, from then to the end
        QTest::addRow("1:10 to 0:10, over 0:30") << 70 << false << QStringList{"open 10", "finish"};
        QTest::addRow("1:30 to 0:30, onto it") << 90 << false << QStringList{"open 30", "finish"};
        QTest::addRow("1:40 to 0:40, before it")
            << 100 << false << QStringList{"open 30", "finish"};
        QTest::addRow("paused, 1:30 to 0:30") << 90 << true << QStringList{"open 29", "finish"};
        QTest::addRow("0:28 to 0:00 with the notice up")
            << 28 << false << QStringList{"follow 0", "finish"};
    }

    void aMinuteLessOverTheReminder()
    {
        QFETCH(int, secondsBefore);
        QFETCH(bool, paused);
        QFETCH(QStringList, calls);
        BarFixture f;
        StartOptions::apply(*f.bar, {.lengthSeconds = 120, .start = true, .adjust = true});
        f.clock.advance((120 - secondsBefore) * 1000);
        f.fakeNotice.calls.clear();
        if (paused)
            f.bar->pauseOrContinue();
        f.menuItem("removeMinute")->trigger();
        if (paused)
            f.bar->pauseOrContinue();
        f.clock.advance(secondsBefore * 1000); // past the end
        QCOMPARE(f.fakeNotice.calls, calls);
    }

    void exitEndsEverything()
    {
        BarFixture f;
        f.bar->start();
        QSignalSpy exited(f.bar.get(), &Bar::exited);
        f.fakeNotice.calls.clear();
        f.bar->exitBar();
        QCOMPARE(exited.count(), 1);
        QCOMPARE(f.fakeNotice.calls, QStringList{"unload"});
        QVERIFY(!f.bar->isTicking());
        QVERIFY(!f.bar->isVisible());
    }
};

QTEST_MAIN(TestBar)
#include "tst_bar.moc"
