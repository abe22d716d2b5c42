# Tests of the data windows: their pure logic natively and under Wine, the windows themselves
# under Wine and Xvfb, driven through the toolkit against the in-process regulator simulator.
set(TALVIK_FORMS_PURE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/SettingsEdit_test.cpp
)
talvik_native_test(ui_forms_pure_test SOURCES ${TALVIK_FORMS_PURE_TESTS} LIBS talvik_ui_forms_pure)
talvik_win32_test(ui_forms_pure_win32_test SOURCES ${TALVIK_FORMS_PURE_TESTS} LIBS talvik_ui_forms_pure)

# The windows against the simulated regulator, through the link's port double.
talvik_win32_test(ui_forms_win_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/forms_win_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/link/FakeComPort.cpp
  LIBS talvik_ui_forms regsim_core
  LABELS gui)

# Not a test: shows the two windows filled from the simulator, for screenshots under Xvfb.
if(TALVIK_WIN32)
  target_include_directories(ui_forms_win_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/link)
  add_executable(forms_screens ${CMAKE_CURRENT_LIST_DIR}/forms_screens.cpp ${CMAKE_SOURCE_DIR}/tests/link/FakeComPort.cpp)
  target_include_directories(forms_screens PRIVATE ${CMAKE_SOURCE_DIR}/tests/link)
  target_link_libraries(forms_screens PRIVATE talvik_ui_forms regsim_core)
endif()
