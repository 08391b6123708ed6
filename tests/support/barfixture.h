#pragma once

#include "bar.h"
#include "fakeclock.h"
#include "fakes.h"
#include "notice.h"
#include "pictureclip.h"
#include "settingspanel.h"

#include <functional>
#include <memory>

class MetronomeTimer;
class PictureBox;
class QAction;
class QMenu;

// A started bar with every collaborator faked. With a real notice window, the bar and the
// notice share the fake clock, so a whole talk runs in order without waiting.
struct BarFixture
{
    enum class NoticeKind { Fake, Real };

    explicit BarFixture(NoticeKind notice = NoticeKind::Fake,
                        QRect screen = QRect(0, 0, 1920, 1080));
    ~BarFixture();

    // Pick list entries as a user would (the pick handlers run) and click OK.
    void pick(const char *combo, const QString &text);
    void apply(int minutes, int seconds, const QString &reminder);

    // "mm:ss" as drawn on the bar; '?' for a picture that is no digit cell.
    QString shown() const;
    // The two digits of the notice window, or "" when it is not loaded.
    QString noticeShown() const;

    NoticeHandle &notice();

    // The bar's parts by their layout names: Image1..Image5, popmenu and its items, Timer1.
    PictureBox *image(int n) const;
    QMenu *menu() const;
    QAction *menuItem(const char *name) const;
    MetronomeTimer *tickTimer() const;
    // The panel's values, and a change to some of them as start-up or a test would make it.
    SettingsPanel::Values values() const;
    void setValues(const std::function<void(SettingsPanel::Values &)> &change);
    // Clicks a panel button: Command1 "...", Command2 OK, Command3 Cancel.
    void click(const char *button);

    FakeClock clock;
    FakeWindowOps windows;
    FakeMessageBox messages;
    FakeFileDialog dialog;
    FakeSoundPlayer sound;
    PictureClip strip;
    FakeNotice fakeNotice;
    std::unique_ptr<Notice> form3;
    std::unique_ptr<Bar> bar;
};

// Which strip cell a picture box shows: 0-10, or -1.
int cellShown(const PictureClip &strip, const PictureBox *box);
