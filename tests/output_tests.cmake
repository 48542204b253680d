# Output tests: pixel converters, the QFB container and its save.
qfb_add_test(pixel_convert_test unit/pixel_convert_test.cpp LIBS qfb_output LABELS unit)
qfb_add_test(output_format_test unit/output_format_test.cpp LIBS qfb_output LABELS unit)
qfb_add_test(output_save_test unit/output_save_test.cpp LIBS qfb_output LABELS unit)

# The converter tests again, on the converters built for the baseline processor only: the
# library picks its AVX2 loops on a machine that has AVX2, so this is where the baseline loops
# are checked there.
add_executable(pixel_convert_baseline_test unit/pixel_convert_test.cpp
  ${PROJECT_SOURCE_DIR}/output/pixel_convert.cpp)
target_compile_definitions(pixel_convert_baseline_test PRIVATE MAKEQFB_NO_TARGET_CLONES)
target_link_libraries(pixel_convert_baseline_test PRIVATE qfb_test_support GTest::gtest_main)
gtest_discover_tests(pixel_convert_baseline_test TEST_PREFIX "baseline." DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS unit)
