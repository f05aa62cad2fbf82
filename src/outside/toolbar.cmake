# Our toolbar component and the editor's toolbar as designed.
orv_add_area(velmora_toolbar
  ${CMAKE_CURRENT_LIST_DIR}/ColorValue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolIcons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolBarControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditorToolBarDefinition.cpp)
target_link_libraries(velmora_toolbar PUBLIC velmora_platform Qt6::Widgets)
