orv_add_area(velmora_platform
  ${CMAKE_CURRENT_LIST_DIR}/PlatformServices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtPlatformServices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WaitPointer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFileStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ColorScheme.cpp
  ${PROJECT_SOURCE_DIR}/include/OrvVelmora/ColorScheme.h)
target_link_libraries(velmora_platform PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets)
