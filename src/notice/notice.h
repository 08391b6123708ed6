#pragma once

#include "noticecounter.h"
#include "noticehandle.h"
#include "noticewindow.h"

#include <QObject>
#include <QPointer>

class Clock;
class NoticeWindow;
class PictureClip;
class SoundPlayer;
class WindowOps;

// The notice window object: lives for the whole run, while its on-screen window comes and
// goes with each load and unload. It counts the last seconds, rings, says thanks, closes.
class Notice : public QObject, public NoticeHandle
{
    Q_OBJECT

public:
    struct Services
    {
        Clock &clock;
        WindowOps &windows;
        SoundPlayer &sound;
        const PictureClip &strip;
    };
    static QString closingMessage();

    explicit Notice(const Services &services, QObject *parent = nullptr);
    ~Notice() override;

    void open(int seconds, qint64 dueMs) override;
    void openClosingMessage(qint64 dueMs) override;
    void follow(int seconds) override;
    void finish(qint64 dueMs, bool owed) override;
    void unload() override;
    bool isLoaded() const override { return !m_window.isNull(); }
    void setDetails(int reminderSeconds, const QString &soundPath) override;

    // The on-screen window while loaded, else null.
    NoticeWindow *window() const { return m_window.data(); }
    const NoticeCounter &counter() const { return m_counter; }

private:
    void load(int seconds, qint64 dueMs);
    void drawSeconds();
    void startClosing(qint64 dueMs);
    QRect centredGeometry() const;
    void countTick();
    void closeTick();

    Services m_services;
    int m_reminderSeconds = 0;
    QString m_soundPath;
    NoticeCounter m_counter;
    QPointer<NoticeWindow> m_window;
    bool m_soundOwed = false; // a sound tick came while catching up with missed ticks
};
