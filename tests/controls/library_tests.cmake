# The library's start-up and the toolkit pieces it added, under Wine; and a form of every kind
# for screenshots.
talvik_win32_test(controls_lib_win_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/XcLibrary_win_test.cpp
  LIBS talvik_controls LABELS gui)
if(TALVIK_WIN32)
  # The base family and engine tests move the real mouse and press real keys: no other window
  # may come in between, so they run alone (set once every test of the folder is defined).
  cmake_language(DEFER CALL set_tests_properties controls_win_test controls_lib_win_test
                 PROPERTIES RUN_SERIAL TRUE)
  # Not a test.
  add_executable(controls_screens ${CMAKE_CURRENT_LIST_DIR}/controls_screens.cpp)
  target_link_libraries(controls_screens PRIVATE talvik_controls)
endif()
