#pragma once

#include "filedialog.h"
#include "messagebox.h"
#include "noticehandle.h"
#include "soundplayer.h"
#include "windowops.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QStringList>

// Test doubles that record what they were asked and answer what the test told them to.

class FakeWindowOps final : public WindowOps
{
public:
    QRect screen{0, 0, 1920, 1080};
    QList<QRect> shown; // geometries passed to showTopmost, in order
    int keepOnTopCalls = 0;
    int keyboardLent = 0;
    int keyboardReturned = 0;

    QString chosenScreen; // the last screen chosen; "missing" is never there

    QRect screenGeometry() const override { return screen; }
    bool chooseScreen(const QString &nameOrNumber) override
    {
        if (nameOrNumber == QLatin1String("missing"))
            return false;
        chosenScreen = nameOrNumber;
        return true;
    }
    void showTopmost(QWidget *window, const QRect &geometry) override;
    void keepOnTop(QWidget *) override { ++keepOnTopCalls; }
    void lendKeyboard(QWidget *) override { ++keyboardLent; }
    void returnKeyboard(QWidget *) override { ++keyboardReturned; }
    void dialogClosed(QWidget *) override { ++dialogsClosed; }
    int dialogsClosed = 0;
    void watchScreen(QObject *context, ScreenChanged changed) override;
    bool seesShows() const override { return showsVisible; }
    void watchShows(QObject *context, ShowsChanged changed) override;
    void stopWatchingShows() override { m_shows = {}; }

    // As if the primary screen had been resized or replaced.
    void changeScreen(const QRect &to);
    // Whether shows can be seen, whether they are watched now, and as if `count` were up.
    bool showsVisible = true;
    bool watchingShows() const { return m_shows.first && m_shows.second; }
    void setShowCount(int count);

private:
    QList<QPair<QPointer<QObject>, ScreenChanged>> m_watchers;
    QPair<QPointer<QObject>, ShowsChanged> m_shows;
    int m_showCount = 0;
};

class FakeMessageBox final : public MessageBox
{
public:
    struct Shown
    {
        QString title;
        QString text;
    };
    QList<Shown> shown;

    void warning(QWidget *, const QString &title, const QString &text) override
    {
        shown.append({title, text});
    }
};

// Pre-answered file dialog: each opening takes the next answer; a null answer cancels.
class FakeFileDialog final : public FileDialog
{
public:
    QList<QString> answers;
    QStringList dirs; // where each opening started, in order
    QString lastTitle;
    QString lastFilter;

    QString getOpenFileName(QWidget *, const QString &caption, const QString &dir,
                            const QString &filter) override;
};

class FakeSoundPlayer final : public SoundPlayer
{
public:
    QStringList played;
    int stops = 0;

    void play(const QString &path) override { played.append(path); }
    void stop() override { ++stops; }
};

class FakeNotice final : public NoticeHandle
{
public:
    QStringList calls; // "open 30", "closing", "follow 0", "finish", "unload"
    bool loaded = false;

    void open(int seconds, qint64 dueMs) override;
    void openClosingMessage(qint64 dueMs) override;
    void follow(int seconds) override;
    void finish(qint64 dueMs, bool owed) override;
    void unload() override;
    bool isLoaded() const override { return loaded; }
    void setDetails(int seconds, const QString &path) override
    {
        reminderSeconds = seconds;
        soundPath = path;
    }
    int reminderSeconds = -1; // -1: never told
    QString soundPath;
};
