# Robustness tests: hostile Targa files and output faults run through the real binary, the
# replay of the whole-run fuzz corpus and its saved crashers, and the memory check.
qfb_add_test(hostile_e2e e2e/hostile_e2e.cpp LABELS e2e)
qfb_add_test(output_faults_e2e e2e/output_faults_e2e.cpp LIBS qfb_output LABELS e2e)
add_dependencies(hostile_e2e makeqfb)
add_dependencies(output_faults_e2e makeqfb)

# The whole-run fuzz target without libFuzzer: its corpus and the inputs that once failed it
# run under any compiler. The corpus generator's seeds must all be in the corpus, unchanged.
add_executable(makeqfb_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/fuzz_makeqfb.cpp ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
target_link_libraries(makeqfb_fuzz_replay PRIVATE qfb_driver)
add_test(NAME makeqfb_fuzz_replay
         COMMAND makeqfb_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/makeqfb ${CMAKE_CURRENT_SOURCE_DIR}/data/crashers/makeqfb)
add_executable(make_makeqfb_corpus ${PROJECT_SOURCE_DIR}/fuzz/make_makeqfb_corpus.cpp ${CMAKE_CURRENT_SOURCE_DIR}/support/rle_encode.cpp)
target_include_directories(make_makeqfb_corpus PRIVATE ${PROJECT_SOURCE_DIR})
add_test(NAME makeqfb_corpus_seeds COMMAND make_makeqfb_corpus --check ${PROJECT_SOURCE_DIR}/fuzz/corpus/makeqfb)
set_tests_properties(makeqfb_fuzz_replay makeqfb_corpus_seeds PROPERTIES LABELS unit)

# The memory check: every end-to-end suite of makeqfb again, each run of the binary under
# valgrind (which cannot watch a sanitizer build). A memory error or leak exits with 99, a
# status no run of the tool gives, so a run expected to fail cannot hide one.
find_program(VALGRIND valgrind)
if(VALGRIND AND NOT MAKEQFB_SANITIZE)
  foreach(suite command_line_e2e conversion_e2e hostile_e2e output_faults_e2e)
    add_test(NAME memcheck.${suite} COMMAND ${suite})
    set_tests_properties(memcheck.${suite} PROPERTIES LABELS memcheck
      ENVIRONMENT "MAKEQFB_WRAPPER=${VALGRIND} -q --error-exitcode=99 --leak-check=full --vgdb=no")
  endforeach()
endif()
