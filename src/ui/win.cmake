# The windows of the operator interface and talvik.exe (mingw only).
if(TALVIK_WIN32)
  add_library(talvik_ui_windows STATIC
    ${CMAKE_CURRENT_LIST_DIR}/main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainClose.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainLink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainTapi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainSingle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/talvikProgram.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainImages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Readfile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mainSave.cpp
    ${CMAKE_CURRENT_LIST_DIR}/saveDialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uDebug.cpp
    ${CMAKE_CURRENT_LIST_DIR}/helpwin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/uVersionInfo.cpp)
  target_link_libraries(talvik_ui_windows PUBLIC talvik_ui_graphxal talvik_ui_forms talvik_toolkit talvik_ui_system talvik_ui_reports_win32 talvik_ui_pure talvik_link_win32 talvik_serial talvik_spin talvik_controls version shell32 comctl32)

  add_executable(talvik WIN32 talvik.cpp ${CMAKE_SOURCE_DIR}/resources/talvik.rc)
  target_link_libraries(talvik PRIVATE talvik_ui_windows)
  # The program that users copy carries no debug information (the libraries and the test
  # programs keep theirs); the build prints its size.
  target_link_options(talvik PRIVATE -s)
  add_custom_command(TARGET talvik POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:talvik> -P ${CMAKE_SOURCE_DIR}/cmake/PrintSize.cmake)
  # The help files sit beside the program.
  foreach(h qvhlpeng qvhlpfre qvhlpchi qvhlpger)
    add_custom_command(TARGET talvik POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/${h}.rtf
              $<TARGET_FILE_DIR:talvik>/${h}.rtf)
  endforeach()
endif()
