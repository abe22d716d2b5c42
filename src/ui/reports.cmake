# Reports and files of the operator interface: the CSV writer, the settings file, the text
# report and the periodic log record (pure logic, built natively and by mingw).
add_library(talvik_ui_reports STATIC
  ${CMAKE_CURRENT_LIST_DIR}/fileUtil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uCSV.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settingsFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reportFile.cpp
)
target_link_libraries(talvik_ui_reports PUBLIC talvik_ui_pure talvik_link talvik_base)

# The main window's side: its rich-text editor as the report's page, and the log write.
if(TALVIK_WIN32)
  add_library(talvik_ui_reports_win32 STATIC ${CMAKE_CURRENT_LIST_DIR}/reportsWin.cpp)
  target_link_libraries(talvik_ui_reports_win32 PUBLIC talvik_ui_reports talvik_toolkit)
endif()
