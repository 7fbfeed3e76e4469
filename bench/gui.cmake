# The window: from a keystroke to the preview on display, and what a keystroke
# costs the UI thread. Start-up time is measured by startup.sh on the real program.
if(KORVEX_BUILD_GUI AND TARGET korvex_window)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(korvex_gui_bench ${CMAKE_CURRENT_LIST_DIR}/GuiBench.cpp)
  target_link_libraries(korvex_gui_bench PRIVATE korvex_window Qt6::Test benchmark::benchmark)
endif()
