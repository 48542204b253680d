# The Windows zip (cpack -G ZIP in the windows build): the three tools, libqfb.dll with its import
# library libqfb.dll.a, the static libqfb.a, <qfb/qfb.h>, the CMake package and qfb.pc, the
# licence and a short README for Windows users, in one folder named after the version.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt DESTINATION . RENAME README.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME makeqfb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME makeqfb-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
