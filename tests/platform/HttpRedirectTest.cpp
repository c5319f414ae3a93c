#include <gtest/gtest.h>

#include "platform/HttpHeaders.h"
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

TEST(HttpRedirectTest, AnOriginIsTheSchemeHostAndPortWithTheDefaultPortFilledIn) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://a/m.php", "http://a:80"},
      {"HTTPS://Host.Example:443/x?y#z", "https://host.example:443"},
      {"https://host", "https://host:443"},
      {"http://user:pw@a:8080/m.php", "http://a:8080"},
      {"http://a:08080?q", "http://a:8080"},
      {"http://[::1]:81/", "http://[::1]:81"},
      {"http://[::1]/", "http://[::1]:80"},
      {"ftp://a/m.php", ""},
      {"member.php", ""},
      {"http:/a/m.php", ""},
      {"http://:80/", ""},
      {"http://a:8o/", ""},
  };
  for (const auto& [url, origin] : cases) EXPECT_EQ(UrlOrigin(url), origin) << url;
  EXPECT_TRUE(SameOrigin("http://127.0.0.1/a.php", "HTTP://127.0.0.1:80/b/c.php"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1:8080/", "http://127.0.0.1:8081/"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1/", "https://127.0.0.1/"));
  EXPECT_FALSE(SameOrigin("http://127.0.0.1/", "http://localhost/"));
  EXPECT_FALSE(SameOrigin("member.php", "member.php"));
}

TEST(HttpHeadersTest, FieldsAreReadLineByLineAndFoundInAnyLetterCase) {
  const auto fields = ParseHeaderBlock(
      "HTTP/1.1 403 Forbidden: go away\r\nX-Ostravel-Refused:  key \r\nX-Two: a: b\n"
      " folded: no\r\nBad Name: x\r\n: nameless\r\nx-two: second\r\n\r\n");
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(HeaderValue(fields, "x-ostravel-refused"), "key");
  EXPECT_EQ(HeaderValue(fields, "X-TWO"), "a: b");  // the first of two
  EXPECT_EQ(HeaderValue(fields, "Bad Name"), "");
  EXPECT_EQ(HeaderValue(fields, "missing"), "");
}

}  // namespace
}  // namespace ostravel::platform
