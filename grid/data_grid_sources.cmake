# The data grid: column list and layout store, display and data link, painting.
target_sources(velmora_grid PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/grid_tokens.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_hints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_drag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_register.cpp)
