# The public headers of the scene graph and the primitives do not reach the GL binding:
# each one, alone in a translation unit, leaves no GL_ or GLU_ macro defined, and a box
# compiles in such a unit. Run as: cmake -DCXX=... -DSRC=... -DOUT=... -P firewall.cmake
file(GLOB headers RELATIVE ${SRC} ${SRC}/scene/*.h ${SRC}/objects/*.h)
if(NOT headers)
  message(FATAL_ERROR "no headers found under ${SRC}")
endif()
file(MAKE_DIRECTORY ${OUT})
set(failures "")
foreach(header ${headers})
  string(MAKE_C_IDENTIFIER ${header} stem)
  set(unit ${OUT}/${stem}.cpp)
  file(WRITE ${unit} "#include \"${header}\"\n")
  execute_process(
    COMMAND ${CXX} -std=c++20 -E -dM -I${SRC} ${unit}
    RESULT_VARIABLE result OUTPUT_VARIABLE macros ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    string(APPEND failures "${header} does not preprocess on its own:\n${errors}\n")
  elseif(macros MATCHES "#define (GLU?_[A-Za-z0-9_]+)")
    string(APPEND failures "${header} defines ${CMAKE_MATCH_1}: it includes the GL binding\n")
  endif()
endforeach()

# A box used in a unit that has no GL name at all.
set(unit ${OUT}/box_without_gl.cpp)
file(WRITE ${unit} [=[
#include "objects/box.h"
#if defined(GL_QUADS) || defined(GL_FRONT_AND_BACK) || defined(GLU_TESS_BEGIN)
#error the GL binding is visible
#endif
void SliceBox(nyx::TNyxBox& Box) { Box.SetSlices(0, 3); }
]=])
execute_process(
  COMMAND ${CXX} -std=c++20 -fsyntax-only -I${SRC} ${unit}
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  string(APPEND failures "objects/box.h does not compile without GL:\n${errors}\n")
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
