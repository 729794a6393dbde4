# Grid cell editing over read-write tables, in an offscreen window; the command-line tool reads the files back.
add_executable(grid_edit_test grid_edit_test.cpp ${PROJECT_SOURCE_DIR}/tests/window/window_main.cpp)
target_link_libraries(grid_edit_test PRIVATE velmora_grid velmora_window_testing velmora_data_set_test_support
  GTest::gtest)
target_compile_definitions(grid_edit_test PRIVATE ORDANE_PATH="$<TARGET_FILE:ordane>"
  DOCS_DIR="${PROJECT_SOURCE_DIR}/docs")
add_dependencies(grid_edit_test ordane)
gtest_discover_tests(grid_edit_test DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan_qt.supp")
