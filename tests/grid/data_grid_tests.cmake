# Data grid: over real tables through the data set, in an offscreen window.
add_executable(data_grid_test data_grid_test.cpp ${PROJECT_SOURCE_DIR}/tests/window/window_main.cpp)
target_link_libraries(data_grid_test PRIVATE velmora_grid velmora_window_testing velmora_data_set_test_support
  GTest::gtest)
gtest_discover_tests(data_grid_test DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan_qt.supp")
