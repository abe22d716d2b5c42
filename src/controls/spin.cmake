# The spin edit and spin button: their pure value and button models (built in both trees)
# and, in the Windows tree, the controls themselves.
add_library(talvik_spin_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinValue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcSpinButtonCore.cpp)
target_link_libraries(talvik_spin_pure PUBLIC talvik_base talvik_controls_core)
if(TALVIK_WIN32)
  add_library(talvik_spin STATIC
    ${CMAKE_CURRENT_LIST_DIR}/XcSpinFaces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XcSpin.cpp)
  target_link_libraries(talvik_spin PUBLIC talvik_spin_pure talvik_controls msimg32 gdi32 comctl32)
endif()
