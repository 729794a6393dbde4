# What `cmake --install` puts under the prefix:
#
#   bin/ordane                         the tool
#   bin/velmora                        a link to the program in its own folder
#   lib/velmora/                       the program with what it needs beside it: the demo screensavers (one
#                                      program, linked under each name the sample table uses) and the sample table
#   include/velmora/...                the public headers of the engine and the data-access layer, by their paths
#                                      in the tree ("engine/storage/dbf_table.h")
#   <libdir>/libvelmora_*.a            the engine and data-access libraries
#   <libdir>/cmake/Velmora/            the package: find_package(Velmora CONFIG) gives Velmora::engine (storage,
#                                      expressions, indexes, handler) and Velmora::dataset (the data-access layer
#                                      and the data-set adaptor); neither needs Qt
#   share/applications, share/icons, share/man/man1    the desktop entry, the launcher's icon, ordane(1)
#
# The libraries are static: the C++ interface is young and changes between releases, so a shared library would
# promise an ABI we do not keep; a static one binds a consumer to the headers it was built with and needs nothing
# at run time. They are position-independent so that a consumer may link them into a shared library of its own.
#
# Components: "runtime" (program, tool, desktop files, man page) and "devel" (headers, libraries, package).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELMORA_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/velmora)
set(VELMORA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velmora)
set(VELMORA_INSTALL_PROGRAMDIR lib/velmora)

# The package's targets, by the names a consumer writes after "Velmora::".
set(velmora_package_libraries
  velmora_framework_base framework_base
  velmora_storage storage
  velmora_expr expr
  velmora_index index
  velmora_handler handler
  velmora_framework framework
  velmora_dataset dataset)
set(velmora_package_targets "")
while(velmora_package_libraries)
  list(POP_FRONT velmora_package_libraries target name)
  list(APPEND velmora_package_targets ${target})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name} POSITION_INDEPENDENT_CODE ON)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${VELMORA_INSTALL_INCLUDEDIR}>)
  # The real headers go to the paths the folder of links shows them under.
  get_target_property(headers ${target} VELMORA_EXPORTED_HEADERS)
  foreach(header ${headers})
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${VELMORA_INSTALL_INCLUDEDIR}/${folder}
            COMPONENT devel)
  endforeach()
endwhile()

# The engine as one name: everything beneath the data-access layer.
add_library(velmora_engine INTERFACE)
target_link_libraries(velmora_engine INTERFACE velmora_handler velmora_index velmora_expr velmora_storage
                      velmora_framework_base)
set_target_properties(velmora_engine PROPERTIES EXPORT_NAME engine)
add_library(Velmora::engine ALIAS velmora_engine)
add_library(Velmora::dataset ALIAS velmora_dataset)

install(TARGETS ${velmora_package_targets} velmora_engine EXPORT VelmoraTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel)
# Stripping (cmake --install --strip, and the packages) takes the debug information out of the archives too, and
# with it the build machine's paths.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB archives \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/libvelmora_*.a\")
    foreach(archive \${archives})
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \${archive} COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()" COMPONENT devel)
install(EXPORT VelmoraTargets NAMESPACE Velmora:: DESTINATION ${VELMORA_INSTALL_CMAKEDIR} COMPONENT devel)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmoraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/VelmoraConfig.cmake INSTALL_DESTINATION ${VELMORA_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/VelmoraConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/VelmoraConfig.cmake ${PROJECT_BINARY_DIR}/package/VelmoraConfigVersion.cmake
        DESTINATION ${VELMORA_INSTALL_CMAKEDIR} COMPONENT devel)

# The tool, and the program in the folder it looks in for its sample table and its screensavers.
install(TARGETS ordane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS velmora velmora_demo_saver RUNTIME DESTINATION ${VELMORA_INSTALL_PROGRAMDIR} COMPONENT runtime)
get_directory_property(velmora_sample_files DIRECTORY ${PROJECT_SOURCE_DIR}/app DEFINITION SAMPLE_FILES)
get_directory_property(velmora_demo_savers DIRECTORY ${PROJECT_SOURCE_DIR}/app DEFINITION DEMO_SAVERS)
install(FILES ${velmora_sample_files}
        DESTINATION ${VELMORA_INSTALL_PROGRAMDIR} COMPONENT runtime)
# Relative links, made here and installed as links: the program finds its folder through the link, and one
# screensaver program serves every name.
set(velmora_links ${PROJECT_BINARY_DIR}/package/links)
file(MAKE_DIRECTORY ${velmora_links}/bin ${velmora_links}/program)
file(RELATIVE_PATH velmora_program_from_bin /${CMAKE_INSTALL_BINDIR} /${VELMORA_INSTALL_PROGRAMDIR}/velmora)
file(CREATE_LINK ${velmora_program_from_bin} ${velmora_links}/bin/velmora SYMBOLIC)
install(FILES ${velmora_links}/bin/velmora DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
set(velmora_saver_links "")
foreach(saver ${velmora_demo_savers})
  file(CREATE_LINK velmora_demo_saver ${velmora_links}/program/${saver}.SCR SYMBOLIC)
  list(APPEND velmora_saver_links ${velmora_links}/program/${saver}.SCR)
endforeach()
install(FILES ${velmora_saver_links} DESTINATION ${VELMORA_INSTALL_PROGRAMDIR} COMPONENT runtime)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/ordane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)

# Libraries of a sanitizer build need the sanitizer runtime in whatever links them.
if(VELMORA_SANITIZE)
  target_link_options(velmora_framework_base INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
endif()
