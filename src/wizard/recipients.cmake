orv_add_area(velmora_recipients
  ${CMAKE_CURRENT_LIST_DIR}/CustomerRecordSet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecipientPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AttachmentPane.cpp)
target_link_libraries(velmora_recipients PUBLIC velmora_grid velmora_merge velmora_platform
  Qt6::Widgets Qt6::Sql)
