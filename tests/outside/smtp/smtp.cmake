orv_add_test(test_smtp_session
  ${CMAKE_CURRENT_LIST_DIR}/SmtpSessionFaultTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpTrustTest.cpp
  LIBS velmora_smtp velmora_smtptestsupport
  TIMEOUT 240)
