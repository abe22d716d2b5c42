# The windows of the operator interface under Wine (need the X display).
talvik_win32_test(ui_windows_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/main_win_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/version_test.rc
  LIBS talvik_ui_windows
  LABELS gui)

# Not a test: shows the windows for screenshots under Xvfb.
if(TALVIK_WIN32)
  add_executable(talvik_screens ${CMAKE_CURRENT_LIST_DIR}/screens.cpp ${CMAKE_SOURCE_DIR}/resources/talvik.rc)
  target_link_libraries(talvik_screens PRIVATE talvik_ui_windows)
endif()
