# The window tests that count frames judge them with the shared checks of tests/sim/WireChecks.h.
include_directories(${CMAKE_SOURCE_DIR}/tests/sim)

# A windowed test against the serial rig: its program, a Wine prefix and rig folder of its own
# (KEY names both), the rig script that starts and stops the simulators, and the COM ports whose
# modem lines the shim serves. The test takes its turn on the shared display.
function(talvik_rig_window_test test key)
  cmake_parse_arguments(R "" "SOURCE;RIG;TIMEOUT" "PORTS" ${ARGN})
  add_executable(${test}_win32_test ${CMAKE_CURRENT_LIST_DIR}/${R_SOURCE})
  target_link_libraries(${test}_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix-${key})
  set(rig ${CMAKE_CURRENT_BINARY_DIR}/${key}-rig)
  foreach(step start stop)
    add_test(NAME ${test}_rig_${step} COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
             ${CMAKE_CURRENT_LIST_DIR}/${R_RIG} ${step} ${prefix} ${rig})
  endforeach()
  add_test(NAME ${test}_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${prefix} $<TARGET_FILE:${test}_win32_test>)
  set_tests_properties(${test}_rig_start PROPERTIES FIXTURES_SETUP ${key}_rig TIMEOUT 300)
  set_tests_properties(${test}_rig_stop PROPERTIES FIXTURES_CLEANUP ${key}_rig)
  list(TRANSFORM R_PORTS PREPEND ${rig}/)
  string(REPLACE ";" ":" ptys "${R_PORTS}")
  set_tests_properties(${test}_win32_test PROPERTIES FIXTURES_REQUIRED ${key}_rig LABELS gui RESOURCE_LOCK x-display
    TIMEOUT ${R_TIMEOUT}
    ENVIRONMENT "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${ptys};TALVIK_RIG_DIR=${rig}")
endfunction()

# The windows of the operator interface under Wine (need the X display).
talvik_win32_test(ui_windows_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/main_win_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/version_test.rc
  LIBS talvik_ui_windows
  LABELS gui)

# Not a test: shows the windows for screenshots under Xvfb.
if(TALVIK_WIN32)
  add_executable(talvik_screens ${CMAKE_CURRENT_LIST_DIR}/screens.cpp ${CMAKE_SOURCE_DIR}/resources/talvik.rc)
  target_link_libraries(talvik_screens PRIVATE talvik_ui_windows)
endif()

# The main window reading through the link and the real com port. The test has a Wine prefix of
# its own, so that its COM1 (the rig's regulator simulator) collides with no other test.
if(TALVIK_WIN32)
  set(TALVIK_NATIVE_BUILD ${CMAKE_SOURCE_DIR}/build/native CACHE PATH "Native tree with regsim and the shim")
  set(MAINLINK_ENV TALVIK_NATIVE_BUILD=${TALVIK_NATIVE_BUILD})
  # The report tests print from this test's prefix and rig.
  set(MAINLINK_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-mainlink)
  set(MAINLINK_RIG ${CMAKE_CURRENT_BINARY_DIR}/mainlink-rig)
  talvik_rig_window_test(ui_link mainlink SOURCE main_link_win_test.cpp RIG mainlink_rig.sh TIMEOUT 480 PORTS com1 com72 com70)

  # Writing to the regulator only what was read from it, from the windows, against a simulator in
  # site mode on the real com port (a Wine prefix and rig of its own).
  talvik_rig_window_test(ui_writesafe writesafe SOURCE writesafe_win_test.cpp RIG writesafe_rig.sh TIMEOUT 400 PORTS com2)
endif()

# A regulator lost while programming and found again, from the windows: the write-safety rig's
# regulator on COM2, whose simulator the test kills and starts again through rig_serve.sh.
if(TALVIK_WIN32)
  talvik_rig_window_test(ui_devicelost devicelost SOURCE devicelost_win_test.cpp RIG devicelost_rig.sh TIMEOUT 600 PORTS com2)
endif()

# One regulator per transfer, from the windows: the write-safety rig (two regulators, on COM2 and
# COM3) in a prefix and folder of this test's own.
if(TALVIK_WIN32)
  talvik_rig_window_test(ui_onetarget onetarget SOURCE onetarget_win_test.cpp RIG writesafe_rig.sh TIMEOUT 600 PORTS com2 com3)
endif()

# The main window's telephony road: the tests' provider beside the program (in a folder of its
# own, so no other test loads it), COM1 the direct regulator, COM81 the station a call reaches.
# The same program runs again with TAPI32 switched off in Wine.
if(TALVIK_WIN32)
  set(MAINTAPI_DIR ${CMAKE_CURRENT_BINARY_DIR}/tapi)
  add_executable(ui_tapi_win32_test ${CMAKE_CURRENT_LIST_DIR}/main_tapi_win_test.cpp)
  target_include_directories(ui_tapi_win32_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/serial)
  target_link_libraries(ui_tapi_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set_target_properties(ui_tapi_win32_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${MAINTAPI_DIR})
  add_dependencies(ui_tapi_win32_test faketapi32_full)
  add_custom_command(TARGET ui_tapi_win32_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:faketapi32_full> ${MAINTAPI_DIR}/tapi32.dll)
  set(MAINTAPI_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-maintapi)
  set(MAINTAPI_RIG ${CMAKE_CURRENT_BINARY_DIR}/maintapi-rig)
  add_test(NAME ui_tapi_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/maintapi_rig.sh start ${MAINTAPI_PREFIX} ${MAINTAPI_RIG})
  add_test(NAME ui_tapi_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/maintapi_rig.sh stop ${MAINTAPI_PREFIX} ${MAINTAPI_RIG})
  set_tests_properties(ui_tapi_rig_start PROPERTIES FIXTURES_SETUP maintapi_rig TIMEOUT 300)
  set_tests_properties(ui_tapi_rig_stop PROPERTIES FIXTURES_CLEANUP maintapi_rig)
  set(MAINTAPI_ENV "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${MAINTAPI_RIG}/com1:${MAINTAPI_RIG}/com81;TALVIK_RIG_DIR=${MAINTAPI_RIG}")
  foreach(run present absent)
    set(cases MainTapiPresent.*)
    if(run STREQUAL "absent")
      set(cases MainTapiMissing.*)
    endif()
    add_test(NAME ui_tapi_${run}_win32_test
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${MAINTAPI_PREFIX} $<TARGET_FILE:ui_tapi_win32_test>
                     --gtest_filter=${cases})
    set_tests_properties(ui_tapi_${run}_win32_test PROPERTIES FIXTURES_REQUIRED maintapi_rig LABELS gui TIMEOUT 300
      RESOURCE_LOCK "maintapi_rig;x-display")
  endforeach()
  set_tests_properties(ui_tapi_present_win32_test PROPERTIES
    ENVIRONMENT "${MAINTAPI_ENV};WINEDLLOVERRIDES=tapi32=n,b;TALVIK_EXPECT_TAPI=present")
  set_tests_properties(ui_tapi_absent_win32_test PROPERTIES
    ENVIRONMENT "${MAINTAPI_ENV};WINEDLLOVERRIDES=tapi32=;TALVIK_EXPECT_TAPI=missing")
endif()

# The single-command panel and the options window against regulator simulators on COM1 (single),
# COM2 (site 17), COM3 and COM4 (history pages), in a Wine prefix of their own. The history runs
# take minutes (every byte is read back, rewritten and read again at the link's pace): each runs
# as a test of its own beside the others.
if(TALVIK_WIN32)
  add_executable(ui_single_win32_test ${CMAKE_CURRENT_LIST_DIR}/single_win_test.cpp)
  target_link_libraries(ui_single_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(SINGLE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-single)
  set(SINGLE_RIG ${CMAKE_CURRENT_BINARY_DIR}/single-rig)
  add_test(NAME ui_single_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/single_rig.sh start ${SINGLE_PREFIX} ${SINGLE_RIG})
  add_test(NAME ui_single_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/single_rig.sh stop ${SINGLE_PREFIX} ${SINGLE_RIG})
  set_tests_properties(ui_single_rig_start PROPERTIES FIXTURES_SETUP single_rig TIMEOUT 300)
  set_tests_properties(ui_single_rig_stop PROPERTIES FIXTURES_CLEANUP single_rig)
  set(SINGLE_ENV "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${SINGLE_RIG}/com1:${SINGLE_RIG}/com2:${SINGLE_RIG}/com3:${SINGLE_RIG}/com4;TALVIK_RIG_DIR=${SINGLE_RIG}")
  add_test(NAME ui_single_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${SINGLE_PREFIX} $<TARGET_FILE:ui_single_win32_test>
                   --gtest_filter=-*History*)
  add_test(NAME ui_single_history_clear_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${SINGLE_PREFIX} $<TARGET_FILE:ui_single_win32_test>
                   --gtest_filter=*HistoryClear*)
  add_test(NAME ui_single_history_test_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${SINGLE_PREFIX} $<TARGET_FILE:ui_single_win32_test>
                   --gtest_filter=*HistoryTest*)
  # The history runs keep their window hidden (they send no keys and take no focus), so only
  # the first test takes its turn on the shared display.
  set_tests_properties(ui_single_win32_test PROPERTIES FIXTURES_REQUIRED single_rig LABELS gui RESOURCE_LOCK x-display TIMEOUT 900
    ENVIRONMENT "${SINGLE_ENV}")
  set_tests_properties(ui_single_history_clear_win32_test ui_single_history_test_win32_test PROPERTIES
    FIXTURES_REQUIRED single_rig LABELS gui TIMEOUT 900 ENVIRONMENT "${SINGLE_ENV}")
endif()

# Closing the program at the worst moment of a write, answered Yes, with the program's real
# message boxes: the write-safety rig (site 17 on COM2) in a prefix and folder of this test's own.
if(TALVIK_WIN32)
  talvik_rig_window_test(ui_closewrite closewrite SOURCE closewrite_win_test.cpp RIG writesafe_rig.sh TIMEOUT 600 PORTS com2)
endif()
