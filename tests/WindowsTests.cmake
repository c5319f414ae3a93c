# The tests that the Windows platform parts must pass as the Linux ones do, and those of the
# Windows parts alone (FooWinTest.cpp), built with mingw-w64 and run under wine
# (CMAKE_CROSSCOMPILING_EMULATOR).
set(WINDOWS_TEST_SOURCES
  irc/IRCFormattingTest.cpp
  irc/IRCParserTest.cpp
  irc/IRCRateLimitTest.cpp
  irc/IRCSendQueueTest.cpp
  irc/IRCServerChannelsTest.cpp
  irc/IRCServerCtcpTest.cpp
  irc/IRCServerNicksTest.cpp
  irc/IRCServerTest.cpp
  irc/TabIRCTest.cpp
  platform/ClipboardWinTest.cpp
  platform/CodePageTest.cpp
  platform/DateTimeTest.cpp
  platform/EventLoopTest.cpp
  platform/HttpClientTest.cpp
  platform/HttpRedirectTest.cpp
  platform/ModuleFolderTest.cpp
  platform/TcpSocketTest.cpp
  platform/TextEncodingTest.cpp
  support/AsioHttpServer.cpp
  support/FakeTcpSocket.cpp
  support/PluginHarness.cpp
  support/ScriptedIrcServer.cpp
  support/TestEnvironment.cpp
  web/SettingsFileTest.cpp
  web/SettingsKeyTest.cpp
  web/WebRequestTest.cpp
  wire/AnswerRecordTest.cpp
  wire/FormBodyTest.cpp
  wire/FormDecoderTest.cpp)
add_executable(ostravel_win_tests ${WINDOWS_TEST_SOURCES})
target_include_directories(ostravel_win_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ostravel_win_tests PRIVATE ostravel_plugin ostravel_sim pugixml::pugixml GTest::gtest
  GTest::gmock GTest::gtest_main)
ostravel_warnings(ostravel_win_tests)
ostravel_test_headers(ostravel_win_tests)
# Listing the tests runs the program, so under wine it waits for the test run itself.
gtest_discover_tests(ostravel_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  TEST_FILTER "-TcpSocketTlsTest.*")

# The TLS cases talk to a real ngircd with TLS on the Linux side, which wine cannot start: a
# script starts it before them and stops it after, and tells them its ports and fingerprint.
set(TLS_NGIRCD_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/support/tls-ngircd.sh)
set(TLS_NGIRCD_INFO ${CMAKE_CURRENT_BINARY_DIR}/tls-ngircd.info)
add_test(NAME tls_ngircd_start COMMAND bash ${TLS_NGIRCD_SCRIPT} start ${TLS_NGIRCD_INFO})
add_test(NAME tls_ngircd_stop COMMAND bash ${TLS_NGIRCD_SCRIPT} stop ${TLS_NGIRCD_INFO})
set_tests_properties(tls_ngircd_start PROPERTIES FIXTURES_SETUP tls_ngircd)
set_tests_properties(tls_ngircd_stop PROPERTIES FIXTURES_CLEANUP tls_ngircd)
gtest_discover_tests(ostravel_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  TEST_FILTER "TcpSocketTlsTest.*"
  PROPERTIES FIXTURES_REQUIRED tls_ngircd ENVIRONMENT "OSTRAVEL_TLS_NGIRCD=${TLS_NGIRCD_INFO}")

# The COM boundary's tests bring their own targets.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/com/CMakeLists.txt)
  add_subdirectory(com)
endif()
