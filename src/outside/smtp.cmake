# The SMTP transport: the only target that links libcurl, GMime and libzip.
orv_add_area(velmora_smtp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpTransport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpAddress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpAttachmentList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpMessageBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SmtpSession.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZipPacker.cpp)
target_link_libraries(velmora_smtp
  PUBLIC velmora_platform Qt6::Core
  PRIVATE PkgConfig::CURL PkgConfig::GMIME PkgConfig::LIBZIP)
