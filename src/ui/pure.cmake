# Pure logic of the operator interface: no <windows.h>, built natively and by mingw.
add_library(talvik_ui_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/lang.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsTables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/currentText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/langLink.cpp
  ${CMAKE_CURRENT_LIST_DIR}/singleCommand.cpp
)
target_link_libraries(talvik_ui_pure PUBLIC talvik_link talvik_base)

# The machine's side of the logic above: registry stores, clock and free space (Win32 only;
# the windows link it).
if(TALVIK_WIN32)
  add_library(talvik_ui_system STATIC
    ${CMAKE_CURRENT_LIST_DIR}/uRegistry_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainTimer_win32.cpp)
  target_link_libraries(talvik_ui_system PUBLIC talvik_ui_pure advapi32)
endif()
