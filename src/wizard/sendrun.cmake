# The send run's engine: it reaches the form only through SendRunView and
# SendRecipients, so it builds and is tested without the wizard's widgets.
orv_add_area(velmora_sendrun
  ${CMAKE_CURRENT_LIST_DIR}/SendRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SendCounter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CoalescingSendView.cpp)
target_link_libraries(velmora_sendrun PUBLIC velmora_smtp velmora_rtf velmora_merge velmora_platform Qt6::Core)
