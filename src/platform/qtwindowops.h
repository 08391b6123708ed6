#pragma once

#include "windowops.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

// Topmost windows on X11: a window the window manager does not manage (so it cannot push it
// under a focused full-screen window), shown without activation, and raised again about once
// a second because some window managers stack windows that open later above it.
class QScreen;

class QtWindowOps final : public QObject, public WindowOps
{
    Q_OBJECT

public:
    explicit QtWindowOps(QObject *parent = nullptr);

    QRect screenGeometry() const override;

    // Puts the windows on the screen of that name (an output's name, as xrandr lists them) or
    // number (counted from 0), instead of the primary one, whenever it is connected.
    void chooseScreen(const QString &nameOrNumber);
    // The screen that `nameOrNumber` names now, or null.
    static QScreen *findScreen(const QString &nameOrNumber);
    void showTopmost(QWidget *window, const QRect &geometry) override;
    void keepOnTop(QWidget *window) override;
    void lendKeyboard(QWidget *window) override;
    void returnKeyboard(QWidget *window) override;
    void watchScreen(QObject *context, ScreenChanged changed) override;

    static Qt::WindowFlags topmostFlags();

signals:
    void screenChanged(const QRect &before, const QRect &after);

private:
    void raiseAll();
    static void flushWindowSystem();
    void followScreen();

    QList<QPointer<QWidget>> m_kept;
    QTimer m_raiseTimer;
    QRect m_screenGeometry;
    QString m_chosenScreen;
    QMetaObject::Connection m_screenConnection;
    quint32 m_keyboardLender = 0; // the X window that had the keyboard; 0 when none is known
};
