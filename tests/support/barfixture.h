#pragma once

#include "bar.h"
#include "fakeclock.h"
#include "fakes.h"
#include "metronometimer.h"
#include "notice.h"
#include "picturebox.h"
#include "pictureclip.h"
#include "settingspanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>

#include <functional>
#include <memory>

class NoticeWindow;
class QLabel;

// `parent`'s child named `name` (with %1 taken by `n`), which must be there.
template<typename T>
T *child(const QObject *parent, const char *name, int n = -1)
{
    const QString full = n < 0 ? QLatin1String(name) : QString::fromLatin1(name).arg(n);
    T *found = parent->findChild<T *>(full);
    Q_ASSERT(found);
    return found;
}

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
    PictureBox *image(int n) const { return child<PictureBox>(bar.get(), "Image%1", n); }
    QMenu *menu() const { return child<QMenu>(bar.get(), "popmenu"); }
    QAction *menuItem(const char *name) const { return child<QAction>(bar.get(), name); }
    MetronomeTimer *tickTimer() const { return child<MetronomeTimer>(bar.get(), "Timer1"); }
    // The panel's values, and a change to some of them as start-up or a test would make it.
    SettingsPanel::Values values() const { return bar->panel()->values(); }
    void setValues(const std::function<void(SettingsPanel::Values &)> &change);
    // Clicks a panel button: Command1 "...", Command2 OK, Command3 Cancel.
    void click(const char *button) { child<QAbstractButton>(bar.get(), button)->click(); }

    FakeClock clock;
    FakeWindowOps windows;
    FakeMessageBox messages;
    FakeFileDialog dialog;
    FakeSoundPlayer sound;
    PictureClip strip;
    FakeNotice fakeNotice;
    std::unique_ptr<Notice> realNotice;
    std::unique_ptr<Bar> bar;
};

// The notice window's controls by their layout names: Label1, Label2, Image1, Image2.
struct NoticeParts
{
    QLabel *message;
    QLabel *unit;
    PictureBox *tens;
    PictureBox *units;
};
NoticeParts noticeParts(const NoticeWindow *window);

// Which strip cell a picture box shows: 0-10, or -1.
int cellShown(const PictureClip &strip, const PictureBox *box);
