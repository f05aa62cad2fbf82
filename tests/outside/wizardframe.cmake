orv_add_test(test_wizardframe
  ${CMAKE_CURRENT_LIST_DIR}/WizardFrameTest.cpp
  LIBS velmora_wizardframe Qt6::Test)
