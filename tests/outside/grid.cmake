orv_add_test(test_grid ${CMAKE_CURRENT_LIST_DIR}/GridComponentTest.cpp
  LIBS velmora_grid Qt6::Test)
