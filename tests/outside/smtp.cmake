# A real SMTP server (aiosmtpd under /usr/bin/python3) for every test that sends mail.
add_library(velmora_smtptestsupport STATIC
  ${PROJECT_SOURCE_DIR}/tests/support/SmtpTestServer.cpp)
target_include_directories(velmora_smtptestsupport PUBLIC ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(velmora_smtptestsupport PUBLIC velmora_testsupport Qt6::Core)
