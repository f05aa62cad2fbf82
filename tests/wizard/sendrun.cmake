orv_add_test(test_sendrun
  ${CMAKE_CURRENT_LIST_DIR}/SendRunTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivedMail.cpp
  LIBS velmora_sendrun velmora_smtptestsupport Qt6::Gui
  TIMEOUT 300)

orv_add_test(test_sendrun_wizard
  ${CMAKE_CURRENT_LIST_DIR}/SendRunWizardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivedMail.cpp
  LIBS velmora_wizard velmora_component velmora_smtptestsupport Qt6::Sql Qt6::Test
  TIMEOUT 300)
