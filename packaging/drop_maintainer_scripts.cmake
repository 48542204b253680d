# Run by CPack after it has built the packages: takes out of libqfb1 the postinst and postrm that
# CPack always writes for a shared library (they would call ldconfig themselves, or do nothing);
# the package's ldconfig trigger refreshes the linker cache instead, as Debian's packages do.
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  cmake_path(GET package FILENAME name)
  if(NOT name MATCHES "^libqfb1_")
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/libqfb1-repack)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group --build ${tree} ${package}
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
