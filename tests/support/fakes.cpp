#include "fakes.h"

#include <QWidget>

void FakeWindowOps::showTopmost(QWidget *window, const QRect &geometry)
{
    shown.append(geometry);
    window->setGeometry(geometry);
    window->show();
}

void FakeWindowOps::watchScreen(QObject *context, ScreenChanged changed)
{
    m_watchers.append({context, std::move(changed)});
}

void FakeWindowOps::changeScreen(const QRect &to)
{
    const QRect before = screen;
    screen = to;
    for (const auto &[context, changed] : std::as_const(m_watchers)) {
        if (context)
            changed(before, to);
    }
}

void FakeWindowOps::watchShows(QObject *context, ShowsChanged changed)
{
    m_shows = {context, changed};
    changed(m_showCount);
}

void FakeWindowOps::setShowCount(int count)
{
    m_showCount = count;
    if (watchingShows())
        m_shows.second(count);
}

QString FakeFileDialog::getOpenFileName(QWidget *, const QString &caption, const QString &dir,
                                        const QString &filter)
{
    dirs.append(dir);
    lastTitle = caption;
    lastFilter = filter;
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

void FakeNotice::open(int seconds, qint64)
{
    calls.append(QStringLiteral("open %1").arg(seconds));
    loaded = true;
}

void FakeNotice::follow(int seconds)
{
    if (loaded)
        calls.append(QStringLiteral("follow %1").arg(seconds));
}

// Only what changes what the speaker sees is recorded.
void FakeNotice::finish(qint64, bool owed)
{
    if (loaded || owed)
        calls.append(QStringLiteral("finish"));
    loaded = loaded || owed;
}

void FakeNotice::openClosingMessage(qint64)
{
    calls.append(QStringLiteral("closing"));
    loaded = true;
}

void FakeNotice::unload()
{
    calls.append(QStringLiteral("unload"));
    loaded = false;
}
