#pragma once
// Drawings for the converter's tests: groups written to files in a scratch folder.

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace nyx::test {

// One group: code and value.
using TGroup = std::pair<int, std::string>;
using TGroups = std::vector<TGroup>;

// The groups as DXF text, each line ended with Eol.
inline std::string DxfText(const TGroups& Groups, const std::string& Eol = "\r\n") {
    std::string text;
    for (const auto& [code, value] : Groups)
        text += std::to_string(code) + Eol + value + Eol;
    return text;
}

inline TGroups operator+(TGroups A, const TGroups& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

inline TGroups Section(const std::string& Name, const TGroups& Body) {
    return TGroups{{0, "SECTION"}, {2, Name}} + Body + TGroups{{0, "ENDSEC"}};
}

// A LAYER table with one entry per (name, colour number).
inline TGroups LayerTable(const std::vector<std::pair<std::string, int>>& Layers) {
    TGroups g{{0, "TABLE"}, {2, "LAYER"}, {70, std::to_string(Layers.size())}};
    for (const auto& [name, color] : Layers)
        g = g +
            TGroups{
                {0, "LAYER"}, {2, name}, {70, "0"}, {62, std::to_string(color)}, {6, "CONTINUOUS"}};
    return g + TGroups{{0, "ENDTAB"}};
}

// TABLES with the layers, then ENTITIES with the body, then EOF.
inline TGroups Drawing(const std::vector<std::pair<std::string, int>>& Layers,
                       const TGroups& Entities) {
    return Section("TABLES", LayerTable(Layers)) + Section("ENTITIES", Entities) +
           TGroups{{0, "EOF"}};
}

// A folder of its own for the files of one test, removed at the end of the scope.
class TScratch {
public:
    TScratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nyx_dxf_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("TScratch: cannot make a folder under " + pattern);
        FPath = pattern;
    }
    ~TScratch() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;

    std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }
    // Writes Text to a file of the folder and returns its path.
    std::string Write(const std::string& Name, const std::string& Text) const {
        const std::string path = *this / Name;
        std::ofstream(path, std::ios::binary) << Text;
        return path;
    }

private:
    std::filesystem::path FPath;
};

}  // namespace nyx::test
