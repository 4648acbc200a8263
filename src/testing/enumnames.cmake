# Writes the enumerant-name tables of the recording table's log from the one list of
# enumerants, gl/glconst.h, at build time.
# Run as: cmake -DIN=.../gl/glconst.h -DOUT=.../enumnames.cpp -P enumnames.cmake
#
# Every integer enumerant goes to EnumNames in header order (the first name of a value
# wins when a log line is written), except the booleans, GLU's feature flags, the
# client-attribute bits and the all-bits masks, which no logged argument takes as an
# enumerant. The server attribute bits (GL_*_BIT) go to AttribBitNames, from which glClear
# and glPushAttrib masks are spelt.
if(NOT IN OR NOT OUT)
  message(FATAL_ERROR "enumnames.cmake: pass -DIN=<gl/glconst.h> -DOUT=<enumnames.cpp>")
endif()

file(STRINGS "${IN}" lines REGEX "^#define[ \t]+GLU?_")
set(names "")
set(bits "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^#define[ \t]+(GLU?_[A-Za-z0-9_]+)[ \t]+(0x[0-9A-Fa-f]+|[0-9]+)[ \t]*$")
    continue()  # not an integer (GLU_TESS_MAX_COORD)
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(value "${CMAKE_MATCH_2}")
  string(TOLOWER "${value}" value)
  if(name MATCHES "^GLU?_(FALSE|TRUE)$" OR name MATCHES "^GLU_(EXT|VERSION)_"
     OR name MATCHES "^GL_CLIENT_[A-Z_]+_BIT$" OR value STREQUAL "0xffffffff")
    continue()
  endif()
  if(name MATCHES "^GL_[A-Z_]+_BIT$")
    string(APPEND bits "        {${value}u, \"${name}\"},\n")
  else()
    string(APPEND names "        {${value}u, \"${name}\"},\n")
  endif()
endforeach()
if(names STREQUAL "" OR bits STREQUAL "")
  message(FATAL_ERROR "enumnames.cmake: no enumerants found in ${IN}")
endif()

set(text "// Generated from gl/glconst.h by src/testing/enumnames.cmake at build time; do not edit.

#include \"testing/detail/enumnames.h\"

namespace nyx::detail {

const std::vector<TEnumName>& EnumNames() {
    static const std::vector<TEnumName> names{
${names}    };
    return names;
}

const std::vector<TEnumName>& AttribBitNames() {
    static const std::vector<TEnumName> names{
${bits}    };
    return names;
}

}  // namespace nyx::detail
")
# Unchanged output keeps its time stamp, so nothing compiles again for nothing.
file(CONFIGURE OUTPUT "${OUT}" CONTENT "${text}" @ONLY)
