#include "qtwindowops.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

using namespace std::chrono_literals;

namespace {

// Another program on the same X display: windows it makes are not the test's own.
class ForeignClient
{
public:
    ForeignClient()
    {
        int screen = 0;
        m_c = xcb_connect(nullptr, &screen);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        m_screen = it.rem ? it.data : nullptr;
    }
    ~ForeignClient() { xcb_disconnect(m_c); }

    bool ok() const { return m_screen && !xcb_connection_has_error(m_c); }

    // A window above everything when mapped: the window manager leaves an unmanaged window
    // where it is, and one it manages goes where it decides (full screen at the top, usually).
    xcb_window_t map(const QRect &at, bool managed)
    {
        const xcb_window_t w = xcb_generate_id(m_c);
        const quint32 values[] = {0x00c000, managed ? 0u : 1u};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_screen->root, qint16(at.x()),
                          qint16(at.y()), quint16(at.width()), quint16(at.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        if (managed) {
            const xcb_atom_t fullScreen = atom("_NET_WM_STATE_FULLSCREEN");
            xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STATE"), XCB_ATOM_ATOM,
                                32, 1, &fullScreen);
        }
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        return w;
    }

    void restack(xcb_window_t w, xcb_stack_mode_t mode)
    {
        const quint32 value = mode;
        xcb_configure_window(m_c, w, XCB_CONFIG_WINDOW_STACK_MODE, &value);
        xcb_flush(m_c);
    }

    // A window manager takes requests to circulate the top level for itself.
    bool windowManagerRunning()
    {
        xcb_get_window_attributes_reply_t *a = xcb_get_window_attributes_reply(
            m_c, xcb_get_window_attributes(m_c, m_screen->root), nullptr);
        const bool redirected = a && (a->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
        std::free(a);
        return redirected;
    }

    void circulateRoot(xcb_circulate_t direction)
    {
        xcb_circulate_window(m_c, direction, m_screen->root);
        xcb_flush(m_c);
    }

    // The children of the root window from the bottom up, with each window's top level (a
    // window manager's frame) standing for it.
    QList<xcb_window_t> stacking()
    {
        QList<xcb_window_t> order;
        xcb_query_tree_reply_t *tree =
            xcb_query_tree_reply(m_c, xcb_query_tree(m_c, m_screen->root), nullptr);
        if (tree) {
            const xcb_window_t *children = xcb_query_tree_children(tree);
            order = QList<xcb_window_t>(children, children + xcb_query_tree_children_length(tree));
        }
        std::free(tree);
        return order;
    }

    xcb_window_t topLevel(xcb_window_t w)
    {
        for (int depth = 0; depth < 8; ++depth) {
            xcb_query_tree_reply_t *tree =
                xcb_query_tree_reply(m_c, xcb_query_tree(m_c, w), nullptr);
            const xcb_window_t parent = tree ? tree->parent : 0;
            std::free(tree);
            if (!parent || parent == m_screen->root)
                return w;
            w = parent;
        }
        return w;
    }

    // Whether every one of `upper` lies above `lower` (by their top levels).
    bool above(const QList<xcb_window_t> &upper, xcb_window_t lower)
    {
        const QList<xcb_window_t> order = stacking();
        const qsizetype bottom = order.indexOf(topLevel(lower));
        for (xcb_window_t w : upper) {
            if (order.indexOf(topLevel(w)) <= bottom)
                return false;
        }
        return bottom >= 0;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, quint16(qstrlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    xcb_connection_t *m_c = nullptr;
    xcb_screen_t *m_screen = nullptr;
};

enum class Cover { UnmanagedMapped, FullScreenMapped, RaisedLater, Circulated };

// Far longer than any test runs: where the stacking order is watched, only its events can lift
// the windows.
QtWindowOps::Options eventsOnly()
{
    QtWindowOps::Options options;
    options.fallbackRaise = 1h;
    return options;
}

} // namespace

Q_DECLARE_METATYPE(Cover)

// The real window operations. On an X desktop (Qt's xcb platform) the kept windows must come
// back on top the moment another program's window goes above them, and never over the
// program's own menu or dialog; elsewhere they are raised periodically, which must be safe.
class TestQtWindowOps : public QObject
{
    Q_OBJECT

private slots:
    void coveringWindowIsLifted_data();
    void coveringWindowIsLifted();
    void ownPopupOrDialogStaysAbove_data();
    void ownPopupOrDialogStaysAbove();
    void fightForTheTopIsRateLimited();
    void fallbackRaisesPeriodically_data();
    void fallbackRaisesPeriodically();

private:
    std::vector<std::unique_ptr<QWidget>> keep(QtWindowOps &ops, int count);
    static QList<xcb_window_t> ids(const std::vector<std::unique_ptr<QWidget>> &windows);
};

std::vector<std::unique_ptr<QWidget>> TestQtWindowOps::keep(QtWindowOps &ops, int count)
{
    std::vector<std::unique_ptr<QWidget>> kept;
    for (int i = 0; i < count; ++i) {
        kept.push_back(std::make_unique<QWidget>());
        ops.showTopmost(kept.back().get(), QRect(10 + 60 * i, 10, 50, 30));
        ops.keepOnTop(kept.back().get());
        if (!QTest::qWaitForWindowExposed(kept.back().get()))
            qWarning("a kept window was not exposed");
    }
    return kept;
}

QList<xcb_window_t> TestQtWindowOps::ids(const std::vector<std::unique_ptr<QWidget>> &windows)
{
    QList<xcb_window_t> list;
    for (const auto &w : windows)
        list << xcb_window_t(w->winId());
    return list;
}

void TestQtWindowOps::coveringWindowIsLifted_data()
{
    QTest::addColumn<int>("windows");
    QTest::addColumn<Cover>("cover");
    QTest::addRow("unmanaged window mapped over the bar") << 1 << Cover::UnmanagedMapped;
    QTest::addRow("unmanaged window mapped over the bar and a notice")
        << 2 << Cover::UnmanagedMapped;
    QTest::addRow("full-screen window mapped") << 1 << Cover::FullScreenMapped;
    QTest::addRow("window raised later") << 2 << Cover::RaisedLater;
    QTest::addRow("root's children circulated") << 1 << Cover::Circulated;
}

void TestQtWindowOps::coveringWindowIsLifted()
{
    QFETCH(int, windows);
    QFETCH(Cover, cover);
    QtWindowOps ops(eventsOnly());
    if (!ops.watchesStacking())
        QSKIP("the stacking order is watched only on an X desktop through Qt's xcb platform");
    ForeignClient other;
    QVERIFY(other.ok());
    if (cover == Cover::Circulated && other.windowManagerRunning())
        QSKIP("the window manager handles circulation requests itself");
    const auto kept = keep(ops, windows);
    QSignalSpy raised(&ops, &QtWindowOps::raised);

    xcb_window_t foreign = 0;
    const QRect overKept(0, 0, 200, 100);
    switch (cover) {
    case Cover::UnmanagedMapped:
        foreign = other.map(overKept, false);
        break;
    case Cover::FullScreenMapped:
        foreign = other.map(QRect(0, 0, 640, 480), true);
        break;
    case Cover::RaisedLater:
    case Cover::Circulated:
        // Put below the kept windows first, then brought up over them.
        foreign = other.map(overKept, false);
        QTRY_VERIFY(other.above(ids(kept), foreign));
        other.restack(foreign, XCB_STACK_MODE_BELOW);
        QTRY_VERIFY(!other.above({foreign}, ids(kept).first()));
        raised.clear();
        if (cover == Cover::RaisedLater)
            other.restack(foreign, XCB_STACK_MODE_ABOVE);
        else
            other.circulateRoot(XCB_CIRCULATE_RAISE_LOWEST);
        break;
    }
    // At once, really; the margin is for a busy machine.
    QTRY_VERIFY_WITH_TIMEOUT(other.above(ids(kept), foreign), 5000);
    // An unmanaged window always opens on top, so the kept windows must have been raised.
    if (cover != Cover::FullScreenMapped)
        QVERIFY(raised.count() >= 1);

    // Their own restacking reports back to them; it must not set off another raise.
    const qsizetype settled = raised.count();
    QTest::qWait(500);
    QCOMPARE(raised.count(), settled);
}

void TestQtWindowOps::ownPopupOrDialogStaysAbove_data()
{
    QTest::addColumn<bool>("popup");
    QTest::addRow("popup menu") << true;
    QTest::addRow("modal dialog") << false;
}

void TestQtWindowOps::ownPopupOrDialogStaysAbove()
{
    QFETCH(bool, popup);
    QtWindowOps ops(eventsOnly());
    if (!ops.watchesStacking())
        QSKIP("the stacking order is watched only on an X desktop through Qt's xcb platform");
    ForeignClient other;
    QVERIFY(other.ok());
    const auto kept = keep(ops, 1);
    QSignalSpy raised(&ops, &QtWindowOps::raised);

    QMenu menu;
    menu.addAction(QStringLiteral("an entry"));
    QDialog dialog;
    dialog.setModal(true);
    dialog.setGeometry(20, 20, 120, 80);
    QWidget *own = popup ? static_cast<QWidget *>(&menu) : &dialog;
    if (popup)
        menu.popup(QPoint(20, 20));
    else
        dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(own));
    // A menu opens on top; where a dialog goes is the window manager's choice.
    const bool ownOnTop = other.above({xcb_window_t(own->winId())}, ids(kept).first());
    QVERIFY(ownOnTop || !popup);

    const xcb_window_t foreign = other.map(QRect(0, 0, 200, 100), false);
    QTRY_VERIFY(other.above({foreign}, ids(kept).first()));
    // The bar must not go over the program's own menu or dialog while it is open.
    QTest::qWait(300);
    QCOMPARE(raised.count(), 0);
    QCOMPARE(other.above({xcb_window_t(own->winId())}, ids(kept).first()), ownOnTop);

    // Closed, the bar comes back above the other program's window.
    own->hide();
    QTRY_VERIFY_WITH_TIMEOUT(other.above(ids(kept), foreign), 5000);
}

void TestQtWindowOps::fightForTheTopIsRateLimited()
{
    QtWindowOps::Options options = eventsOnly();
    options.maxRaisesPerSecond = 4;
    QtWindowOps ops(options);
    if (!ops.watchesStacking())
        QSKIP("the stacking order is watched only on an X desktop through Qt's xcb platform");
    ForeignClient other;
    QVERIFY(other.ok());
    const auto kept = keep(ops, 1);
    QSignalSpy raised(&ops, &QtWindowOps::raised);

    // Another program that keeps itself on top the same way.
    const xcb_window_t rival = other.map(QRect(0, 0, 200, 100), false);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2000) {
        if (other.above(ids(kept), rival))
            other.restack(rival, XCB_STACK_MODE_ABOVE);
        QTest::qWait(2);
    }
    // Four a second, within the two seconds and the first of the next: never many more.
    QVERIFY2(raised.count() >= 2 && raised.count() <= 12,
             qPrintable(QString::number(raised.count())));
}

void TestQtWindowOps::fallbackRaisesPeriodically_data()
{
    QTest::addColumn<int>("windows");
    QTest::addRow("one window") << 1;
    QTest::addRow("the bar and a notice") << 2;
}

void TestQtWindowOps::fallbackRaisesPeriodically()
{
    QFETCH(int, windows);
    QtWindowOps::Options options;
    options.fallbackRaise = 20ms;
    QtWindowOps ops(options);
    if (ops.watchesStacking())
        QSKIP("the stacking order is watched here: there is no periodic raise");
    auto kept = keep(ops, windows);
    QSignalSpy raised(&ops, &QtWindowOps::raised);
    QTRY_VERIFY(raised.count() >= 3);
    for (const auto &w : kept)
        QCOMPARE(w->windowFlags() & QtWindowOps::topmostFlags(), QtWindowOps::topmostFlags());

    if (windows > 1) {
        kept.pop_back(); // a closed notice drops out of the raises
        const qsizetype before = raised.count();
        QTRY_VERIFY(raised.count() >= before + 3);
    }
    kept.clear(); // and with nothing left to keep, the raising stops
    QTest::qWait(100);
    const qsizetype last = raised.count();
    QTest::qWait(200);
    QCOMPARE(raised.count(), last);
}

QTEST_MAIN(TestQtWindowOps)
#include "tst_qtwindowops.moc"
