# The tests that the Windows platform parts must pass as the Linux ones do, and those of the
# Windows parts alone (FooWinTest.cpp), built with mingw-w64 and run under wine
# (CMAKE_CROSSCOMPILING_EMULATOR).
set(WINDOWS_TEST_SOURCES
  platform/ClipboardWinTest.cpp
  platform/CodePageTest.cpp
  platform/DateTimeTest.cpp
  platform/EventLoopWinTest.cpp
  platform/HttpClientWinTest.cpp
  platform/HttpRedirectTest.cpp
  platform/ModuleFolderTest.cpp
  platform/TcpSocketTest.cpp
  platform/TcpSocketWinTest.cpp
  platform/TextEncodingTest.cpp
  support/AsioHttpServer.cpp
  support/TestEnvironment.cpp
  web/SettingsFileTest.cpp)
add_executable(ostravel_win_tests ${WINDOWS_TEST_SOURCES})
target_include_directories(ostravel_win_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ostravel_win_tests PRIVATE ostravel_plugin pugixml::pugixml GTest::gtest
  GTest::gmock GTest::gtest_main)
ostravel_warnings(ostravel_win_tests)
# Listing the tests runs the program, so under wine it waits for the test run itself.
gtest_discover_tests(ostravel_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)

# The COM boundary's tests bring their own targets.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/com/CMakeLists.txt)
  add_subdirectory(com)
endif()
