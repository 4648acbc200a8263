# Install rules shared by the libraries and programs, so that a new target needs one call
# and lands in the right Debian package (scripts/package). Components:
#   runtime  the shared libraries                                        libnyx
#   dev      headers, link names, CMake package, pkg-config files,
#            test helpers, the Qt Designer plugin                        libnyx-dev
#   tools    the programs with their desktop entry, icon and file types  nyx-tools
#   doc      the API reference                                           nyx-doc
# An install() in apps/ without a COMPONENT goes to tools.

# Interfaces of 0.x releases change from one minor version to the next, and so do their
# sonames.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(NYX_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
else()
  set(NYX_SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

# nyx_install_library(TARGET [DEV_ONLY] [PKGCONFIG NAME DESCRIPTION TEXT [LIBS flags...]
#                     [REQUIRES modules...] [REQUIRES_PRIVATE modules...]])
# A shared library of the exported CMake package, versioned; DEV_ONLY ones (test helpers)
# go with the headers. With PKGCONFIG, NAME.pc is installed too: LIBS come before the
# library's own -l, REQUIRES are the modules its headers and programs need.
function(nyx_install_library target)
  cmake_parse_arguments(L "DEV_ONLY" "PKGCONFIG;DESCRIPTION"
                        "LIBS;REQUIRES;REQUIRES_PRIVATE" ${ARGN})
  set(component runtime)
  if(L_DEV_ONLY)
    set(component dev)
  else()
    set_target_properties(${target} PROPERTIES
      VERSION ${PROJECT_VERSION} SOVERSION ${NYX_SOVERSION})
  endif()
  # Where dpkg-shlibdeps finds it for the packages of the programs that link it.
  set_property(GLOBAL APPEND PROPERTY NYX_LIBRARY_DIRS ${CMAKE_CURRENT_BINARY_DIR})
  install(TARGETS ${target} EXPORT NyxTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${component} NAMELINK_COMPONENT dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
  if(NOT L_PKGCONFIG)
    return()
  endif()
  # Relative to the .pc file, so that the tree can be installed or unpacked anywhere.
  set(pcdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  file(RELATIVE_PATH up /prefix/${pcdir} /prefix)
  get_target_property(output ${target} OUTPUT_NAME)
  if(NOT output)
    set(output ${target})
  endif()
  list(JOIN L_LIBS " " libs)
  list(JOIN L_REQUIRES " " requires)
  list(JOIN L_REQUIRES_PRIVATE " " requires_private)
  set(file ${PROJECT_BINARY_DIR}/pkgconfig/${L_PKGCONFIG}.pc)
  file(CONFIGURE OUTPUT ${file} @ONLY CONTENT [[
prefix=${pcfiledir}/@up@
libdir=${prefix}/@CMAKE_INSTALL_LIBDIR@
includedir=${prefix}/@CMAKE_INSTALL_INCLUDEDIR@/nyx

Name: @L_PKGCONFIG@
Description: @L_DESCRIPTION@
Version: @PROJECT_VERSION@
Requires: @requires@
Requires.private: @requires_private@
Cflags: -I${includedir}
Libs: -L${libdir} @libs@ -l@output@
]])
  install(FILES ${file} DESTINATION ${pcdir} COMPONENT dev)
endfunction()
