# The CMake package and the Debian package: a consumer project built with Ninja against this build
# installed into a temporary prefix (label package), and lintian on the Debian package (label
# install). Sanitizer builds add nothing here, so only the other builds run them.
if(MAKEQFB_SANITIZE)
  return()
endif()

find_program(NINJA_PROGRAM ninja)
if(NINJA_PROGRAM)
  add_test(NAME package.frame_set_builds
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package/frame_set_build_test.sh
                   ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(package.frame_set_builds PROPERTIES LABELS package TIMEOUT 300)
endif()

find_program(LINTIAN_PROGRAM lintian)
if(LINTIAN_PROGRAM)
  add_test(NAME install.lintian
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package/lintian_test.sh
                   ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${LINTIAN_PROGRAM})
  set_tests_properties(install.lintian PROPERTIES LABELS install TIMEOUT 300)
endif()
