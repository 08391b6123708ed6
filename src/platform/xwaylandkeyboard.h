#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QEvent;

// Lends the keyboard to a topmost window on XWayland, where the Wayland compositor decides who
// has it and X focus requests of a client are undone. Compositors differ in whom they give it:
// - wlroots (sway) hands it to an unmanaged window whose type takes the keyboard as it maps,
//   and to one clicked; its window manager then resets the X input focus to None, except for
//   the focus changes of a keyboard grab. The window itself stays mapped as it is: XWayland
//   misplaces the pointer over a window mapped again beneath it, and the next click lands
//   elsewhere. A one-pixel unmanaged window of ours (the taker) is mapped instead and takes the
//   keyboard from the compositor, while the window grabs the X keyboard, so every key XWayland
//   gets goes to the window. Unmapping the taker makes the compositor give the keyboard back.
//   The window stays a notification, so clicks into it leave the keyboard with the taker; a
//   click into it after the pointer has been elsewhere maps the taker again (the user may have
//   given the keyboard to another window meanwhile).
// - KWin and GNOME Shell's Mutter give it only to windows they manage. The window is mapped
//   again as a managed one and asks to be activated as a pager would; afterwards it is one they
//   focus when clicked, as any window.
// Giving it back maps the window again as an unmanaged notification (on wlroots, unmaps the
// taker): the compositor then returns the keyboard to the window that had it.
class XWaylandKeyboard final : public QObject
{
    Q_OBJECT

public:
    explicit XWaylandKeyboard(QObject *parent = nullptr);

    void lend(QWidget *window);
    void giveBack(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Way { UnmanagedWithGrab, Managed };
    static Way way();
    void grabAgain();
    void mapTaker(QWidget *window);

    QPointer<QWidget> m_lentTo;
    QPointer<QWidget> m_taker;  // sway: the window the compositor gives the keyboard to
    bool m_pointerLeft = false; // sway: the pointer has left the lent window since it was lent
};
