# The message editor control: title strip, toolbar commands, tool state,
# document and colour commands around the rich-text box.
orv_add_area(velmora_editor
  ${CMAKE_CURRENT_LIST_DIR}/PropertyBag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GradientPainter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TitleStrip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommonDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DocumentCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FontSizeText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolDispatcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolStateSync.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OrvRtfCtl32.cpp)
target_link_libraries(velmora_editor PUBLIC velmora_toolbar velmora_richtext velmora_platform Qt6::Widgets)
