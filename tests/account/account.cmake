orv_add_test(test_account
  ${CMAKE_CURRENT_LIST_DIR}/AccountDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestMailTest.cpp
  LIBS velmora_account velmora_smtptestsupport Qt6::Test
  TIMEOUT 300)
