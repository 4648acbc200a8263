#include "display.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace nyx {

std::string XDisplayProblem() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name)
        return "no X display to open a window on (DISPLAY is not set)";
    Display* display = XOpenDisplay(name);
    if (!display)
        return std::string("cannot open the X display \"") + name + "\"";
    XCloseDisplay(display);
    return {};
}

}  // namespace nyx
