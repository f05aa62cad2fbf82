orv_add_test(test_merge ${CMAKE_CURRENT_LIST_DIR}/MergeTextTest.cpp LIBS velmora_merge)
