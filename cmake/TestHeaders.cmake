# GoogleTest's and GoogleMock's headers take most of a test file's compile time; each test
# program parses them once, as a precompiled header, instead of once per file.
function(ostravel_test_headers target)
  target_precompile_headers(${target} PRIVATE
    <gmock/gmock.h> <gtest/gtest.h>
    <chrono> <functional> <map> <memory> <optional> <string> <string_view> <thread> <vector>)
endfunction()
