# NTX index tests: tags and builds over the test table, the real files of another system, damaged files, the
# independent Perl reader as an oracle, and processes sharing one table through the handler.
add_library(velmora_ntx_test_support STATIC index/ntx_verify.cpp)
target_link_libraries(velmora_ntx_test_support PUBLIC velmora_index_test_support)
foreach(name ntx_tag_test ntx_build_test ntx_fixtures_test ntx_robustness_test)
  velmora_test(${name} index/${name}.cpp)
  target_link_libraries(${name} PRIVATE velmora_ntx_test_support)
endforeach()

# Through the table handler, with the independent Perl reader of the Debian package libdbd-xbase-perl as oracle.
find_program(VELMORA_ORACLE_PERL NAMES perl PATHS /usr/bin NO_DEFAULT_PATH)
velmora_test(ntx_handler_test index/ntx_handler_test.cpp)
target_link_libraries(ntx_handler_test PRIVATE velmora_ntx_test_support velmora_cursor_test_support)
target_compile_definitions(ntx_handler_test PRIVATE VELMORA_ORACLE_PERL="${VELMORA_ORACLE_PERL}")
velmora_test(ntx_dataset_test index/ntx_dataset_test.cpp)
target_link_libraries(ntx_dataset_test PRIVATE velmora_ntx_test_support velmora_data_set_test_support)
