// Launch to first paint, seen from outside the program, so any X client can be measured the
// same way without changing it: starts the command, waits for its first top-level window to
// be mapped, then polls the screen until most of that window's area differs from what the
// screen showed before the launch. Times are from just before the process is spawned.
//
//   firstpaint [--timeout MS] [--threshold FRACTION] [--keep] -- command [args...]
//
// Prints "firstpaint: map <ms> paint <ms> window <w>x<h>+<x>+<y>" and, unless --keep, ends the
// program again (SIGTERM, then SIGKILL after two seconds). With --keep it prints "pid <pid>"
// and leaves the program running. Exit status 1 when nothing was painted in time.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct ImageDeleter
{
    void operator()(XImage *image) const
    {
        if (image)
            XDestroyImage(image);
    }
};
using Image = std::unique_ptr<XImage, ImageDeleter>;

// The _NET_WM_PID a client put on its window, or 0 when it set none.
long windowPid(Display *display, Window window)
{
    const Atom atom = XInternAtom(display, "_NET_WM_PID", True);
    if (atom == None)
        return 0;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data)
            == Success
        && data) {
        if (format == 32 && count == 1)
            pid = *reinterpret_cast<long *>(data);
        XFree(data);
    }
    return pid;
}

// Share of the rectangle where the screen now differs from the screen before the launch.
double changedShare(Display *display, Window root, const XImage &before, int x, int y, int w, int h)
{
    Image now(XGetImage(display, root, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap));
    if (!now)
        return 0.0;
    long changed = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            if (XGetPixel(now.get(), col, row)
                != XGetPixel(const_cast<XImage *>(&before), x + col, y + row))
                ++changed;
        }
    }
    return double(changed) / (double(w) * h);
}

void endChild(pid_t pid)
{
    kill(pid, SIGTERM);
    const double deadline = nowMs() + 2000;
    while (nowMs() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(20000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int usage()
{
    std::fprintf(stderr, "usage: firstpaint [--timeout MS] [--threshold FRACTION] [--keep] -- "
                         "command [args...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    double timeoutMs = 20000;
    double threshold = 0.5;
    bool keep = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--timeout" && i + 1 < argc)
            timeoutMs = std::atof(argv[++i]);
        else if (arg == "--threshold" && i + 1 < argc)
            threshold = std::atof(argv[++i]);
        else if (arg == "--keep")
            keep = true;
        else if (arg == "--") {
            ++i;
            break;
        } else
            return usage();
    }
    if (i >= argc)
        return usage();

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "firstpaint: cannot open the X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(display, root, &rootAttributes);
    XSelectInput(display, root, SubstructureNotifyMask);
    Image before(XGetImage(display, root, 0, 0, unsigned(rootAttributes.width),
                           unsigned(rootAttributes.height), AllPlanes, ZPixmap));
    XSync(display, False);
    if (!before) {
        std::fprintf(stderr, "firstpaint: cannot read the screen\n");
        return 2;
    }

    const double start = nowMs();
    pid_t pid = 0;
    if (const int rc = posix_spawnp(&pid, argv[i], nullptr, nullptr, argv + i, environ)) {
        std::fprintf(stderr, "firstpaint: cannot start %s: %s\n", argv[i], std::strerror(rc));
        return 2;
    }

    Window target = None;
    int x = 0, y = 0, w = 0, h = 0;
    double mapMs = -1;
    double paintMs = -1;
    const int fd = ConnectionNumber(display);
    while (nowMs() - start < timeoutMs) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.event == root && target == None) {
                XWindowAttributes a{};
                if (!XGetWindowAttributes(display, event.xmap.window, &a))
                    continue;
                const long owner = windowPid(display, event.xmap.window);
                // Tiny helper windows and other clients' windows are not the one we wait for.
                if (a.width * a.height < 100 || (owner != 0 && owner != pid))
                    continue;
                target = event.xmap.window;
                mapMs = nowMs() - start;
                x = a.x;
                y = a.y;
                w = a.width;
                h = a.height;
            } else if (event.type == ConfigureNotify && event.xconfigure.window == target) {
                x = event.xconfigure.x;
                y = event.xconfigure.y;
                w = event.xconfigure.width;
                h = event.xconfigure.height;
            }
        }
        if (target != None) {
            // Clip to the screen: only what is on it can be seen.
            const int cx = std::max(0, x);
            const int cy = std::max(0, y);
            const int cw = std::min(x + w, rootAttributes.width) - cx;
            const int ch = std::min(y + h, rootAttributes.height) - cy;
            if (cw > 0 && ch > 0
                && changedShare(display, root, *before, cx, cy, cw, ch) >= threshold) {
                paintMs = nowMs() - start;
                break;
            }
            usleep(500);
        } else {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                std::fprintf(stderr, "firstpaint: %s exited before showing a window\n", argv[i]);
                return 1;
            }
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(fd, &fds);
            timeval tv{0, 2000};
            select(fd + 1, &fds, nullptr, nullptr, &tv);
        }
    }

    if (paintMs < 0) {
        std::fprintf(stderr, "firstpaint: %s painted nothing within %.0f ms (mapped: %s)\n",
                     argv[i], timeoutMs, mapMs < 0 ? "no" : "yes");
        endChild(pid);
        return 1;
    }
    std::printf("firstpaint: map %.2f ms paint %.2f ms window %dx%d+%d+%d", mapMs, paintMs, w, h, x,
                y);
    if (keep)
        std::printf(" pid %ld", long(pid));
    std::printf("\n");
    std::fflush(stdout);
    XCloseDisplay(display);
    if (!keep)
        endChild(pid);
    return 0;
}
