# The settings dialog and the version window: Qt Widgets on top of the calculator.
add_library(korvex_dialogs STATIC
  ${PROJECT_SOURCE_DIR}/src/history/SettingDlg.cpp
  ${PROJECT_SOURCE_DIR}/src/app/AboutWin.cpp
  ${PROJECT_SOURCE_DIR}/src/app/SettingCommand.cpp
)
target_include_directories(korvex_dialogs PUBLIC ${PROJECT_SOURCE_DIR}/src/history ${PROJECT_SOURCE_DIR}/src/app)
target_link_libraries(korvex_dialogs PUBLIC korvex_app Qt6::Widgets)
# the version window shows major.minor of the project
target_compile_definitions(korvex_dialogs
  PRIVATE KORVEX_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
# the program's icon, for a build that was never installed
qt_add_resources(korvex_dialogs korvex_icon PREFIX /korvex BASE ${PROJECT_SOURCE_DIR}/packaging
                 FILES ${PROJECT_SOURCE_DIR}/packaging/example.halvoren.Korvex.svg)
