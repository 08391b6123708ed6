#pragma once

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

// What the X clients of our own (the stacking and slide-show watchers) share: a connection
// that sees the root window's children come, go and move, and the handling of replies.
namespace XcbClient {

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
// An xcb reply, freed when it goes.
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The atom called `name`, or XCB_ATOM_NONE.
xcb_atom_t atom(xcb_connection_t *c, const char *name);

struct RootWatch
{
    xcb_connection_t *connection = nullptr; // the caller's to disconnect; null without a display
    xcb_window_t root = 0;
};

// A connection of its own to the default display, with substructure changes of its screen's
// root selected (event masks are kept per client, so Qt's own selection stays as it is) and
// flushed.
RootWatch watchRoot();

} // namespace XcbClient
