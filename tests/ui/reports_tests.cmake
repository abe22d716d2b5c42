# Tests of the CSV writer, the settings file, the text report and the periodic log record:
# natively under the sanitizers and, on real files, under Wine.
set(TALVIK_UI_REPORTS_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/uCSV_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settingsFile_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_test.cpp
)
talvik_native_test(ui_reports_test SOURCES ${TALVIK_UI_REPORTS_TESTS} LIBS talvik_ui_reports)
talvik_win32_test(ui_reports_win32_test SOURCES ${TALVIK_UI_REPORTS_TESTS} LIBS talvik_ui_reports)

# The main window's settings-file panel and periodic log on real files (needs the X display).
talvik_win32_test(ui_reports_windows_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/reports_win_test.cpp ${CMAKE_CURRENT_LIST_DIR}/version_test.rc
  LIBS talvik_ui_windows
  LABELS gui)
