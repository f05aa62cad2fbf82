# The wizard form. It and the component know each other (the form's Owner is
# the CMail, the CMail makes the form); CMake resolves that cycle between the
# two static libraries.
orv_add_area(velmora_wizard
  ${CMAKE_CURRENT_LIST_DIR}/frmDialogMail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardInitialisation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MessagePane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SendStatusPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormSendRunView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResultGridRecipients.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GermanQtTexts.cpp)
target_link_libraries(velmora_wizard PUBLIC velmora_platform velmora_component velmora_wizardframe
  velmora_recipients velmora_grid velmora_editor velmora_smtp velmora_account velmora_sendrun
  Qt6::Widgets Qt6::Sql)
