#pragma once
// A fresh folder for the files of one test, removed with everything in it at the end of
// the scope.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace nyx::test {

class TTempDir {
public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nyx_test_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("TTempDir: cannot make a folder under " + pattern);
        FPath = pattern;
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

}  // namespace nyx::test
