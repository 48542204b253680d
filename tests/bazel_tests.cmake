# The Bazel rule qfb_frame_set end to end (label bazel): registered only where bazel and nginx are
# installed (.ci/run installs them). Bazel builds its own makeqfb, so the sanitizer build would
# only run the same Bazel build again: the label runs in the release workflow alone.
find_program(BAZEL_EXECUTABLE bazel)
find_program(NGINX_EXECUTABLE nginx PATHS /usr/sbin /usr/local/sbin)
if(MAKEQFB_SANITIZE)
  return()
endif()
if(NOT BAZEL_EXECUTABLE OR NOT NGINX_EXECUTABLE)
  message(STATUS "bazel or nginx not found: the tests of the Bazel rule (label bazel) are skipped")
  return()
endif()
add_test(NAME bazel_qfb_frame_set
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/bazel/qfb_frame_set_test.sh
          $<TARGET_FILE:makeqfb> ${NGINX_EXECUTABLE} ${PROJECT_SOURCE_DIR})
# Two Bazel servers and a cold compilation of makeqfb: well under a minute on two cores.
set_tests_properties(bazel_qfb_frame_set PROPERTIES LABELS bazel TIMEOUT 900)
