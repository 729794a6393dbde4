# The localised texts and the record navigator.
target_sources(velmora_grid PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pk_intl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_nav_glyphs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_speed_button.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_db_navigator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_nav_register.cpp)

# The glyph descriptions are built into the library, so the program needs no file at run time.
set(pk_nav_glyphs_file ${PROJECT_SOURCE_DIR}/resources/navigator/glyphs.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pk_nav_glyphs_file})
file(READ ${pk_nav_glyphs_file} PK_NAV_GLYPHS_TEXT)
configure_file(${CMAKE_CURRENT_LIST_DIR}/pk_nav_glyphs_data.cpp.in
  ${CMAKE_CURRENT_BINARY_DIR}/pk_nav_glyphs_data.cpp @ONLY)
target_sources(velmora_grid PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/pk_nav_glyphs_data.cpp)
