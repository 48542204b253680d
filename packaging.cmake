# Install rules for the man pages, and the Debian package of makeqfb, qfbinfo and their pages
# (cpack -G DEB in the build folder). The programs' own install rules stand beside their targets.
include(GNUInstallDirs)

# The pages are gzipped at build time, as Debian ships them; without gzip they go in as written.
set(MAKEQFB_MAN_PAGES makeqfb.1 qfbinfo.1)
find_program(MAKEQFB_GZIP gzip)
set(man_outputs)
foreach(page ${MAKEQFB_MAN_PAGES})
  set(source ${PROJECT_SOURCE_DIR}/man/${page})
  if(MAKEQFB_GZIP)
    set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
    # -n: no name or time stamp in the archive, so the same page always gives the same bytes.
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PROJECT_BINARY_DIR}/man/${page}
      COMMAND ${MAKEQFB_GZIP} -9 -n -f ${PROJECT_BINARY_DIR}/man/${page}
      DEPENDS ${source}
      COMMENT "Compressing man page ${page}"
      VERBATIM)
  else()
    set(output ${source})
  endif()
  list(APPEND man_outputs ${output})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME makeqfb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "makeqfb maintainers <makeqfb@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "makeqfb maintainers <makeqfb@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pack Targa images and animation frames into QFB files")
set(CPACK_PACKAGE_DESCRIPTION
  "makeqfb converts a single Targa image or a numbered sequence of animation frames, each with
optional mipmap levels, into one QFB file of 16-bit 1555, 4444 or 565 pixels for a game engine.
qfbinfo prints and checks a QFB file's header and levels and unpacks it back into Targa files.")
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
include(CPack)
