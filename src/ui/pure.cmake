# Pure logic of the operator interface: no <windows.h>, built natively and by mingw.
add_library(talvik_ui_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/lang.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsTables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFormat.cpp
)
target_link_libraries(talvik_ui_pure PUBLIC talvik_link talvik_base)

# The registry store under the settings above (Win32 only; the windows link it).
if(TALVIK_WIN32)
  add_library(talvik_ui_registry STATIC ${CMAKE_CURRENT_LIST_DIR}/uRegistry_win32.cpp
              ${CMAKE_CURRENT_LIST_DIR}/uOptionsRegistry_win32.cpp)
  target_link_libraries(talvik_ui_registry PUBLIC talvik_ui_pure advapi32)
endif()
