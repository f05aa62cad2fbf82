orv_add_test(test_recipients
  ${CMAKE_CURRENT_LIST_DIR}/RecipientPaneTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AttachmentPaneTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustomerDatabase.cpp
  LIBS velmora_recipients Qt6::Sql Qt6::Test
  TIMEOUT 600)
