# Tests of the spin edit and spin button: the pure models natively and under Wine, the
# controls themselves under Wine and Xvfb.
set(TALVIK_SPIN_PURE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinFormat_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinValue_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinButtonCore_test.cpp)
talvik_native_test(spin_pure_test SOURCES ${TALVIK_SPIN_PURE_TESTS} LIBS talvik_spin_pure)
talvik_win32_test(spin_pure_win32_test SOURCES ${TALVIK_SPIN_PURE_TESTS} LIBS talvik_spin_pure)
