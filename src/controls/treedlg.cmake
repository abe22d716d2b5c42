# The tree view and the message dialog. Their pure rules (dialog texts and layout, tree state
# bits, menu captions, the selection list) build natively and by mingw; the windows are mingw only.
add_library(talvik_controls_treedlg_pure STATIC
  ${CMAKE_CURRENT_LIST_DIR}/XcDSADialogsText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcDSADialogsLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcComCtrlsModel.cpp
)
target_link_libraries(talvik_controls_treedlg_pure PUBLIC talvik_base)

if(TALVIK_WIN32)
  # The tree view (XcComCtrls) and the message dialog (XcDSADialogs) are units of the library.
  target_sources(talvik_controls PRIVATE ${CMAKE_CURRENT_LIST_DIR}/XcComCtrls.cpp ${CMAKE_CURRENT_LIST_DIR}/XcDSADialogs.cpp)
  target_link_libraries(talvik_controls PUBLIC talvik_controls_treedlg_pure comctl32)
endif()
