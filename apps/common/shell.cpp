#include "shell.h"

#include <exception>
#include <iostream>

namespace nyx {

std::string OneLine(std::string Text) {
    for (char& c : Text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return Text;
}

int RunProgram(const char* Program, const std::function<int()>& Body) {
    try {
        return Body();
    } catch (const std::exception& e) {
        std::cerr << Program << ": " << OneLine(e.what()) << "\n";
    } catch (...) {
        std::cerr << Program << ": stopped by an error of unknown kind\n";
    }
    return 1;
}

}  // namespace nyx
