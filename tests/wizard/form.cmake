orv_add_test(test_wizard_form
  ${CMAKE_CURRENT_LIST_DIR}/FormTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustomerDatabase.cpp
  LIBS velmora_wizard velmora_component Qt6::Sql Qt6::Test
  TIMEOUT 300)
