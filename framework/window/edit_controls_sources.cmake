# Text controls and the input picture checker used by data-aware editing.
target_sources(velmora_window PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/picture_validator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/std_ctrls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rich_edit.cpp)
