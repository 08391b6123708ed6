#include "waylandseat.h"

#include <QDebug>

using namespace Qt::StringLiterals;

namespace {

// tc-seat answers at once; a loaded machine may delay it for seconds, never this long.
constexpr int AnswerTimeoutMs = 10000;

} // namespace

WaylandSeat::~WaylandSeat()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished();
}

bool WaylandSeat::start()
{
    const QString path = qEnvironmentVariable("TC_SEAT");
    if (path.isEmpty()) {
        qWarning("TC_SEAT is not set; Wayland desktop tests run through ctest");
        return false;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(path, {});
    if (!m_process.waitForStarted()) {
        qWarning() << "cannot start" << path << m_process.errorString();
        return false;
    }
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(AnswerTimeoutMs))
            return false;
    }
    const QString ready = QString::fromUtf8(m_process.readLine()).trimmed();
    if (!ready.startsWith(u"ready "_s))
        return false;
    m_kind = ready.mid(6);
    return true;
}

bool WaylandSeat::command(const QString &line)
{
    if (m_process.state() != QProcess::Running)
        return false;
    m_process.write((line + u'\n').toUtf8());
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(AnswerTimeoutMs)) {
            qWarning() << "tc-seat did not answer" << line;
            return false;
        }
    }
    const QString answer = QString::fromUtf8(m_process.readLine()).trimmed();
    if (answer != u"ok"_s)
        qWarning() << "tc-seat:" << line << "->" << answer;
    return answer == u"ok"_s;
}

bool WaylandSeat::key(const QString &keysym)
{
    return command(u"key "_s + keysym);
}

bool WaylandSeat::move(const QPoint &to)
{
    return command(u"move %1 %2"_s.arg(to.x()).arg(to.y()));
}

bool WaylandSeat::click(const QPoint &at, Qt::MouseButton button)
{
    // The pointer comes to rest on the spot, as a hand brings it there: after one jump alone,
    // XWayland may still place the press by where the pointer entered its window.
    return move(at + QPoint(1, 1)) && move(at)
           && command(button == Qt::RightButton ? u"click right"_s : u"click left"_s);
}
