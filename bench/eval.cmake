add_executable(korvex_eval_bench ${CMAKE_CURRENT_LIST_DIR}/EvaluateTextBench.cpp)
target_link_libraries(korvex_eval_bench PRIVATE korvex_eval benchmark::benchmark benchmark::benchmark_main)
