orv_add_area(velmora_component
  ${CMAKE_CURRENT_LIST_DIR}/CMail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMailInternal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortText.cpp)
# The wizard and the component know each other (the wizard's Owner is the CMail);
# CMake resolves the cycle between the two static libraries.
target_link_libraries(velmora_component PUBLIC velmora_platform velmora_wizard Qt6::Sql)
