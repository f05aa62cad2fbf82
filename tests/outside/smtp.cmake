# A real SMTP server (aiosmtpd under /usr/bin/python3) for every test that sends mail.
add_library(velmora_smtptestsupport STATIC
  ${PROJECT_SOURCE_DIR}/tests/support/SmtpTestServer.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/SmtpTestServer.h)
target_include_directories(velmora_smtptestsupport PUBLIC ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(velmora_smtptestsupport PUBLIC velmora_testsupport Qt6::Core)

orv_add_test(test_smtp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpTransportTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpFaultTest.cpp
  LIBS velmora_smtp velmora_smtptestsupport
  TIMEOUT 240)
