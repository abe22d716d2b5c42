# Native tests of the operator interface's pure logic.
talvik_native_test(ui_pure_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/lang_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uRegistry_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainTimer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry_test.cpp
  LIBS talvik_ui_pure)
talvik_win32_test(ui_registry_win32_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/uRegistry_win32_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry_win32_test.cpp
  LIBS talvik_ui_registry)
