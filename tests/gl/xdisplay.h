#pragma once
// The X connection of a test program, opened at first use and never closed: the virtual
// server resets when its last client leaves, and a connection attempted during the reset
// fails; closing would also unload Mesa's driver, whose own leaks would then be reported
// without a library name that tests/lsan.supp could match. Null without an X server.

#include <X11/Xlib.h>

namespace nyx::test {

inline Display* TestDisplay() {
    static Display* const display = XOpenDisplay(nullptr);
    return display;
}

}  // namespace nyx::test
