# Tests of the CSV writer, the settings file (with the editor's edits), the text report and the
# periodic log record: natively under the sanitizers and, on real files, under Wine.
set(TALVIK_UI_REPORTS_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/uCSV_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settingsFile_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settingsFileEdits_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reportFile_test.cpp
)
talvik_native_test(ui_reports_test SOURCES ${TALVIK_UI_REPORTS_TESTS} LIBS talvik_ui_reports talvik_ui_forms_pure)
talvik_win32_test(ui_reports_win32_test SOURCES ${TALVIK_UI_REPORTS_TESTS} LIBS talvik_ui_reports talvik_ui_forms_pure)

# The simulator's demo regulator (what "scripts/run --sim" gives it): the settings-file tests load
# a file saved from it. Under Wine the file is reached through drive Z:.
set(TALVIK_DEMO_IMAGE ${CMAKE_CURRENT_BINARY_DIR}/demo_image.bin)
add_custom_command(OUTPUT ${TALVIK_DEMO_IMAGE}
                   COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/sim/demo_image.py ${TALVIK_DEMO_IMAGE}
                   DEPENDS ${CMAKE_SOURCE_DIR}/tests/sim/demo_image.py)
add_custom_target(ui_demo_image DEPENDS ${TALVIK_DEMO_IMAGE})
function(talvik_uses_demo_image target)
  if(TARGET ${target})
    add_dependencies(${target} ui_demo_image)
    if(TALVIK_WIN32)
      target_compile_definitions(${target} PRIVATE TALVIK_DEMO_IMAGE="Z:${TALVIK_DEMO_IMAGE}")
    else()
      target_compile_definitions(${target} PRIVATE TALVIK_DEMO_IMAGE="${TALVIK_DEMO_IMAGE}")
    endif()
  endif()
endfunction()
talvik_uses_demo_image(ui_reports_test)
talvik_uses_demo_image(ui_reports_win32_test)

if(TALVIK_WIN32)
  # A printer that Wine sees and that prints to files: a private CUPS scheduler for the tests
  # that print (printer_rig.sh); they run through "printer_rig.sh run", which names its socket.
  set(PRINT_RIG ${CMAKE_CURRENT_BINARY_DIR}/printrig)
  set(PRINT_RUN ${CMAKE_CURRENT_LIST_DIR}/printer_rig.sh run ${PRINT_RIG})
  add_test(NAME ui_print_rig_start COMMAND ${CMAKE_CURRENT_LIST_DIR}/printer_rig.sh start ${PRINT_RIG})
  add_test(NAME ui_print_rig_stop COMMAND ${CMAKE_CURRENT_LIST_DIR}/printer_rig.sh stop ${PRINT_RIG})
  set_tests_properties(ui_print_rig_start PROPERTIES FIXTURES_SETUP print_rig TIMEOUT 60)
  set_tests_properties(ui_print_rig_stop PROPERTIES FIXTURES_CLEANUP print_rig)
  set(TALVIK_PRINT_ENV "TALVIK_PRINT_OUT=${PRINT_RIG}/out")

  # The save, print and settings-file panels, the viewer and the log on real files and the test
  # printer (windowed tests take turns, and so on the printer); what they wrote is then read
  # with standard tools. A Wine prefix of its own: every Wine process brings the prefix's
  # printer list in line with the printing system it sees, and the other tests see none.
  add_executable(ui_reports_windows_test ${CMAKE_CURRENT_LIST_DIR}/reports_win_test.cpp
                                         ${CMAKE_CURRENT_LIST_DIR}/version_test.rc)
  target_link_libraries(ui_reports_windows_test PRIVATE talvik_ui_windows GTest::gtest_main)
  talvik_uses_demo_image(ui_reports_windows_test)
  add_test(NAME ui_reports_windows_test
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/report_text_check.sh ${CMAKE_CURRENT_BINARY_DIR}/reports-check
                   ${PRINT_RUN} ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${CMAKE_BINARY_DIR}/wineprefix-print
                   $<TARGET_FILE:ui_reports_windows_test>)
  set_tests_properties(ui_reports_windows_test PROPERTIES FIXTURES_REQUIRED print_rig RESOURCE_LOCK x-display
    LABELS gui TIMEOUT 300 ENVIRONMENT "${TALVIK_PRINT_ENV}")
endif()

# Reports of data read from the regulator simulator through the real com port: the main link
# test's rig and Wine prefix (the windowed tests take turns, so on its COM1 too), and the test
# printer.
if(TALVIK_WIN32)
  add_executable(ui_report_link_test ${CMAKE_CURRENT_LIST_DIR}/report_link_win_test.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/version_test.rc)
  target_link_libraries(ui_report_link_test PRIVATE talvik_ui_windows GTest::gtest_main)
  add_test(NAME ui_report_link_test
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/report_text_check.sh ${CMAKE_CURRENT_BINARY_DIR}/report-link-check
                   ${PRINT_RUN} ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${MAINLINK_PREFIX} $<TARGET_FILE:ui_report_link_test>)
  set_tests_properties(ui_report_link_test PROPERTIES FIXTURES_REQUIRED "mainlink_rig;print_rig"
    RESOURCE_LOCK x-display LABELS gui TIMEOUT 300
    ENVIRONMENT "${TALVIK_PRINT_ENV};LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${MAINLINK_RIG}/com1:${MAINLINK_RIG}/com72;TALVIK_RIG_DIR=${MAINLINK_RIG}")
endif()
