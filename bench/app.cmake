add_executable(korvex_app_bench ${CMAKE_CURRENT_LIST_DIR}/CalcExpressionBench.cpp)
target_link_libraries(korvex_app_bench PRIVATE korvex_app benchmark::benchmark)
