# The data windows: current data, settings and calibration. The editor's pure logic (commit and
# write preparation) builds in both trees; the windows are mingw only. The current-data texts
# are part of talvik_ui_pure.
add_library(talvik_ui_forms_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SettingsEdit.cpp
)
target_link_libraries(talvik_ui_forms_pure PUBLIC talvik_ui_pure talvik_link talvik_base)

if(TALVIK_WIN32)
  add_library(talvik_ui_forms STATIC
    ${CMAKE_CURRENT_LIST_DIR}/dataGrid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/current.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/formsLink.cpp
  )
  target_link_libraries(talvik_ui_forms PUBLIC talvik_ui_forms_pure talvik_toolkit talvik_link)
endif()
