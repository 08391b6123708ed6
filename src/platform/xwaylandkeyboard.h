#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

// Lends the keyboard to a topmost window on XWayland, where the Wayland compositor decides who
// has it and X focus requests of a client are undone. Compositors differ in whom they give it:
// - wlroots (sway) hands it to an unmanaged window whose type takes the keyboard as it maps,
//   and to one clicked; its window manager then resets the X input focus to None, except for
//   the focus changes of a keyboard grab. The window is mapped again as a normal one and grabs
//   the X keyboard while it holds it.
// - KWin and GNOME Shell's Mutter give it only to windows they manage. The window is mapped
//   again as a managed one and asks to be activated as a pager would; afterwards it is one they
//   focus when clicked, as any window.
// Giving it back maps the window again as an unmanaged notification: the compositor then
// returns the keyboard to the window that had it.
class XWaylandKeyboard final : public QObject
{
    Q_OBJECT

public:
    explicit XWaylandKeyboard(QObject *parent = nullptr);

    void lend(QWidget *window);
    void giveBack(QWidget *window);

private:
    enum class Way { UnmanagedWithGrab, Managed };
    static Way way();
    void grabAgain();
    void mapWhenReleased();

    QPointer<QWidget> m_lentTo;
    QPointer<QWidget> m_releasing; // withdrawn, to be mapped again once let go of
    QTimer m_releasePoll;
    QElapsedTimer m_releaseWaited;
};
