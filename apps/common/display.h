#pragma once
// Whether an X display can be reached, asked without Qt: Qt ends the process when it
// cannot connect, and Xlib's names clash with Qt's.

#include <string>

namespace nyx {

// Empty when the display named by DISPLAY answers, else why not, in one line.
std::string XDisplayProblem();

}  // namespace nyx
