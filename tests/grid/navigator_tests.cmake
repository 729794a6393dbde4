# Localised texts and record navigator.
add_executable(navigator_test ${CMAKE_CURRENT_LIST_DIR}/navigator_main.cpp ${CMAKE_CURRENT_LIST_DIR}/navigator_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_intl_test.cpp)
target_include_directories(navigator_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/window ${PROJECT_SOURCE_DIR}/tests/cursor)
target_link_libraries(navigator_test PRIVATE velmora_grid velmora_window_testing velmora_dataset
  velmora_data_set_test_support GTest::gtest)
gtest_discover_tests(navigator_test DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan_qt.supp")
