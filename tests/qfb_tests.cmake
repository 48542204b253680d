# Format library tests: its API in process, the shared library's exports, the C example built
# against an installed copy through pkg-config and through find_package and run on the example
# set, and a replay of the library's fuzz corpus and of the hostile QFB files through it.
qfb_add_test(qfb_test unit/qfb_test.cpp LIBS qfb_static qfb_output LABELS unit)

add_test(NAME qfb_exports COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install/qfb_consumer.sh exports $<TARGET_FILE:qfb>)
set_tests_properties(qfb_exports PROPERTIES LABELS unit)

# An installed library built with the sanitizers needs their runtimes in every consumer: the
# consumer builds run in the plain builds only.
if(NOT MAKEQFB_SANITIZE)
  foreach(way pkg-config find_package)
    add_test(NAME qfb_consumer.${way}
             COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install/qfb_consumer.sh ${way} ${PROJECT_BINARY_DIR}
                     ${PROJECT_SOURCE_DIR} $<TARGET_FILE:makeqfb> ${CMAKE_COMMAND} ${CMAKE_C_COMPILER})
    set_tests_properties(qfb_consumer.${way} PROPERTIES LABELS install)
  endforeach()
endif()

add_executable(qfb_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/fuzz_qfb.cpp ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
target_link_libraries(qfb_fuzz_replay PRIVATE qfb_static)
add_test(NAME qfb_fuzz_replay
         COMMAND qfb_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus/qfb ${CMAKE_CURRENT_SOURCE_DIR}/data/crashers/qfbinfo)
set_tests_properties(qfb_fuzz_replay PROPERTIES LABELS unit)
