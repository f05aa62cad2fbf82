# Our wizard frame and the small controls the forms are built from.
orv_add_area(velmora_wizardframe
  ${CMAKE_CURRENT_LIST_DIR}/WizardFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardPane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ButtonColors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LabelledField.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TabStrip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Panel.cpp)
target_link_libraries(velmora_wizardframe PUBLIC Qt6::Widgets)
