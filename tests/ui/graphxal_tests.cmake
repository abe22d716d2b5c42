# Tests of the history graph and accessory windows: their arithmetic natively and under Wine,
# the windows under Wine and Xvfb against the in-process regulator simulator.
set(TALVIK_GRAPHXAL_PURE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/DatadispCalc_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xalBlock_test.cpp
)
talvik_native_test(ui_graphxal_pure_test SOURCES ${TALVIK_GRAPHXAL_PURE_TESTS} LIBS talvik_ui_graphxal_pure)
talvik_win32_test(ui_graphxal_pure_win32_test SOURCES ${TALVIK_GRAPHXAL_PURE_TESTS} LIBS talvik_ui_graphxal_pure)

# The graph window against the simulated regulator, through the link's port double.
talvik_win32_test(ui_graph_win_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/graph_win_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/link/FakeComPort.cpp
  LIBS talvik_ui_graphxal regsim_core
  LABELS gui)
if(TALVIK_WIN32)
  target_include_directories(ui_graph_win_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/link)
endif()

# Not a test: shows the graph window filled from the simulator, for screenshots under Xvfb.
if(TALVIK_WIN32)
  add_executable(graphxal_screens ${CMAKE_CURRENT_LIST_DIR}/graphxal_screens.cpp ${CMAKE_SOURCE_DIR}/tests/link/FakeComPort.cpp)
  target_include_directories(graphxal_screens PRIVATE ${CMAKE_SOURCE_DIR}/tests/link)
  target_link_libraries(graphxal_screens PRIVATE talvik_ui_graphxal regsim_core)
endif()

# The accessory window against the simulated regulator.
talvik_win32_test(ui_xal_win_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/xal_win_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/link/FakeComPort.cpp
  LIBS talvik_ui_graphxal regsim_core
  LABELS gui)
if(TALVIK_WIN32)
  target_include_directories(ui_xal_win_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/link)
endif()
