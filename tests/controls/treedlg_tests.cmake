# The tree view's and the message dialog's pure rules: natively under the sanitizers and the
# same tests built by mingw under Wine.
set(TALVIK_TREEDLG_PURE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/XcDSADialogsText_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XcComCtrlsModel_test.cpp
)
talvik_native_test(controls_treedlg_pure_test SOURCES ${TALVIK_TREEDLG_PURE_TESTS} LIBS talvik_controls_treedlg_pure)
talvik_win32_test(controls_treedlg_pure_win32_test SOURCES ${TALVIK_TREEDLG_PURE_TESTS} LIBS talvik_controls_treedlg_pure)

# The tree view under Wine and Xvfb.
talvik_win32_test(controls_tree_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/XcComCtrls_test.cpp
  LIBS talvik_controls LABELS gui)

# The message dialog under Wine and Xvfb.
talvik_win32_test(controls_dialog_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/XcDSADialogs_test.cpp
  LIBS talvik_controls LABELS gui)

# Not a test: shows the tree view and the message dialogs for screenshots under Xvfb.
if(TALVIK_WIN32)
  add_executable(treedlg_screens ${CMAKE_CURRENT_LIST_DIR}/treedlg_screens.cpp)
  target_link_libraries(treedlg_screens PRIVATE talvik_controls)
endif()
