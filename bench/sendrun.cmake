add_executable(bench_sendrun ${CMAKE_CURRENT_LIST_DIR}/SendRunBench.cpp)
target_link_libraries(bench_sendrun PRIVATE velmora_sendrun Qt6::Widgets)
