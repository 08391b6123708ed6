#pragma once

#include "bardigits.h"
#include "countdown.h"
#include "runstate.h"
#include "talkbehaviour.h"

#include <QImage>
#include <QWidget>

#include <memory>

class BarMenu;
class BarPlacement;
class BarSurface;
class Clock;
class FileDialog;
class MessageBox;
class MetronomeTimer;
class NoticeHandle;
class PictureBox;
class PictureClip;
class SettingsPanel;
class ShapeFrame;
class ShowFollowing;
class TitleBar;
class WindowOps;

// The control bar: the time left in LED digits, a popup menu to drive the countdown, and
// the settings panel that it uncovers by growing downwards.
class Bar : public QWidget
{
    Q_OBJECT

public:
    struct Services
    {
        Clock &clock;
        WindowOps &windows;
        MessageBox &messages;
        FileDialog &fileDialog;
        const PictureClip &strip;
        QImage picture; // the gradient behind the digits
    };

    static QString title();

    Bar(const Services &services, NoticeHandle &notice, QWidget *parent = nullptr);
    ~Bar() override;

    static QString defaultSoundPath();

    // Start-up: topmost in the top-right corner, showing 00:00, stopped.
    void load();
    // What happens at 00:00, the colour stages and the minute items; the minute items stay
    // once added.
    void setBehaviour(const TalkBehaviour &behaviour);
    const TalkBehaviour &behaviour() const { return m_behaviour; }

    // The settings the last accepted OK stored (before any, what the panel first offers) and
    // the panel's no-reminder value, which the tick reads as it is.
    struct Settings
    {
        int lengthSeconds = 0;
        int reminderSeconds = 0;
        bool noReminder = false;
        bool borderless = false;
    };
    Settings settings() const;
    // The border switched as OK would switch it, without stopping the talk; the box follows.
    void setBorderless(bool borderless);

    // The talk starts, continues and pauses with the slide show (see ShowFollower). Off, as
    // at start-up, nothing about shows is watched. Only where shows can be seen.
    bool canFollowShow() const;
    void setFollowShow(bool follow);
    bool followsShow() const { return m_showFollowing != nullptr; }

    // The popup menu's commands and the panel's buttons.
    void start();
    void pauseOrContinue();
    // Starts a stopped bar, pauses a counting one, continues a paused one.
    RunState::Toggled toggle();
    void openSettings();
    void cancelSettings();
    void applySettings();
    void exitBar();
    // A minute more or less left, shown at once.
    void addMinute();
    void removeMinute();

    // One second of the countdown.
    void tick();
    // Moves the time left, keeping the tick's schedule; the next tick draws it.
    void setTimeLeft(int minutes, int seconds) { m_countdown.setTimeLeft(minutes, seconds); }

    // The settings panel is uncovered (the bar grown downwards).
    bool isPanelOpen() const;
    bool hasBorder() const;
    // The tick timer runs: exactly while the countdown does.
    bool isTicking() const;
    const Countdown &countdown() const { return m_countdown; }
    const RunState &runState() const { return m_run; }
    SettingsPanel *panel() const { return m_panel; }
    TitleBar *titleBar() const { return m_titleBar; }
    QWidget *surface() const;

signals:
    void exited();
    // Started, paused, continued, stopped: whatever changed whether it counts or what the
    // pause item offers.
    void runStateChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setBorder(bool bordered);
    void showMenu(const QPoint &globalPos);
    void followRunState();
    void showAdjusted();
    // The notice is told the panel's reminder and sound path whenever they may have changed.
    void tellNotice();

    Services m_services;
    NoticeHandle &m_notice;
    Countdown m_countdown;
    RunState m_run;
    TalkBehaviour m_behaviour;
    bool m_settingsApplied = false;
    bool m_borderless = false; // as last applied or commanded
    bool m_coloursFollowed = false;
    BarDigits m_digits;
    BarSurface *m_surface = nullptr;
    TitleBar *m_titleBar = nullptr;
    SettingsPanel *m_panel = nullptr;
    // The layout's names live on as objectName: popmenu, Timer1, Shape1, Image1 to Image5.
    BarMenu *m_menu = nullptr;
    MetronomeTimer *m_tickTimer = nullptr;
    ShapeFrame *m_digitFrame = nullptr;
    PictureBox *m_minutesTens = nullptr;
    PictureBox *m_minutesUnits = nullptr;
    PictureBox *m_colon = nullptr;
    PictureBox *m_secondsTens = nullptr;
    PictureBox *m_secondsUnits = nullptr;
    std::unique_ptr<BarPlacement> m_placement;
    std::unique_ptr<ShowFollowing> m_showFollowing;
};
