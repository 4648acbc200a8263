// The jitter tables against the published values, entry for entry.
#include "gl/jitter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace nyx;

namespace {

struct TTable {
    const char* Name;
    const TJitterPoint* Points;
    std::size_t Count;
};

template <std::size_t N>
TTable Table(const char* name, const TJitterPoint (&points)[N]) {
    return {name, points, N};
}

const std::vector<TTable>& Tables() {
    static const std::vector<TTable> tables{Table("j2", j2),  Table("j3", j3),   Table("j4", j4),
                                            Table("j8", j8),  Table("j15", j15), Table("j24", j24),
                                            Table("j66", j66)};
    return tables;
}

// The published text, parsed as single floats: NAME -> points.
std::map<std::string, std::vector<std::pair<float, float>>> Published() {
    const char* dir = std::getenv("NYX_TEST_DATA");
    std::ifstream in(std::string(dir ? dir : "tests/data") + "/jitter.txt");
    std::map<std::string, std::vector<std::pair<float, float>>> result;
    std::string line, current;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        if (line.rfind("table ", 0) == 0) {
            std::string word;
            fields >> word >> current;
            continue;
        }
        float x = 0, y = 0;
        fields >> x >> y;
        result[current].emplace_back(x, y);
    }
    return result;
}

TEST(Jitter, TablesHoldThePublishedValuesInOrder) {
    const auto published = Published();
    ASSERT_EQ(published.size(), 7u) << "tests/data/jitter.txt not found or incomplete";
    for (const TTable& table : Tables()) {
        SCOPED_TRACE(table.Name);
        const auto it = published.find(table.Name);
        ASSERT_NE(it, published.end());
        ASSERT_EQ(table.Count, it->second.size());
        for (std::size_t i = 0; i < table.Count; ++i) {
            EXPECT_EQ(table.Points[i].x, it->second[i].first) << "entry " << i;
            EXPECT_EQ(table.Points[i].y, it->second[i].second) << "entry " << i;
        }
    }
}

TEST(Jitter, OffsetsStayInsideThePixel) {
    for (const TTable& table : Tables()) {
        for (std::size_t i = 0; i < table.Count; ++i) {
            EXPECT_GT(table.Points[i].x, -0.5f) << table.Name << " " << i;
            EXPECT_LT(table.Points[i].x, 0.5f) << table.Name << " " << i;
            EXPECT_GT(table.Points[i].y, -0.5f) << table.Name << " " << i;
            EXPECT_LT(table.Points[i].y, 0.5f) << table.Name << " " << i;
        }
    }
}

TEST(Jitter, KnownEntries) {
    static_assert(sizeof(j8) / sizeof(j8[0]) == 8);
    EXPECT_EQ(j8[0].x, -0.334818f);
    EXPECT_EQ(j8[0].y, 0.435331f);
    // j2 is a symmetric pair.
    EXPECT_EQ(j2[0].x, 0.246490f);
    EXPECT_EQ(j2[0].y, 0.249999f);
    EXPECT_EQ(j2[1].x, -j2[0].x);
    EXPECT_EQ(j2[1].y, -j2[0].y);
}

}  // namespace
