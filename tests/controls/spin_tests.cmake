# Tests of the spin edit and spin button: the pure models natively and under Wine, the
# controls themselves under Wine and Xvfb.
set(TALVIK_SPIN_PURE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinFormat_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinValue_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinButtonCore_test.cpp)
talvik_native_test(spin_pure_test SOURCES ${TALVIK_SPIN_PURE_TESTS} LIBS talvik_spin_pure)
talvik_win32_test(spin_pure_win32_test SOURCES ${TALVIK_SPIN_PURE_TESTS} LIBS talvik_spin_pure)
talvik_win32_test(spin_win_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/XcSpin_win_test.cpp LIBS talvik_spin LABELS gui)

# Not a test: shows spin edits of each kind, for screenshots under Xvfb.
if(TALVIK_WIN32)
  add_executable(spin_screens ${CMAKE_CURRENT_LIST_DIR}/spin_screens.cpp)
  target_link_libraries(spin_screens PRIVATE talvik_spin uxtheme)
endif()
