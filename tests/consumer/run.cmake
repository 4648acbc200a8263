# Installs a build of Nyx into a scratch prefix and moves the prefix elsewhere (an
# installed package knows neither where it was built nor where it was installed), checks
# that the exported targets name no absolute path, then builds this folder's project
# against the package and runs its programs.
#
#   cmake -DBUILD=<Nyx build> -DWORK=<scratch> -DGENERATOR=<name> -DCXX=<compiler>
#         -DFLAGS=<compile and link flags> -DLAUNCHER=<a|b|c> -P run.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "consumer: ${command} failed (${rc}):\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/staged)
file(RENAME ${WORK}/staged ${WORK}/usr)

file(GLOB_RECURSE exported ${WORK}/usr/*/NyxTargets*.cmake)
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
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_PREFIX_PATH=${WORK}/usr -DCMAKE_CXX_COMPILER=${CXX})
run(${CMAKE_COMMAND} --build ${WORK}/build)
run(${WORK}/build/offscreen)
run(${WORK}/build/drawing)
run(${WORK}/build/widget)
