#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop when the session ends the program (SIGTERM, SIGHUP) or Ctrl+C is pressed
// (SIGINT), so it closes as after Exit: what it holds for the desktop (the lock file used
// without a session bus) is let go rather than left behind.
class QuitOnSignal final : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private:
    static void handle(int signal);

    QSocketNotifier *m_notifier = nullptr;
};
