#pragma once
// Enumerant names for the recording table's log, generated from gl/glconst.h at build time
// (enumnames.cmake).

#include <vector>

namespace nyx::detail {

struct TEnumName {
    unsigned Value;
    const char* Name;
};

// Every OpenGL 1.1 and GLU enumerant except the booleans and the attribute bits.
const std::vector<TEnumName>& EnumNames();
// The single-bit masks of glClear and glPushAttrib.
const std::vector<TEnumName>& AttribBitNames();

}  // namespace nyx::detail
