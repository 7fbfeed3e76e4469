add_executable(korvex_display_bench ${CMAKE_CURRENT_LIST_DIR}/FormatValueBench.cpp)
target_link_libraries(korvex_display_bench PRIVATE korvex_display benchmark::benchmark benchmark::benchmark_main)
