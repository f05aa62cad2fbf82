# The merge knows no widgets: the send run and the benchmarks call it with any row source.
orv_add_area(velmora_merge
  ${CMAKE_CURRENT_LIST_DIR}/MergeField.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MergeText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MergeWorkingText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RtfEscape.cpp)
target_link_libraries(velmora_merge PUBLIC Qt6::Core)
