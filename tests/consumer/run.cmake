# Builds this folder's project against an installed Nyx and runs its programs, and builds
# the README's quick starts with pkg-config as well. The installed tree is either a build
# of Nyx installed into a scratch prefix that is then moved elsewhere (an installed
# package knows neither where it was built nor where it was installed), or a root into
# which the Debian packages were unpacked. The exported targets must name no absolute path.
#
#   cmake (-DBUILD=<Nyx build> | -DROOT=<unpacked packages>) -DWORK=<scratch>
#         -DGENERATOR=<name> -DCXX=<compiler> -DFLAGS=<compile and link flags>
#         -DLAUNCHER=<a|b|c> -P run.cmake

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "consumer: ${command} failed (${rc}):\n${out}")
  endif()
endfunction()

# The installed file called NAME, anywhere under the prefix, into VAR.
function(installed var name)
  file(GLOB_RECURSE found ${prefix}/${name})
  if(NOT found)
    message(FATAL_ERROR "consumer: the install holds no ${name}")
  endif()
  list(GET found 0 found)
  set(${var} ${found} PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(BUILD)
  run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/staged)
  file(RENAME ${WORK}/staged ${WORK}/usr)
  set(prefix ${WORK}/usr)
else()
  set(prefix ${ROOT}/usr)
endif()

# Programs linked without CMake's run path, and the plugin, find the libraries there.
installed(library libnyx.so)
get_filename_component(libdir ${library} DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${libdir})

file(GLOB_RECURSE exported ${prefix}/*/NyxTargets*.cmake)
if(NOT exported)
  message(FATAL_ERROR "consumer: the install holds no NyxTargets.cmake")
endif()
foreach(file IN LISTS exported)
  file(STRINGS ${file} properties REGEX "^ *(INTERFACE|IMPORTED)_[A-Z_]+ ")
  foreach(line IN LISTS properties)
    if(line MATCHES "[\",]/")
      message(FATAL_ERROR "consumer: ${file} names a path of the machine it was built on:\n"
                          "${line}")
    endif()
  endforeach()
endforeach()

# Through a cache file: a launcher may be a list, which a command line would split.
string(REPLACE "|" ";" launcher "${LAUNCHER}")
file(WRITE ${WORK}/settings.cmake
  "set(CMAKE_CXX_COMPILER_LAUNCHER \"${launcher}\" CACHE STRING \"\")\n"
  "set(CMAKE_CXX_FLAGS \"${FLAGS}\" CACHE STRING \"\")\n"
  "set(CMAKE_EXE_LINKER_FLAGS \"${FLAGS}\" CACHE STRING \"\")\n")
get_filename_component(source ${CMAKE_CURRENT_LIST_FILE} DIRECTORY)
run(${CMAKE_COMMAND} -C ${WORK}/settings.cmake -S ${source} -B ${WORK}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX})
run(${CMAKE_COMMAND} --build ${WORK}/build)
foreach(program quickstart offscreen drawing widget)
  run(${WORK}/build/${program})
endforeach()
installed(plugin libnyxdesigner.so)
run(${WORK}/build/designer ${plugin})

# The quick starts again, compiled and linked with the flags pkg-config gives.
installed(pcfile nyx.pc)
get_filename_component(pcdir ${pcfile} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pcdir})
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
foreach(example quickstart:nyx qtwindow:nyxqt)
  string(REPLACE ":" ";" example ${example})
  list(GET example 0 program)
  list(GET example 1 module)
  execute_process(COMMAND pkg-config --cflags --libs ${module} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE pkgflags ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "consumer: pkg-config --cflags --libs ${module} failed:\n${error}")
  endif()
  separate_arguments(pkgflags UNIX_COMMAND "${pkgflags}")
  run(${launcher} ${CXX} -std=c++20 ${flags} ${source}/../../examples/${program}.cpp
      ${pkgflags} -o ${WORK}/${program}-pc)
endforeach()
file(REMOVE ${WORK}/quickstart.png)
run(${WORK}/quickstart-pc)
if(NOT EXISTS ${WORK}/quickstart.png)
  message(FATAL_ERROR "consumer: the quick start built with pkg-config wrote no picture")
endif()
