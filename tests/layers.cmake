# Includes point down the layers only: a file of one module includes headers of its own
# module and of the modules below it, never of one above (a core module reaching the Qt
# host, the library reaching its test support, ...). Each folder under src/ must have its
# place in the list; a new module is added there.
# Run as: cmake -DTOP=<source tree> -P layers.cmake
if(NOT TOP)
  message(FATAL_ERROR "layers.cmake: pass -DTOP=<source tree>")
endif()

# Bottom first. Folders named together on one line sit on the same level.
set(levels
  "rtl"
  "geom"
  "gl"
  "scene"
  "objects"
  "dxf models"
  "library"
  "common"   # apps/common: what the programs share; nyxconv links no Qt
  "testing"
  "qt"
  "design"
  "nyxview nyxedit")
set(level 0)
foreach(line IN LISTS levels)
  string(REPLACE " " ";" names "${line}")
  foreach(name IN LISTS names)
    set(level_${name} ${level})
  endforeach()
  math(EXPR level "${level} + 1")
endforeach()
# What the programs include through their own folders is theirs: only the module part
# of an include path ("scene/camera.h") is ranked.
set(level_nyxconv ${level_common})  # a core program: no Qt host, no designer

file(GLOB modules LIST_DIRECTORIES true RELATIVE ${TOP}/src ${TOP}/src/*)
set(failures "")
foreach(module IN LISTS modules)
  if(IS_DIRECTORY ${TOP}/src/${module} AND NOT DEFINED level_${module})
    string(APPEND failures "src/${module} has no place in the layers of tests/layers.cmake\n")
  endif()
endforeach()

file(GLOB_RECURSE sources RELATIVE ${TOP} ${TOP}/src/*.h ${TOP}/src/*.cpp ${TOP}/apps/*.h
     ${TOP}/apps/*.cpp)
foreach(source IN LISTS sources)
  string(REGEX MATCH "^(src|apps)/([^/]+)/" _ "${source}")
  set(owner ${CMAKE_MATCH_2})
  if(NOT DEFINED level_${owner})
    continue()  # reported above, or a file directly under src/ or apps/
  endif()
  file(STRINGS ${TOP}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([^/\"]+)/" _ "${line}")
    set(target ${CMAKE_MATCH_1})
    if(DEFINED level_${target} AND level_${target} GREATER level_${owner})
      string(STRIP "${line}" line)
      string(APPEND failures "${source}: ${line} points up, from ${owner} to ${target}\n")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "includes that point up the layers:\n${failures}")
endif()
