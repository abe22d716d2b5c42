# Tests of the operator interface's pure logic: natively under the sanitizers, and the same
# tests built by mingw and run under Wine; then the registry stores, clock and free space
# against the real system.
set(TALVIK_UI_PURE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/lang_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uRegistry_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainTimer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFormat_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/currentText_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/langLink_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/singleCommand_test.cpp
)
talvik_native_test(ui_pure_test SOURCES ${TALVIK_UI_PURE_TESTS} LIBS talvik_ui_pure)
talvik_win32_test(ui_pure_win32_test SOURCES ${TALVIK_UI_PURE_TESTS} LIBS talvik_ui_pure)
talvik_win32_test(ui_system_win32_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/uRegistry_win32_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry_win32_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainTimer_win32_test.cpp
  LIBS talvik_ui_system)
