# Install rules for the man pages and the package documents, and the Debian packages (cpack -G DEB
# in the build folder). The programs' and the library's own install rules stand beside their targets.
include(GNUInstallDirs)

# Documents are gzipped at build time, as Debian ships them; without gzip they go in as written.
find_program(MAKEQFB_GZIP gzip)

# makeqfb_gzip(source folder output_var): the build rule that gzips source into folder, and the
# file to install (the source itself when there is no gzip).
function(makeqfb_gzip source folder output_var)
  cmake_path(GET source FILENAME name)
  set(output ${source})
  if(MAKEQFB_GZIP)
    set(output ${folder}/${name}.gz)
    # -n: no name or time stamp in the archive, so the same file always gives the same bytes.
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${folder}/${name}
      COMMAND ${MAKEQFB_GZIP} -9 -n -f ${folder}/${name}
      DEPENDS ${source}
      COMMENT "Compressing ${name}"
      VERBATIM)
  endif()
  set(${output_var} ${output} PARENT_SCOPE)
endfunction()

set(MAKEQFB_MAN_PAGES makeqfb.1 qfbinfo.1 qfbprep.1)
set(man_outputs)
foreach(page ${MAKEQFB_MAN_PAGES})
  makeqfb_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${PROJECT_BINARY_DIR}/man output)
  list(APPEND man_outputs ${output})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian packages: makeqfb (the programs, their pages and the CMake package), libqfb1 (the
# format library's run-time file), libqfb-dev (its headers, static library, link name, qfb.pc,
# CMake targets and the LÖVE module qfb.lua) and python3-qfb (the Python package, its Pillow
# plugin and its pygame module). Each gets the licence (SPDX: MIT) as its copyright file, and the
# changelog.
set(MAKEQFB_DEB_COMPONENTS programs library development python)
set(MAKEQFB_DEB_NAMES makeqfb libqfb1 libqfb-dev python3-qfb)
makeqfb_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/packaging changelog)
add_custom_target(changelog ALL DEPENDS ${changelog})
foreach(component package IN ZIP_LISTS MAKEQFB_DEB_COMPONENTS MAKEQFB_DEB_NAMES)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${MAKEQFB_DEB_COMPONENTS})
set(CPACK_PACKAGE_NAME makeqfb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "makeqfb maintainers <makeqfb@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "makeqfb maintainers <makeqfb@example.org>")
# Each package's description: its synopsis, then lines under 80 characters, as Debian wants.
set(CPACK_COMPONENT_PROGRAMS_DESCRIPTION
  "pack Targa images and animation frames into QFB files
makeqfb converts a single Targa image or a numbered sequence of animation
frames, each with optional mipmap levels, into one QFB file of 16-bit 1555,
4444 or 565 pixels for a game engine. qfbinfo prints and checks a QFB file's
header and levels and unpacks it back into Targa files. qfbprep checks a
frame set, fills in missing mipmap levels, dithers frames for 16 bits and
imports PNG frames. A CMake package turns frame sets into build steps.")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION "QFB file format library
libqfb checks a QFB file (16-bit 1555, 4444 or 565 animation frames with
mipmap levels, as makeqfb writes them) held in memory, gives access to every
level of every frame and expands levels to 8-bit RGBA. This package holds the
run-time library.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libqfb1 (= ${PROJECT_VERSION}), makeqfb (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "QFB file format library - development files
libqfb checks a QFB file (16-bit 1555, 4444 or 565 animation frames with
mipmap levels, as makeqfb writes them) held in memory, gives access to every
level of every frame and expands levels to 8-bit RGBA. This package holds the
C header, the header-only OpenGL and OpenGL ES upload qfb_gl.h and SDL2
surfaces qfb_sdl.h, the static library, the pkg-config file, the CMake
targets, and qfb.lua, which loads QFB files in LÖVE 11 through LuaJIT's FFI.")
# Pure Python, calling libqfb.so.1 through ctypes: for every architecture, depending on the library.
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= 3.11), libqfb1 (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "python3-pil, python3-pygame")
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/python/debian/postinst
    ${PROJECT_BINARY_DIR}/python/debian/prerm)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "QFB file format - Python 3 module and Pillow plugin
The module qfb reads and writes QFB files (16-bit 1555, 4444 or 565 animation
frames with mipmap levels, as makeqfb writes them) through libqfb: the header,
every level's words and their expansion to 8-bit RGBA. Importing qfb.pillow
lets Pillow open and save QFB files like any other image format; qfb.pygame
makes 16-bit pygame surfaces of the levels.")
set(CPACK_DEBIAN_PACKAGE_LICENSE MIT)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Shipped programs are stripped, as Debian's policy asks.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
find_program(MAKEQFB_DPKG dpkg)
if(MAKEQFB_DPKG)
  execute_process(COMMAND ${MAKEQFB_DPKG} --print-architecture
                  OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
# The library dependencies come from dpkg-shlibdeps when it is there (package dpkg-dev).
find_program(MAKEQFB_SHLIBDEPS dpkg-shlibdeps)
if(MAKEQFB_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${QFB_DEBIAN_CONTROL_FILES})
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/drop_maintainer_scripts.cmake)
include(CPack)
