orv_add_test(test_sendrun
  ${CMAKE_CURRENT_LIST_DIR}/SendRunTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CoalescingSendViewTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReceivedMail.cpp
  LIBS velmora_sendrun velmora_smtptestsupport Qt6::Gui
  TIMEOUT 300)
