// How soon the bar starts counting once a slide show comes up, with --follow-show: the real
// program's objects in this process on the X display (run it inside with-desktop.sh), and a
// show that a connection of the bench's own maps as another program would.
//
//   showstart [--rounds N]
//
// Each round maps a new 1-pixel window asking for full screen (_NET_WM_STATE_FULLSCREEN), so
// the window manager makes it full screen as it does a slide show, and destroys it again once
// the bar counts; the bar pauses 2 s later, and the next round starts after 2.5 s.
//
// latency   from the X server's report that the show window was mapped (its MapNotify, stamped
//           on arrival by a thread that does nothing else) to the bar counting (stamped as the
//           event loop returns from the events that started it)
//
// It prints each round's figure and their median and largest. Exit status 1 without an X
// display, or when a round's show does not start the bar within 5 s.
#include "application.h"
#include "bar.h"
#include "talkoptions.h"
#include "xcbclient.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Steady = std::chrono::steady_clock;

constexpr int RoundTimeoutMs = 5000;
// Longer than the bar's 2 s grace, so each round's show appears where none was.
constexpr int BetweenRoundsMs = 2500;

double msSince(Steady::time_point from, Steady::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

using XcbClient::atom;

} // namespace

int main(int argc, char **argv)
{
    int rounds = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "showstart: no X display\n");
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t fullScreen = atom(c, "_NET_WM_STATE_FULLSCREEN");

    Application bar(TalkOptions{.lengthSeconds = 99 * 60, .followShow = true});

    // The show window's MapNotify, stamped by a thread that only waits for events.
    std::atomic<xcb_window_t> show{0};
    std::atomic<long long> mappedAt{-1}; // ns on Steady
    std::thread stamper([&] {
        while (xcb_generic_event_t *e = xcb_wait_for_event(c)) {
            if ((e->response_type & ~0x80) == XCB_MAP_NOTIFY
                && reinterpret_cast<xcb_map_notify_event_t *>(e)->window == show.load())
                mappedAt = Steady::now().time_since_epoch().count();
            std::free(e);
        }
    });

    std::vector<double> figures;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < BetweenRoundsMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                          &mask);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, 1, &fullScreen);
        mappedAt = -1;
        show = w;
        xcb_map_window(c, w);
        xcb_flush(c);
        wait.restart();
        while (!bar.bar().runState().isRunning() && wait.elapsed() < RoundTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const Steady::time_point counting = Steady::now();
        if (!bar.bar().runState().isRunning() || mappedAt < 0) {
            std::fprintf(stderr, "showstart: round %d: the bar did not start\n", round + 1);
            return 1;
        }
        const double ms = msSince(Steady::time_point(Steady::duration(mappedAt.load())), counting);
        figures.push_back(ms);
        std::printf("round %2d: %.2f ms\n", round + 1, ms);
        xcb_destroy_window(c, w);
        xcb_flush(c);
    }
    std::sort(figures.begin(), figures.end());
    std::printf("show start: median %.2f ms, max %.2f ms over %d rounds\n",
                figures[figures.size() / 2], figures.back(), rounds);
    std::fflush(stdout);
    std::_Exit(0); // the stamping thread waits on the connection for good
}
