# Targa reader tests: the header probe, the loader, the mapping loader, conformance with real
# files, refused files, and a replay of the fuzz corpus through the fuzz target (so it runs
# under any compiler).
qfb_add_test(targa_header_test unit/targa_header_test.cpp LIBS qfb_targa LABELS unit)
qfb_add_test(targa_loader_test unit/targa_loader_test.cpp LIBS qfb_targa LABELS unit)
qfb_add_test(targa_conformance_test unit/targa_conformance_test.cpp LIBS qfb_targa LABELS unit)
qfb_add_test(targa_mapping_test unit/targa_mapping_test.cpp LIBS qfb_targa qfb_output LABELS unit)

add_executable(targa_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/fuzz_read_targa.cpp ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
target_link_libraries(targa_fuzz_replay PRIVATE qfb_targa)
add_test(NAME targa_fuzz_replay
         COMMAND targa_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/read_targa ${CMAKE_CURRENT_SOURCE_DIR}/data/crashers/targa)
set_tests_properties(targa_fuzz_replay PROPERTIES LABELS unit)
