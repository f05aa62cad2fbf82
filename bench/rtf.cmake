add_executable(bench_rtf ${CMAKE_CURRENT_LIST_DIR}/RtfBench.cpp)
target_link_libraries(bench_rtf PRIVATE velmora_rtf)
target_compile_definitions(bench_rtf PRIVATE ORV_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/../shared/fixtures")
