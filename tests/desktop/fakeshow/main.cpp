// Stands in for a full-screen slide show in desktop tests: a plain magenta full-screen window that
// takes the focus and reports on stdout, one line each, what happens to it:
//   ready            shown, exposed and focused (printed once)
//   key <name>       a key press: its text when printable, else its Qt key name ("Return", "F5")
//   click <x> <y>    a mouse press, in screen coordinates
//   focus out|in     the focus left or came back after "ready"
//   hidden           the window was unmapped, on the "hide" command
// With --windowed it comes up as a plain 800x600 window first, as a slide program's editor
// does. Commands on stdin, one a line: "hide" unmaps the window; "show" maps it full screen
// again and "fullscreen" takes a windowed one full screen, each answered by "ready".

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

void report(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString keyName(const QKeyEvent *event)
{
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isPrint() && !c.isSpace();
    });
    const Qt::KeyboardModifiers chordModifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (printable && !chordModifiers)
        return text;
    if (chordModifiers)
        return QKeySequence(event->keyCombination()).toString(QKeySequence::PortableText);
    const char *name = QMetaEnum::fromType<Qt::Key>().valueToKey(event->key());
    if (!name)
        return u"0x%1"_s.arg(event->key(), 0, 16);
    return QString::fromLatin1(name).remove(u"Key_"_s);
}

// On X, the server's own word that the show has the keyboard: a window manager (KWin) may
// mark it active a moment before it hands it the input focus.
bool hasInputFocus(const QWidget *window)
{
    if (QGuiApplication::platformName() != u"xcb"_s)
        return true;
    xcb_connection_t *c = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_get_input_focus_reply_t *reply =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const bool focused = reply && reply->focus == window->winId();
    std::free(reply);
    return focused;
}

class FakeShow : public QWidget
{
public:
    explicit FakeShow(bool windowed)
        : m_windowed(windowed)
    {
        setWindowTitle(u"tc-fakeshow"_s);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(255, 0, 255));
        setPalette(p);
        setCursor(Qt::BlankCursor);

        // Exposure and activation arrive in either order and through different objects, so
        // readiness is polled rather than pieced together from events.
        m_readyPoll.setInterval(20);
        connect(&m_readyPoll, &QTimer::timeout, this, [this] {
            // Full screen, too (unless windowed): the window manager may map it at its first
            // size first.
            if (!windowHandle())
                return;
            const bool fullScreen = windowHandle()->geometry() == screen()->geometry();
            if (windowHandle()->isExposed() && isActiveWindow() && fullScreen != m_windowed
                && hasInputFocus(this)) {
                m_readyPoll.stop();
                m_ready = true;
                report(u"ready"_s);
            }
        });
        m_readyPoll.start();
    }

    void command(const QString &command)
    {
        if (command == u"hide"_s) {
            m_readyPoll.stop();
            hide();
            report(u"hidden"_s);
        } else if (command == u"show"_s || command == u"fullscreen"_s) {
            m_windowed = false;
            m_ready = false;
            showFullScreen();
            raise();
            activateWindow();
            m_readyPoll.start();
        }
    }

protected:
    void keyPressEvent(QKeyEvent *event) override { report(u"key "_s + keyName(event)); }

    void mousePressEvent(QMouseEvent *event) override
    {
        const QPoint at = event->globalPosition().toPoint();
        report(u"click %1 %2"_s.arg(at.x()).arg(at.y()));
    }

    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::ActivationChange && m_ready)
            report(isActiveWindow() ? u"focus in"_s : u"focus out"_s);
        QWidget::changeEvent(event);
    }

private:
    QTimer m_readyPoll;
    bool m_ready = false;
    bool m_windowed = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"tc-fakeshow"_s);

    const bool windowed = QApplication::arguments().contains(u"--windowed"_s);
    FakeShow show(windowed);
    if (windowed) {
        show.resize(800, 600);
        show.show();
    } else {
        show.showFullScreen();
    }
    show.raise();
    show.activateWindow();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &show, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // no commands to come
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            show.command(QString::fromUtf8(pending.left(end)).trimmed());
    });
    return QApplication::exec();
}
