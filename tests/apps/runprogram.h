#pragma once
// Runs one of the programs as a user runs it: in a given folder, with no X display,
// standard output and error captured.

#include "tempdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace nyx::test {

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

inline std::string ReadFile(const std::filesystem::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::filesystem::path& Path, const std::string& Data) {
    std::ofstream(Path, std::ios::binary) << Data;
}

// Program with Args in Dir; the capture files are removed again, so that Dir holds only
// what the program wrote.
inline TRun RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                       const TTempDir& Dir) {
    std::string command =
        "cd '" + Dir.Path().string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY '" + Program + "'";
    for (const std::string& a : Args)
        command += " '" + a + "'";
    command += " >'" + Dir / ".out" + "' 2>'" + Dir / ".err" + "'";
    const int raw = std::system(command.c_str());
    TRun r;
    r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.Out = ReadFile(Dir / ".out");
    r.Err = ReadFile(Dir / ".err");
    std::filesystem::remove(Dir / ".out");
    std::filesystem::remove(Dir / ".err");
    return r;
}

}  // namespace nyx::test
