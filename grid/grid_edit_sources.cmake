# The data grid's cell editing and cell controls, and the data-aware controls and memo dialog it uses.
target_sources(velmora_grid PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_cells.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_grid_edit_register.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_inplace_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_db_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pk_memo_dialog.cpp)
