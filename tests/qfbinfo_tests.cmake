# qfbinfo tests: its pieces in process, the real binary end to end (report, hostile files,
# extraction, round trips through makeqfb), the install layout and the man pages, and a replay
# of the qfbinfo fuzz corpus and saved crashers through the fuzz target.
qfb_add_test(qfbinfo_unit_test unit/qfbinfo_unit_test.cpp LIBS qfb_info LABELS unit)
qfb_add_test(qfbinfo_targa_writer_test unit/qfbinfo_targa_writer_test.cpp LIBS qfb_targa LABELS unit)

foreach(name qfbinfo_e2e qfbinfo_roundtrip_e2e)
  qfb_add_test(${name} e2e/${name}.cpp LABELS e2e)
  add_dependencies(${name} makeqfb qfbinfo)
endforeach()

# The install layout (cmake --install of this very build) and the man pages.
qfb_add_test(qfbinfo_install_e2e e2e/qfbinfo_install_e2e.cpp LABELS install)
add_dependencies(qfbinfo_install_e2e makeqfb qfbinfo man_pages)
target_compile_definitions(qfbinfo_install_e2e PRIVATE
  QFB_CMAKE_COMMAND="${CMAKE_COMMAND}" QFB_BUILD_DIR="${PROJECT_BINARY_DIR}" QFB_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# The qfbinfo fuzz corpus and the saved hostile files, replayed through the fuzz target.
add_executable(qfbinfo_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/fuzz_qfbinfo.cpp ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
target_link_libraries(qfbinfo_fuzz_replay PRIVATE qfb_info)
add_test(NAME qfbinfo_fuzz_replay
         COMMAND qfbinfo_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/qfbinfo ${CMAKE_CURRENT_SOURCE_DIR}/data/crashers/qfbinfo)
set_tests_properties(qfbinfo_fuzz_replay PROPERTIES LABELS unit)

# The pictures (--sheet, --animation), decoded with libspng and libwebp's demuxer, and the
# committed sheet of the example set.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WEBPDEMUX REQUIRED IMPORTED_TARGET libwebpdemux)
qfb_add_test(qfbinfo_pictures_e2e e2e/qfbinfo_pictures_e2e.cpp LIBS qfb_preview PkgConfig::SPNG PkgConfig::WEBPDEMUX LABELS e2e)
add_dependencies(qfbinfo_pictures_e2e makeqfb qfbinfo)
target_compile_definitions(qfbinfo_pictures_e2e PRIVATE QFB_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
