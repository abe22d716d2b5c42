# Tests of the CSV writer, the settings file, the text report and the periodic log record:
# natively under the sanitizers and, on real files, under Wine.
set(TALVIK_UI_REPORTS_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/uCSV_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settingsFile_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reportFile_test.cpp
)
talvik_native_test(ui_reports_test SOURCES ${TALVIK_UI_REPORTS_TESTS} LIBS talvik_ui_reports)
talvik_win32_test(ui_reports_win32_test SOURCES ${TALVIK_UI_REPORTS_TESTS} LIBS talvik_ui_reports)

if(TALVIK_WIN32)
  # A printer that Wine sees and that prints to files: a private CUPS scheduler for the tests
  # that print (printer_rig.sh). They take turns on it.
  set(PRINT_RIG ${CMAKE_CURRENT_BINARY_DIR}/printrig)
  add_test(NAME ui_print_rig_start COMMAND ${CMAKE_CURRENT_LIST_DIR}/printer_rig.sh start ${PRINT_RIG})
  add_test(NAME ui_print_rig_stop COMMAND ${CMAKE_CURRENT_LIST_DIR}/printer_rig.sh stop ${PRINT_RIG})
  set_tests_properties(ui_print_rig_start PROPERTIES FIXTURES_SETUP print_rig TIMEOUT 60)
  set_tests_properties(ui_print_rig_stop PROPERTIES FIXTURES_CLEANUP print_rig)
  set(TALVIK_PRINT_ENV "CUPS_SERVER=${PRINT_RIG}/cups.sock;TALVIK_PRINT_OUT=${PRINT_RIG}/out")

  # The save, print and settings-file panels, the viewer and the log on real files and the test
  # printer (needs the X display); what they wrote is then read with standard tools.
  add_executable(ui_reports_windows_test ${CMAKE_CURRENT_LIST_DIR}/reports_win_test.cpp
                                         ${CMAKE_CURRENT_LIST_DIR}/version_test.rc)
  target_link_libraries(ui_reports_windows_test PRIVATE talvik_ui_windows GTest::gtest_main)
  add_test(NAME ui_reports_windows_test
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/report_text_check.sh ${CMAKE_CURRENT_BINARY_DIR}/reports-check
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:ui_reports_windows_test>)
  set_tests_properties(ui_reports_windows_test PROPERTIES FIXTURES_REQUIRED print_rig RESOURCE_LOCK test_printer
    LABELS gui TIMEOUT 300 ENVIRONMENT "${TALVIK_PRINT_ENV}")
endif()
