orv_add_test(toolbar_test ${CMAKE_CURRENT_LIST_DIR}/ToolBarControlTest.cpp LIBS velmora_toolbar)
