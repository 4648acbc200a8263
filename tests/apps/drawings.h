#pragma once
// Drawings the programs' tests open: a small plan of every common entity kind, and
// broken ones whose error lies at a known line.

#include "dxftest.h"

#include <string>

namespace nyx::test {

// Walls in red (four lines and a circle), a floor in green (one face), a note (text), an
// arc and a point, and a path (a polyline) on a layer the tables lack.
inline std::string PlanDrawing() {
    TGroups walls;
    const int corners[][2] = {{0, 0}, {10, 0}, {10, 6}, {0, 6}, {0, 0}};
    for (int i = 0; i < 4; ++i)
        walls = walls + TGroups{{0, "LINE"},
                                {8, "WALLS"},
                                {10, std::to_string(corners[i][0])},
                                {20, std::to_string(corners[i][1])},
                                {11, std::to_string(corners[i + 1][0])},
                                {21, std::to_string(corners[i + 1][1])}};
    // clang-format off
    const TGroups rest = {
        {0, "3DFACE"}, {8, "FLOOR"}, {10, "1"}, {20, "1"}, {11, "9"}, {21, "1"},
                                     {12, "9"}, {22, "5"}, {13, "1"}, {23, "5"},
        {0, "CIRCLE"}, {8, "WALLS"}, {10, "5"}, {20, "3"}, {40, "1.5"},
        {0, "ARC"}, {8, "WALLS"}, {62, "5"}, {10, "8"}, {20, "4"}, {40, "0.5"}, {50, "0"},
                                                                                {51, "90"},
        {0, "POINT"}, {8, "NOTES"}, {10, "2"}, {20, "2"},
        {0, "TEXT"}, {8, "NOTES"}, {10, "1"}, {20, "6.5"}, {40, "0.8"}, {1, "Plan"},
        {0, "POLYLINE"}, {8, "PATH"}, {62, "4"}, {66, "1"},
        {0, "VERTEX"}, {8, "PATH"}, {10, "2"}, {20, "4"},
        {0, "VERTEX"}, {8, "PATH"}, {10, "4"}, {20, "5"},
        {0, "SEQEND"}};
    // clang-format on
    return DxfText(Drawing({{"WALLS", 1}, {"FLOOR", 3}, {"NOTES", 7}}, walls + rest));
}

// A drawing whose tenth line, a coordinate, is no number.
inline const char* const BadNumberDrawing = "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nA\n"
                                            " 10\nsix\n  0\nENDSEC\n  0\nEOF\n";
// A drawing without entities.
inline const char* const EmptyDrawing = "  0\nSECTION\n  2\nHEADER\n  0\nENDSEC\n  0\nEOF\n";

}  // namespace nyx::test
