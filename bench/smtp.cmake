add_executable(bench_smtp ${CMAKE_CURRENT_LIST_DIR}/SmtpBench.cpp)
target_link_libraries(bench_smtp PRIVATE velmora_smtp)
