#pragma once

#include "windowops.h"
#include "xwaylandkeyboard.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

class QScreen;
class ShowWatcher;
class StackingWatcher;

// Topmost windows on X11: a window the window manager does not manage (so it cannot push it
// under a focused full-screen window), shown without activation, and lifted again the moment
// another window is mapped or restacked above it (the X server reports every change in the
// stacking order). Where nothing reports those changes, it raises its windows periodically.
class QtWindowOps final : public QObject, public WindowOps
{
    Q_OBJECT

public:
    struct Options
    {
        // How often to raise the windows where the stacking order cannot be watched.
        std::chrono::milliseconds fallbackRaise{1000};
        // More restacks than this within a second mean something fights for the top (another
        // program that keeps itself up the same way): further ones wait for the second to end.
        int maxRaisesPerSecond = 10;
    };

    explicit QtWindowOps(QObject *parent = nullptr);
    explicit QtWindowOps(const Options &options, QObject *parent = nullptr);
    ~QtWindowOps() override;

    QRect screenGeometry() const override;

    bool chooseScreen(const QString &nameOrNumber) override;
    // As chooseScreen(), also while no screen has that name or number: the windows stay on the
    // primary screen until it is plugged in.
    void awaitScreen(const QString &nameOrNumber);
    // The screen that `nameOrNumber` names now, or null.
    static QScreen *findScreen(const QString &nameOrNumber);
    // The screens there are, as a speaker would name them: "NAME (0), NAME (1)".
    static QString screenList();
    void showTopmost(QWidget *window, const QRect &geometry) override;
    void keepOnTop(QWidget *window) override;
    void lendKeyboard(QWidget *window) override;
    void returnKeyboard(QWidget *window) override;
    void dialogClosed(QWidget *window) override;
    void watchScreen(QObject *context, ScreenChanged changed) override;
    bool seesShows() const override;
    void watchShows(QObject *context, ShowsChanged changed) override;
    void stopWatchingShows() override;

    static Qt::WindowFlags topmostFlags();

    // Whether changes in the stacking order are reported, so no periodic raise is needed.
    bool watchesStacking() const;

signals:
    void screenChanged(const QRect &before, const QRect &after);
    // The kept windows were raised above the others.
    void raised();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restackIfCovered();
    bool ownWindowOpen();
    bool withinRaiseBudget();
    void raiseAll();
    static void flushWindowSystem();
    void followScreen();

    Options m_options;
    StackingWatcher *m_watcher = nullptr;
    ShowWatcher *m_shows = nullptr; // only while shows are watched
    QList<QPointer<QWidget>> m_kept;
    QTimer m_fallbackTimer;
    QTimer m_budgetTimer;
    QList<qint64> m_raiseTimes; // ms on m_clock, of the raises within the last second
    QElapsedTimer m_clock;
    QPointer<QWidget> m_ownWindow; // the menu, list or dialog of ours the bar waits for
    QRect m_screenGeometry;
    QString m_chosenScreen; // its name once it has been found; until then as it was given
    QMetaObject::Connection m_screenConnection;
    quint32 m_keyboardLender = 0; // the X window that had the keyboard; 0 when none is known
    bool m_keyboardLent = false;
    // The panel closed while a dialog of ours had the keyboard: its lender gets it back when
    // that dialog closes.
    quint32 m_owedLender = 0;
    XWaylandKeyboard m_xwaylandKeyboard;
};
