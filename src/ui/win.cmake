# talvik.exe and the windows (mingw only).
if(TALVIK_WIN32)
  add_executable(talvik WIN32 talvik.cpp ${CMAKE_SOURCE_DIR}/resources/talvik.rc)
  target_link_libraries(talvik PRIVATE talvik_base)
endif()
