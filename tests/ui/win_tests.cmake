# The window tests that count frames judge them with the shared checks of tests/sim/WireChecks.h.
include_directories(${CMAKE_SOURCE_DIR}/tests/sim)

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
  add_executable(ui_link_win32_test ${CMAKE_CURRENT_LIST_DIR}/main_link_win_test.cpp)
  target_link_libraries(ui_link_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(TALVIK_NATIVE_BUILD ${CMAKE_SOURCE_DIR}/build/native CACHE PATH "Native tree with regsim and the shim")
  set(MAINLINK_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-mainlink)
  set(MAINLINK_RIG ${CMAKE_CURRENT_BINARY_DIR}/mainlink-rig)
  set(MAINLINK_ENV TALVIK_NATIVE_BUILD=${TALVIK_NATIVE_BUILD})
  add_test(NAME ui_link_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/mainlink_rig.sh start ${MAINLINK_PREFIX} ${MAINLINK_RIG})
  add_test(NAME ui_link_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/mainlink_rig.sh stop ${MAINLINK_PREFIX} ${MAINLINK_RIG})
  add_test(NAME ui_link_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${MAINLINK_PREFIX} $<TARGET_FILE:ui_link_win32_test>)
  set_tests_properties(ui_link_rig_start PROPERTIES FIXTURES_SETUP mainlink_rig TIMEOUT 300)
  set_tests_properties(ui_link_rig_stop PROPERTIES FIXTURES_CLEANUP mainlink_rig)
  set_tests_properties(ui_link_win32_test PROPERTIES FIXTURES_REQUIRED mainlink_rig LABELS gui RESOURCE_LOCK x-display TIMEOUT 480
    ENVIRONMENT "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${MAINLINK_RIG}/com1:${MAINLINK_RIG}/com72:${MAINLINK_RIG}/com70;TALVIK_RIG_DIR=${MAINLINK_RIG}")

  # Writing to the regulator only what was read from it, from the windows, against a simulator in
  # site mode on the real com port (a Wine prefix and rig of its own).
  add_executable(ui_writesafe_win32_test ${CMAKE_CURRENT_LIST_DIR}/writesafe_win_test.cpp)
  target_link_libraries(ui_writesafe_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(WRITESAFE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-writesafe)
  set(WRITESAFE_RIG ${CMAKE_CURRENT_BINARY_DIR}/writesafe-rig)
  add_test(NAME ui_writesafe_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/writesafe_rig.sh start ${WRITESAFE_PREFIX} ${WRITESAFE_RIG})
  add_test(NAME ui_writesafe_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/writesafe_rig.sh stop ${WRITESAFE_PREFIX} ${WRITESAFE_RIG})
  add_test(NAME ui_writesafe_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${WRITESAFE_PREFIX} $<TARGET_FILE:ui_writesafe_win32_test>)
  set_tests_properties(ui_writesafe_rig_start PROPERTIES FIXTURES_SETUP writesafe_rig TIMEOUT 300)
  set_tests_properties(ui_writesafe_rig_stop PROPERTIES FIXTURES_CLEANUP writesafe_rig)
  set_tests_properties(ui_writesafe_win32_test PROPERTIES FIXTURES_REQUIRED writesafe_rig LABELS gui RESOURCE_LOCK x-display TIMEOUT 400
    ENVIRONMENT "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${WRITESAFE_RIG}/com2;TALVIK_RIG_DIR=${WRITESAFE_RIG}")
endif()

# A regulator lost while programming and found again, from the windows: the write-safety rig's
# regulator on COM2, whose simulator the test kills and starts again through rig_serve.sh.
if(TALVIK_WIN32)
  add_executable(ui_devicelost_win32_test ${CMAKE_CURRENT_LIST_DIR}/devicelost_win_test.cpp)
  target_link_libraries(ui_devicelost_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(DEVICELOST_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-devicelost)
  set(DEVICELOST_RIG ${CMAKE_CURRENT_BINARY_DIR}/devicelost-rig)
  add_test(NAME ui_devicelost_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/devicelost_rig.sh start ${DEVICELOST_PREFIX} ${DEVICELOST_RIG})
  add_test(NAME ui_devicelost_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/devicelost_rig.sh stop ${DEVICELOST_PREFIX} ${DEVICELOST_RIG})
  add_test(NAME ui_devicelost_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${DEVICELOST_PREFIX} $<TARGET_FILE:ui_devicelost_win32_test>)
  set_tests_properties(ui_devicelost_rig_start PROPERTIES FIXTURES_SETUP devicelost_rig TIMEOUT 300)
  set_tests_properties(ui_devicelost_rig_stop PROPERTIES FIXTURES_CLEANUP devicelost_rig)
  set_tests_properties(ui_devicelost_win32_test PROPERTIES FIXTURES_REQUIRED devicelost_rig LABELS gui RESOURCE_LOCK x-display TIMEOUT 600
    ENVIRONMENT "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${DEVICELOST_RIG}/com2;TALVIK_RIG_DIR=${DEVICELOST_RIG}")
endif()

# One regulator per transfer, from the windows: the write-safety rig (two regulators, on COM2 and
# COM3) in a prefix and folder of this test's own.
if(TALVIK_WIN32)
  add_executable(ui_onetarget_win32_test ${CMAKE_CURRENT_LIST_DIR}/onetarget_win_test.cpp)
  target_link_libraries(ui_onetarget_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(ONETARGET_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-onetarget)
  set(ONETARGET_RIG ${CMAKE_CURRENT_BINARY_DIR}/onetarget-rig)
  add_test(NAME ui_onetarget_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/writesafe_rig.sh start ${ONETARGET_PREFIX} ${ONETARGET_RIG})
  add_test(NAME ui_onetarget_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/writesafe_rig.sh stop ${ONETARGET_PREFIX} ${ONETARGET_RIG})
  add_test(NAME ui_onetarget_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${ONETARGET_PREFIX} $<TARGET_FILE:ui_onetarget_win32_test>)
  set_tests_properties(ui_onetarget_rig_start PROPERTIES FIXTURES_SETUP onetarget_rig TIMEOUT 300)
  set_tests_properties(ui_onetarget_rig_stop PROPERTIES FIXTURES_CLEANUP onetarget_rig)
  set_tests_properties(ui_onetarget_win32_test PROPERTIES FIXTURES_REQUIRED onetarget_rig LABELS gui RESOURCE_LOCK x-display TIMEOUT 600
    ENVIRONMENT "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${ONETARGET_RIG}/com2:${ONETARGET_RIG}/com3;TALVIK_RIG_DIR=${ONETARGET_RIG}")
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
    add_test(NAME ui_tapi_${run}_win32_test
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${MAINTAPI_PREFIX} $<TARGET_FILE:ui_tapi_win32_test>)
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
  add_executable(ui_closewrite_win32_test ${CMAKE_CURRENT_LIST_DIR}/closewrite_win_test.cpp)
  target_link_libraries(ui_closewrite_win32_test PRIVATE talvik_ui_windows GTest::gtest_main)
  set(CLOSEWRITE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-closewrite)
  set(CLOSEWRITE_RIG ${CMAKE_CURRENT_BINARY_DIR}/closewrite-rig)
  add_test(NAME ui_closewrite_rig_start COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/writesafe_rig.sh start ${CLOSEWRITE_PREFIX} ${CLOSEWRITE_RIG})
  add_test(NAME ui_closewrite_rig_stop COMMAND ${CMAKE_COMMAND} -E env ${MAINLINK_ENV}
           ${CMAKE_CURRENT_LIST_DIR}/writesafe_rig.sh stop ${CLOSEWRITE_PREFIX} ${CLOSEWRITE_RIG})
  add_test(NAME ui_closewrite_win32_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${CLOSEWRITE_PREFIX} $<TARGET_FILE:ui_closewrite_win32_test>)
  set_tests_properties(ui_closewrite_rig_start PROPERTIES FIXTURES_SETUP closewrite_rig TIMEOUT 300)
  set_tests_properties(ui_closewrite_rig_stop PROPERTIES FIXTURES_CLEANUP closewrite_rig)
  set_tests_properties(ui_closewrite_win32_test PROPERTIES FIXTURES_REQUIRED closewrite_rig LABELS gui RESOURCE_LOCK x-display TIMEOUT 600
    ENVIRONMENT "LD_PRELOAD=${TALVIK_NATIVE_BUILD}/tests/fakes/modemline/$LIB/libmodemline.so;TALVIK_MODEMLINE_PTYS=${CLOSEWRITE_RIG}/com2;TALVIK_RIG_DIR=${CLOSEWRITE_RIG}")
endif()
