orv_add_area(velmora_wizard
  ${CMAKE_CURRENT_LIST_DIR}/frmDialogMail.cpp)
target_link_libraries(velmora_wizard PUBLIC velmora_platform velmora_component Qt6::Widgets Qt6::Sql)
