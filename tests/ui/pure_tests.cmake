# Native tests of the operator interface's pure logic.
talvik_native_test(ui_pure_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/lang_test.cpp
  LIBS talvik_ui_pure)
