// Which address of X-Forwarded-For a trusted proxy vouches for.
#include <gtest/gtest.h>

#include "service/http/ForwardedFor.h"

namespace ostravel::service {
namespace {

TEST(ForwardedForTest, TheLastEntryIsTheClientAndOnlyAnAddressCounts) {
  const struct {
    const char* header;
    const char* client;
  } cases[] = {
      {"203.0.113.7", "203.0.113.7"},
      // What the client sent itself comes first; the proxy appends the address it saw.
      {"10.0.0.1, 203.0.113.7", "203.0.113.7"},
      {"1.2.3.4,203.0.113.7 ", "203.0.113.7"},
      {"2001:db8::1", "2001:db8::1"},
      {"203.0.113.7, unknown", ""},
      {"203.0.113.7, ", ""},
      {"", ""},
      {"203.0.113.7:5555", ""},
      {"203.0.113.7 evil\r\nlog line", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ForwardedClient(c.header), c.client) << c.header;
}

}  // namespace
}  // namespace ostravel::service
