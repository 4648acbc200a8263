#pragma once
// The shell every program runs in: whatever ends a run early, a command line refused or a
// failure while running, reaches the user as one line on standard error, "program: what
// went wrong", and exit status 1.

#include <functional>
#include <stdexcept>
#include <string>

namespace nyx {

// A command line the program refuses.
struct TBadArgument : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Text with its line breaks turned into spaces, so that a message stays on one line.
std::string OneLine(std::string Text);

// The exit status of Body, or 1 after Program's one line on standard error when it throws.
int RunProgram(const char* Program, const std::function<int()>& Body);

}  // namespace nyx
