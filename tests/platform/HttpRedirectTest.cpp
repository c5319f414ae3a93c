#include <gtest/gtest.h>

#include "platform/HttpRedirect.h"

namespace ostravel::platform {
namespace {

using Kind = RedirectStep::Kind;

TEST(HttpRedirectTest, DecidesEachAnswer) {
  struct Case {
    long status;
    const char* from;
    const char* to;
    int followed;
    Kind kind;
    bool keep_method;
    const char* error;
  };
  const Case cases[] = {
      {200, "http://a/m.php", "", 0, Kind::kFinal, false, ""},
      {304, "http://a/m.php", "http://a/n.php", 0, Kind::kFinal, false, ""},
      {500, "http://a/m.php", "", 0, Kind::kFinal, false, ""},
      {301, "http://a/m.php", "", 0, Kind::kFinal, false, ""},  // no Location
      {302, "http://a/m.php", "http://a/n.php", 4, Kind::kFollow, false, ""},
      {307, "http://a/m.php", "https://b/m.php", 0, Kind::kFollow, true, ""},
      {308, "https://a/m.php", "HTTPS://b/m.php", 0, Kind::kFollow, true, ""},
      {301, "https://a/m.php", "http://a/m.php", 0, Kind::kRefuse, false,
       "redirect from https to http refused"},
      {307, "HTTPS://a/m.php", "Http://a/m.php", 0, Kind::kRefuse, false,
       "redirect from https to http refused"},
      {302, "http://a/m.php", "file:///etc/passwd", 0, Kind::kRefuse, false,
       "redirect to a scheme other than http or https refused"},
      {302, "http://a/m.php", "http://a/n.php", 5, Kind::kRefuse, false, "too many redirects"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.status) + " " + c.from + " -> " + c.to);
    const RedirectStep step = NextRedirect(c.status, c.from, c.to, c.followed, 5);
    EXPECT_EQ(step.kind, c.kind);
    EXPECT_EQ(step.keep_method, c.keep_method);
    EXPECT_EQ(step.error, c.error);
  }
}

}  // namespace
}  // namespace ostravel::platform
