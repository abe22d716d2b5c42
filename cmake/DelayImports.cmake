# Libraries whose system DLL is loaded at the first call into it instead of when the program
# starts: the common dialogs, the shell, COM's allocator, the multimedia timer and the
# transparent blit are used only on the user's request or as fallbacks, and under Wine each DLL
# loaded at start (with the ones it pulls in) makes the program slower to come up.
# Each lib<name>_delay.a is made from cmake/delayimports/<name>.def (the functions this program
# calls) and stands in for -l<name>; target delay_<name> links it with the delay-load helper.
find_program(TALVIK_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
set(delay_dir ${CMAKE_BINARY_DIR}/delayimports)
file(MAKE_DIRECTORY ${delay_dir})
foreach(name comdlg32 shell32 ole32 winmm msimg32)
  set(def ${CMAKE_SOURCE_DIR}/cmake/delayimports/${name}.def)
  set(lib ${delay_dir}/lib${name}_delay.a)
  execute_process(COMMAND ${TALVIK_DLLTOOL} --kill-at --input-def ${def} --dllname ${name}.dll
                          --output-delaylib ${lib}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool could not make ${lib}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(delay_${name} PROPERTIES IMPORTED_LOCATION ${lib} INTERFACE_LINK_LIBRARIES delayimp)
endforeach()
