# qfbprep tests: its pixel work and its running of pieces across threads in process, the real
# binary end to end (each job on fixtures made in code, packed by the real makeqfb), and a replay
# of its fuzz corpus through the fuzz target.
qfb_add_test(qfbprep_pixels_test unit/qfbprep_pixels_test.cpp LIBS qfb_prep LABELS unit)
qfb_add_test(qfbprep_parallel_test unit/qfbprep_parallel_test.cpp LIBS qfb_prep LABELS unit)

qfb_add_test(qfbprep_e2e e2e/qfbprep_e2e.cpp LIBS qfb_static PkgConfig::SPNG LABELS e2e)
add_dependencies(qfbprep_e2e makeqfb qfbprep)
target_compile_definitions(qfbprep_e2e PRIVATE QFBPREP_BINARY="$<TARGET_FILE:qfbprep>")

add_executable(qfbprep_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/fuzz_qfbprep.cpp ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
target_link_libraries(qfbprep_fuzz_replay PRIVATE qfb_prep)
add_test(NAME qfbprep_fuzz_replay COMMAND qfbprep_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/qfbprep
                                           ${CMAKE_CURRENT_SOURCE_DIR}/data/crashers/qfbprep)
set_tests_properties(qfbprep_fuzz_replay PROPERTIES LABELS unit)
