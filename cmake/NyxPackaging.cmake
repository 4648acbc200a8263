# Debian packages of what the install rules install, one per component (see
# NyxInstall.cmake), made by `cpack` in the build folder; scripts/package drives it.
# Dependencies of the binaries come from dpkg-shlibdeps, the version from the project.

set(NYX_MAINTAINER "Nyx developers <nyx-devel@nyx3d.org>")

# Every package carries the copyright and a Debian changelog of its own. The changelog's
# date is SOURCE_DATE_EPOCH's when it is set (scripts/package sets the last commit's).
set(nyx_packages runtime:libnyx dev:libnyx-dev tools:nyx-tools)
if(NYX_BUILD_DOCS)
  list(APPEND nyx_packages doc:nyx-doc)
endif()
string(TIMESTAMP nyx_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${PROJECT_BINARY_DIR}/debian/changelog
  "nyx (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}.\n\n"
  " -- ${NYX_MAINTAINER}  ${nyx_date}\n")
execute_process(COMMAND gzip -9nc INPUT_FILE ${PROJECT_BINARY_DIR}/debian/changelog
                OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_COMPONENTS_ALL "")
foreach(entry IN LISTS nyx_packages)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 component)
  list(GET entry 1 package)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
                ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nyx)
set(CPACK_PACKAGE_VENDOR "Nyx developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${NYX_MAINTAINER})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are found in the build folder; the packages that need them depend on
# libnyx through the components' dependencies.
get_property(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS GLOBAL PROPERTY NYX_LIBRARY_DIRS)
# A shlibs file for libnyx, and its ldconfig trigger; 0.x releases are not compatible
# with each other.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The packages that put shared libraries on the linker's path have ldconfig run.
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_DEV_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "components for interactive 3D views drawn with OpenGL 1.1
Nyx is a C++20 library of components for interactive 3D views drawn with
fixed-function OpenGL 1.1 inside desktop applications: scene graph, rendering
panels, DXF converter, and the Qt 6 host with its design-time tools.
This package holds the shared libraries libnyx and libnyxqt.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
# What the CMake package and the pkg-config files look for on the machine they are used on.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "libosmesa6-dev, libglu1-mesa-dev, libgl-dev, libx11-dev, qt6-base-dev, pkgconf | pkg-config")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "development files of Nyx, a library of components for 3D views
Headers, the CMake package (find_package(Nyx)), the pkg-config files nyx.pc
and nyxqt.pc, the test helpers (libnyx_testing: recorded OpenGL calls,
off-screen surfaces) and the Qt Designer plugin that puts the panel widget
on forms in the widget box group OpenGL.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "viewer, converter and form designer of the Nyx 3D library
nyxview shows scene files and DXF drawings (and opens them from the desktop),
nyxconv converts scene files between their binary and text forms and DXF,
nyxedit designs forms that hold scenes, live panels and converters.")

set(CPACK_DEBIAN_DOC_PACKAGE_SECTION doc)
set(CPACK_DEBIAN_DOC_PACKAGE_ARCHITECTURE all)
set(CPACK_COMPONENT_DOC_DESCRIPTION
  "API reference of the Nyx 3D library
The reference of the public headers of libnyx and libnyxqt in HTML, with a
page per module and the quick starts, under /usr/share/doc/nyx-doc/html.")

include(CPack)
