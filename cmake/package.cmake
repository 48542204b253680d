# The CMake package that consumers find with find_package(makeqfb CONFIG): the exported programs,
# the frame-set function, the format library's targets where its development files are installed
# (component qfb), and a version file that accepts any 1.x when 1.0 is asked for. In this
# build tree the same function works on the makeqfb target through the alias makeqfb::makeqfb.
include(CMakePackageConfigHelpers)
include(GNUInstallDirs)

# lib/cmake, not the multiarch library folder: find_package looks there even from projects that
# enable no language, and so know no architecture.
set(MAKEQFB_CMAKE_INSTALL_DIR lib/cmake/makeqfb)

add_executable(makeqfb::makeqfb ALIAS makeqfb)
if(MAKEQFB_PICTURES)
  add_executable(makeqfb::qfbinfo ALIAS qfbinfo)
  add_executable(makeqfb::qfbprep ALIAS qfbprep)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/makeqfbFrameSet.cmake)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/makeqfbConfig.cmake.in
  ${PROJECT_BINARY_DIR}/cmake/makeqfbConfig.cmake
  INSTALL_DESTINATION ${MAKEQFB_CMAKE_INSTALL_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/makeqfbConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)

install(EXPORT makeqfbTargets NAMESPACE makeqfb:: DESTINATION ${MAKEQFB_CMAKE_INSTALL_DIR})
# The library's targets in a file of their own, installed with the library's development files.
install(EXPORT qfbTargets NAMESPACE makeqfb:: DESTINATION ${MAKEQFB_CMAKE_INSTALL_DIR} COMPONENT development)
install(FILES
  ${PROJECT_BINARY_DIR}/cmake/makeqfbConfig.cmake
  ${PROJECT_BINARY_DIR}/cmake/makeqfbConfigVersion.cmake
  ${CMAKE_CURRENT_LIST_DIR}/makeqfbFrameSet.cmake
  DESTINATION ${MAKEQFB_CMAKE_INSTALL_DIR})
