# Pure logic of the operator interface: no <windows.h>, built natively and by mingw.
add_library(talvik_ui_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/lang.cpp
)
target_link_libraries(talvik_ui_pure PUBLIC talvik_base)
