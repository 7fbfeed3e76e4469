add_executable(bench_appdata ${CMAKE_CURRENT_LIST_DIR}/AppDataBench.cpp)
target_link_libraries(bench_appdata PRIVATE korvex_history benchmark::benchmark)
target_include_directories(bench_appdata PRIVATE ${PROJECT_SOURCE_DIR}/tests/history)
