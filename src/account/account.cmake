# The account dialog and its test mail. It reaches the sender settings through
# the CMail it is given, and sends through our SMTP transport.
orv_add_area(velmora_account
  ${CMAKE_CURRENT_LIST_DIR}/frmEMailSetup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestMail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortConversion.cpp)
target_link_libraries(velmora_account PUBLIC velmora_wizardframe velmora_smtp velmora_component velmora_platform
  Qt6::Widgets)
