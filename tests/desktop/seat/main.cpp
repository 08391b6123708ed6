// Types and clicks on a Wayland desktop through the compositor's own seat, as a person at a
// keyboard and a mouse would, so the compositor's focus rules apply (XTEST into XWayland would
// skip them). One keyboard and one pointer for the whole run: a compositor may move the focus
// when a new keyboard appears. Commands come on stdin, one a line; each is answered on stdout
// with "ok" once the compositor has taken it, or "error <why>":
//   key <keysym>         press and release a key: "9", "Tab", "Return", "a"
//   move <x> <y>         the pointer to that point of the screen, in pixels
//   click <left|right>   press and release a button where the pointer is
// On start it prints "ready wlroots" or "ready kwin" (the protocol it found), or exits with 2
// when the compositor offers neither.
//   wlroots (sway): zwp_virtual_keyboard_v1 and zwlr_virtual_pointer_v1
//   KWin: org_kde_kwin_fake_input (needs KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 in KWin's
//         environment)
// The screen's size comes from TC_SCREEN_SIZE (WxH), as with-sway.sh sets it.

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <linux/input-event-codes.h>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// xkb numbers keys 8 above the kernel's codes, which the protocols use.
constexpr xkb_keycode_t XkbKeycodeOffset = 8;
constexpr unsigned FakeInputVersionWithKeys = 4; // keyboard_key came with version 4
constexpr unsigned Released = 0;
constexpr unsigned Pressed = 1;

struct Seat
{
    wl_seat *seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *keyboardManager = nullptr;
    zwlr_virtual_pointer_manager_v1 *pointerManager = nullptr;
    org_kde_kwin_fake_input *fakeInput = nullptr;
    zwp_virtual_keyboard_v1 *keyboard = nullptr;
    zwlr_virtual_pointer_v1 *pointer = nullptr;
    xkb_keymap *keymap = nullptr;
    int width = 1920;
    int height = 1080;
};

void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
            uint32_t version)
{
    auto *s = static_cast<Seat *>(data);
    const std::string i = interface;
    if (i == wl_seat_interface.name && !s->seat) {
        s->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (i == zwp_virtual_keyboard_manager_v1_interface.name) {
        s->keyboardManager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (i == zwlr_virtual_pointer_manager_v1_interface.name) {
        s->pointerManager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (i == org_kde_kwin_fake_input_interface.name && version >= FakeInputVersionWithKeys) {
        s->fakeInput = static_cast<org_kde_kwin_fake_input *>(wl_registry_bind(
            registry, name, &org_kde_kwin_fake_input_interface, FakeInputVersionWithKeys));
    }
}

void globalRemove(void *, wl_registry *, uint32_t) {}

const wl_registry_listener registryListener = {global, globalRemove};

uint32_t nowMs()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The kernel's code of the key that gives `keysym` without Shift in the keymap, or 0.
uint32_t keyFor(xkb_keymap *keymap, xkb_keysym_t keysym)
{
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap); k <= xkb_keymap_max_keycode(keymap);
         ++k) {
        const xkb_keysym_t *syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, k, 0, 0, &syms) > 0 && syms[0] == keysym)
            return k - XkbKeycodeOffset;
    }
    return 0;
}

// wlroots' virtual keyboard types with the keymap it is given: the same US one xkb compiles.
bool sendKeymap(Seat &s)
{
    char *text = xkb_keymap_get_as_string(s.keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text)
        return false;
    const size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("tc-seat-keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && write(fd, text, size) == ssize_t(size);
    std::free(text);
    if (written)
        zwp_virtual_keyboard_v1_keymap(s.keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       uint32_t(size));
    if (fd >= 0)
        close(fd);
    return written;
}

void sendKey(Seat &s, uint32_t key, uint32_t state)
{
    if (s.keyboard)
        zwp_virtual_keyboard_v1_key(s.keyboard, nowMs(), key, state);
    else
        org_kde_kwin_fake_input_keyboard_key(s.fakeInput, key, state);
}

void sendMove(Seat &s, int x, int y)
{
    if (s.pointer) {
        zwlr_virtual_pointer_v1_motion_absolute(s.pointer, nowMs(), uint32_t(x), uint32_t(y),
                                                uint32_t(s.width), uint32_t(s.height));
        zwlr_virtual_pointer_v1_frame(s.pointer);
    } else {
        org_kde_kwin_fake_input_pointer_motion_absolute(s.fakeInput, wl_fixed_from_int(x),
                                                        wl_fixed_from_int(y));
    }
}

void sendButton(Seat &s, uint32_t button, uint32_t state)
{
    if (s.pointer) {
        zwlr_virtual_pointer_v1_button(s.pointer, nowMs(), button, state);
        zwlr_virtual_pointer_v1_frame(s.pointer);
    } else {
        org_kde_kwin_fake_input_button(s.fakeInput, button, state);
    }
}

std::string perform(Seat &s, const std::string &line)
{
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "key") {
        std::string name;
        in >> name;
        const xkb_keysym_t sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        const uint32_t key = sym == XKB_KEY_NoSymbol ? 0 : keyFor(s.keymap, sym);
        if (!key)
            return "error no unshifted key gives '" + name + "'";
        sendKey(s, key, Pressed);
        sendKey(s, key, Released);
        return "ok";
    }
    if (command == "move") {
        int x = -1, y = -1;
        in >> x >> y;
        if (!in || x < 0 || y < 0 || x >= s.width || y >= s.height)
            return "error move needs a point on the screen";
        sendMove(s, x, y);
        return "ok";
    }
    if (command == "click") {
        std::string which;
        in >> which;
        if (which != "left" && which != "right")
            return "error click left or click right";
        const uint32_t button = which == "left" ? BTN_LEFT : BTN_RIGHT;
        sendButton(s, button, Pressed);
        sendButton(s, button, Released);
        return "ok";
    }
    return "error unknown command '" + command + "'";
}

} // namespace

int main()
{
    Seat s;
    if (const char *size = std::getenv("TC_SCREEN_SIZE"))
        std::sscanf(size, "%dx%d", &s.width, &s.height);
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::cerr << "tc-seat: no Wayland display\n";
        return 2;
    }
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &s);
    wl_display_roundtrip(display);

    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names us = {"evdev", "pc105", "us", "", ""};
    s.keymap =
        context ? xkb_keymap_new_from_names(context, &us, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    if (!s.keymap) {
        std::cerr << "tc-seat: cannot compile a US keymap\n";
        return 2;
    }

    const char *kind = nullptr;
    if (s.seat && s.keyboardManager && s.pointerManager) {
        s.keyboard =
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(s.keyboardManager, s.seat);
        s.pointer =
            zwlr_virtual_pointer_manager_v1_create_virtual_pointer(s.pointerManager, s.seat);
        if (!sendKeymap(s)) {
            std::cerr << "tc-seat: cannot hand over the keymap\n";
            return 2;
        }
        kind = "wlroots";
    } else if (s.fakeInput) {
        org_kde_kwin_fake_input_authenticate(s.fakeInput, "tc-seat", "desktop tests");
        kind = "kwin";
    } else {
        std::cerr << "tc-seat: the compositor offers no virtual keyboard and pointer\n";
        return 2;
    }
    if (wl_display_roundtrip(display) < 0) {
        std::cerr << "tc-seat: the compositor refused the input devices\n";
        return 2;
    }
    std::cout << "ready " << kind << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        std::string answer = perform(s, line);
        if (wl_display_roundtrip(display) < 0)
            answer = "error the compositor closed the connection";
        std::cout << answer << std::endl;
    }
    wl_display_disconnect(display);
    return 0;
}
