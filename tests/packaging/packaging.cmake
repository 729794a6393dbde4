# The installed tree and the Debian packages, used from outside the build as a user would.
find_program(VELMORA_CPACK cpack HINTS ${CMAKE_COMMAND}/..)
set(velmora_packaging_args ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR} ${CMAKE_COMMAND} ${CMAKE_GENERATOR}
    ${CMAKE_CXX_COMPILER} ${PROJECT_VERSION})
add_test(NAME install_tree COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${velmora_packaging_args})
set_tests_properties(install_tree PROPERTIES TIMEOUT 300)
find_program(VELMORA_DPKG_DEB dpkg-deb)
if(VELMORA_CPACK AND VELMORA_DPKG_DEB)
  add_test(NAME deb_package COMMAND ${CMAKE_CURRENT_LIST_DIR}/deb_test.sh ${velmora_packaging_args} ${VELMORA_CPACK})
  # cpack stages its own install inside the build folder.
  set_tests_properties(deb_package PROPERTIES TIMEOUT 600 RESOURCE_LOCK velmora_build_folder)
endif()
