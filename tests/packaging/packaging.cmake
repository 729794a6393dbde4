# The installed tree and the Debian packages, used from outside the build as a user would.
find_program(VELMORA_CPACK cpack HINTS ${CMAKE_COMMAND}/..)
set(velmora_packaging_args ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR} ${CMAKE_COMMAND} ${CMAKE_GENERATOR}
    ${CMAKE_CXX_COMPILER} ${PROJECT_VERSION})
add_test(NAME install_tree COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${velmora_packaging_args})
set_tests_properties(install_tree PROPERTIES TIMEOUT 300)
# A sanitizer build's code names its sources (see consumer_check.sh).
set(velmora_packaging_env "VELMORA_SANITIZED=0")
if(VELMORA_SANITIZE)
  set(velmora_packaging_env "VELMORA_SANITIZED=1")
endif()
set_property(TEST install_tree APPEND PROPERTY ENVIRONMENT ${velmora_packaging_env})
find_program(VELMORA_DPKG_DEB dpkg-deb)
if(VELMORA_CPACK AND VELMORA_DPKG_DEB)
  add_test(NAME deb_package COMMAND ${CMAKE_CURRENT_LIST_DIR}/deb_test.sh ${velmora_packaging_args} ${VELMORA_CPACK})
  # cpack stages its own install inside the build folder.
  set_tests_properties(deb_package PROPERTIES TIMEOUT 600 RESOURCE_LOCK velmora_build_folder
    ENVIRONMENT ${velmora_packaging_env})
endif()

# ordane dump --format sql loaded into SQLite and PostgreSQL and read back; skipped (77) without a database.
find_program(VELMORA_SQLITE3 sqlite3)
file(GLOB velmora_pg_bins /usr/lib/postgresql/*/bin)
find_program(VELMORA_INITDB initdb HINTS ${velmora_pg_bins})
find_program(VELMORA_PSQL psql HINTS ${velmora_pg_bins})
set(velmora_sql_test ${VELMORA_ORACLE_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/sql_dump_test.py $<TARGET_FILE:ordane>
    ${VELMORA_FIXTURES_DIR})
if(VELMORA_SQLITE3)
  add_test(NAME sql_dump_sqlite COMMAND ${velmora_sql_test} sqlite ${VELMORA_SQLITE3})
  set_tests_properties(sql_dump_sqlite PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
if(VELMORA_INITDB AND VELMORA_PSQL)
  get_filename_component(velmora_pg_bin ${VELMORA_INITDB} DIRECTORY)
  add_test(NAME sql_dump_postgres COMMAND ${velmora_sql_test} postgres ${velmora_pg_bin} ${VELMORA_PSQL})
  set_tests_properties(sql_dump_postgres PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
else()
  add_test(NAME sql_dump_postgres COMMAND ${CMAKE_COMMAND} -E echo "SKIP: no PostgreSQL server programs found")
  set_tests_properties(sql_dump_postgres PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
endif()
