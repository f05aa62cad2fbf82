orv_add_area(velmora_grid
  ${CMAKE_CURRENT_LIST_DIR}/GridComponent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridColumn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridRow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridFindIndex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridSortOrder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridKeyCodes.cpp)
target_link_libraries(velmora_grid PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Sql)
