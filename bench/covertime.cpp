// How long a window that comes up full screen hides the bar, seen from the X server's stacking
// order: the bar's window against the top-level window (the window manager's frame, or the
// window itself) of a full-screen window this bench puts up, polled about every millisecond.
//
//   covertime --window ID [--mode map|switch] [--rounds N] [--watch MS] [--seed S]
//
// map     each round maps a new full-screen window, as a slide show starting does
// switch  two full-screen windows; each round activates the other one through the window
//         manager (_NET_ACTIVE_WINDOW, as a task switcher does), which raises it
//
// A round waits a random 200-800 ms first, so it falls at a random moment for anything the bar
// does periodically, then watches for --watch ms (default 1500). Two figures per round:
//
// covered   all the time the window was seen viewable above the bar within the watch, by
//           polling the stacking order about every millisecond (a shorter cover may be missed)
// restack   from the server's report that the window's top level was mapped or restacked to
//           its report that the bar was restacked after it; both read on this bench's own
//           connection, so to a fraction of a millisecond ("-" when the bar did not move)
//
// It prints both for each round, and their median and largest over the rounds. Exit status 1
// when the bar's window cannot be found.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <poll.h>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

class Desktop
{
public:
    Desktop()
    {
        int screen = 0;
        m_c = xcb_connect(nullptr, &screen);
        if (xcb_connection_has_error(m_c))
            return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        m_screen = it.data;
    }
    ~Desktop() { xcb_disconnect(m_c); }

    bool ok() const { return m_screen != nullptr; }
    xcb_connection_t *c() const { return m_c; }
    xcb_window_t root() const { return m_screen->root; }

    xcb_atom_t atom(const char *name)
    {
        const Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // A full-screen window of the given colour, asking for the keyboard as a slide show does.
    xcb_window_t createFullScreen(uint32_t colour)
    {
        const xcb_window_t w = xcb_generate_id(m_c);
        const uint32_t values[] = {colour};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, root(), 0, 0, m_screen->width_in_pixels,
                          m_screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual, XCB_CW_BACK_PIXEL, values);
        const char cls[] = "tc-cover\0tc-cover";
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof cls, cls);
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 8,
                            "tc-cover");
        const xcb_atom_t fullScreen = atom("_NET_WM_STATE_FULLSCREEN");
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                            1, &fullScreen);
        const uint32_t hints[9] = {1, 1}; // flags: InputHint; input: true
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                            9, hints);
        return w;
    }

    void activate(xcb_window_t w)
    {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = atom("_NET_ACTIVE_WINDOW");
        e.data.data32[0] = 2; // from a pager or task switcher
        e.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, 0, root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&e));
    }

    // The child of the root window that holds `w` (its frame, or `w` itself), or 0.
    xcb_window_t topLevel(xcb_window_t w)
    {
        for (int depth = 0; depth < 8 && w; ++depth) {
            const Reply<xcb_query_tree_reply_t> t(
                xcb_query_tree_reply(m_c, xcb_query_tree(m_c, w), nullptr));
            if (!t)
                return 0;
            if (t->parent == root())
                return w;
            w = t->parent;
        }
        return 0;
    }

    bool viewable(xcb_window_t w)
    {
        const Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, w), nullptr));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // Whether `show` is viewable and its top-level window lies above `bar`.
    bool covers(xcb_window_t show, xcb_window_t bar)
    {
        if (!viewable(show))
            return false;
        const xcb_window_t top = topLevel(show);
        const Reply<xcb_query_tree_reply_t> t(
            xcb_query_tree_reply(m_c, xcb_query_tree(m_c, root()), nullptr));
        if (!t || !top)
            return false;
        const xcb_window_t *children = xcb_query_tree_children(t.get());
        const int n = xcb_query_tree_children_length(t.get());
        const auto at = [&](xcb_window_t w) {
            return int(std::find(children, children + n, w) - children);
        };
        return at(top) < n && at(top) > at(bar);
    }

private:
    xcb_connection_t *m_c = nullptr;
    xcb_screen_t *m_screen = nullptr;
};

// Stamps each stacking event the moment it arrives, on a connection and a thread of its own:
// a window manager may grab the server while it maps a window, and a client waiting for a reply
// meanwhile would read the events only after the grab.
class EventRecorder
{
public:
    struct Seen
    {
        xcb_window_t window;
        bool configure; // ConfigureNotify; else MapNotify
        Clock::time_point at;
    };

    EventRecorder()
    {
        int screen = 0;
        m_c = xcb_connect(nullptr, &screen);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, it.data->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_c);
        m_thread = std::thread([this] { run(); });
    }
    ~EventRecorder()
    {
        m_stop = true;
        m_thread.join();
        xcb_disconnect(m_c);
    }

    std::vector<Seen> take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_seen, {});
    }

private:
    void run()
    {
        while (!m_stop && !xcb_connection_has_error(m_c)) {
            pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
            ::poll(&fd, 1, 20);
            while (xcb_generic_event_t *e = xcb_poll_for_event(m_c)) {
                const Clock::time_point now = Clock::now();
                const int type = e->response_type & ~0x80;
                if (type == XCB_MAP_NOTIFY || type == XCB_CONFIGURE_NOTIFY) {
                    const xcb_window_t w =
                        type == XCB_MAP_NOTIFY
                            ? reinterpret_cast<xcb_map_notify_event_t *>(e)->window
                            : reinterpret_cast<xcb_configure_notify_event_t *>(e)->window;
                    std::lock_guard lock(m_mutex);
                    m_seen.push_back({w, type == XCB_CONFIGURE_NOTIFY, now});
                }
                std::free(e);
            }
        }
    }

    xcb_connection_t *m_c = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<Seen> m_seen;
};

struct Round
{
    double coveredMs = 0;
    double restackMs = -1; // none seen
};

Round watch(Desktop &d, EventRecorder &events, xcb_window_t show, xcb_window_t bar,
            Clock::time_point start, double watchMs)
{
    double covered = 0;
    bool wasCovered = false;
    double since = 0;
    while (msSince(start) < watchMs) {
        const bool now = d.covers(show, bar);
        const double t = msSince(start);
        if (now && !wasCovered)
            since = t;
        if (!now && wasCovered)
            covered += t - since;
        wasCovered = now;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (wasCovered)
        covered += watchMs - since;

    Round round{covered};
    const xcb_window_t top = d.topLevel(show);
    const std::vector<EventRecorder::Seen> seen = events.take();
    const auto came = std::find_if(seen.begin(), seen.end(), [&](const EventRecorder::Seen &s) {
        return s.window == top || s.window == show;
    });
    const auto lifted = std::find_if(came, seen.end(), [&](const EventRecorder::Seen &s) {
        return s.configure && s.window == bar;
    });
    if (came != seen.end() && lifted != seen.end())
        round.restackMs = std::chrono::duration<double, std::milli>(lifted->at - came->at).count();
    return round;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[(v.size() - 1) / 2];
}

} // namespace

int main(int argc, char **argv)
{
    xcb_window_t bar = 0;
    std::string mode = "map";
    int rounds = 20;
    double watchMs = 1500;
    unsigned seed = 12;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--window")
            bar = xcb_window_t(std::strtoul(argv[i + 1], nullptr, 0));
        else if (arg == "--mode")
            mode = argv[i + 1];
        else if (arg == "--rounds")
            rounds = std::atoi(argv[i + 1]);
        else if (arg == "--watch")
            watchMs = std::atof(argv[i + 1]);
        else if (arg == "--seed")
            seed = unsigned(std::atoi(argv[i + 1]));
    }
    Desktop d;
    if (!d.ok() || !bar || !d.viewable(bar) || (mode != "map" && mode != "switch") || rounds < 1) {
        std::fprintf(stderr, "usage: covertime --window ID [--mode map|switch] [--rounds N] "
                             "[--watch MS] [--seed S] (the bar's window must be shown)\n");
        return 1;
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause(200, 800);

    xcb_window_t pair[2] = {0, 0};
    if (mode == "switch") {
        for (int i = 0; i < 2; ++i) {
            pair[i] = d.createFullScreen(i ? 0x00c000 : 0xc000c0);
            xcb_map_window(d.c(), pair[i]);
        }
        xcb_flush(d.c());
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }

    EventRecorder events;
    std::vector<Round> rounds_;
    for (int round = 0; round < rounds; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        xcb_window_t show = 0;
        if (mode == "map") {
            show = d.createFullScreen(round % 2 ? 0x00c000 : 0xc000c0);
            xcb_map_window(d.c(), show);
        } else {
            show = pair[round % 2];
            d.activate(show);
        }
        events.take(); // what came before the round
        xcb_flush(d.c());
        rounds_.push_back(watch(d, events, show, bar, Clock::now(), watchMs));
        if (mode == "map")
            xcb_destroy_window(d.c(), show);
        xcb_flush(d.c());
    }
    for (xcb_window_t w : pair) {
        if (w)
            xcb_destroy_window(d.c(), w);
    }
    xcb_flush(d.c());

    std::vector<double> covered;
    std::vector<double> restacks;
    std::printf("cover %s, each round, covered / restack (ms):", mode.c_str());
    for (const Round &r : rounds_) {
        covered.push_back(r.coveredMs);
        if (r.restackMs >= 0)
            restacks.push_back(r.restackMs);
        std::printf(" %.1f/", r.coveredMs);
        r.restackMs >= 0 ? std::printf("%.2f", r.restackMs) : std::printf("-");
    }
    const long coveredRounds =
        std::count_if(covered.begin(), covered.end(), [](double ms) { return ms > 0; });
    std::printf("\ncover %s: %d rounds; covered in %ld, median %.1f ms, max %.1f ms; ",
                mode.c_str(), rounds, coveredRounds, median(covered),
                *std::max_element(covered.begin(), covered.end()));
    if (restacks.empty())
        std::printf("the bar never restacked\n");
    else
        std::printf("restacked in %zu, median %.2f ms, max %.2f ms\n", restacks.size(),
                    median(restacks), *std::max_element(restacks.begin(), restacks.end()));
    return 0;
}
