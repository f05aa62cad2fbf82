add_executable(bench_recipients ${CMAKE_CURRENT_LIST_DIR}/RecipientsBench.cpp)
target_link_libraries(bench_recipients PRIVATE velmora_recipients)

add_executable(bench_merge ${CMAKE_CURRENT_LIST_DIR}/MergeTextBench.cpp)
target_link_libraries(bench_merge PRIVATE velmora_merge velmora_grid)
