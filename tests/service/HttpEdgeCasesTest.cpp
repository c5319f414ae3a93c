// Requests a hostile or broken client sends, against the program itself: each gets one
// definite answer at once, and the server goes on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include "ServiceProcess.h"
#include "ServiceTestSupport.h"
#include "service/http/RawHttpClient.h"

namespace ostravel::test {
namespace {

using namespace std::chrono_literals;
using service::test::RawHttpClient;

TEST(HttpEdgeCasesTest, EachOddRequestGetsOneDefiniteAnswer) {
  TempFolder folder;
  ServiceProcess service(folder.Path() / "allegiance.sqlite");
  const std::string body = Command(kCid, "motd");
  const std::string length = std::to_string(body.size());
  const auto post = [](const std::string& path, const std::string& headers) {
    return "POST " + path + " HTTP/1.1\r\nHost: a\r\n" + headers + "\r\n";
  };
  struct Case {
    const char* what;
    std::string request;
    int status;
    const char* type;  // the Content-Type expected; "" for any
  };
  const Case cases[] = {
      {"a script", RawHttpClient::Post("/message.php", body), 200,
       "text/plain; charset=windows-1252"},
      {"a space before a colon", post("/message.php", "Content-Length : " + length + "\r\n") + body,
       400, ""},
      {"a tab before a colon", post("/message.php", "Content-Length\t: " + length + "\r\n") + body,
       400, ""},
      {"a length that is no number", post("/message.php", "Content-Length: abc\r\n"), 400, ""},
      {"a negative length", post("/message.php", "Content-Length: -1\r\n"), 400, ""},
      {"an unknown transfer coding", post("/message.php", "Transfer-Encoding: gzip\r\n"), 501, ""},
      {"a script under a folder", RawHttpClient::Post("/a/b/c/message.php", body), 404, ""},
      {"a script under one folder", RawHttpClient::Post("/x/member.php", body), 404, ""},
      {"a script by GET", "GET /member.php HTTP/1.1\r\nHost: a\r\n\r\n", 405, ""},
      {"no script at all", RawHttpClient::Post("/nothing.php", body), 404, ""},
  };
  for (const Case& c : cases) {
    RawHttpClient client(service.Port());
    client.Send(c.request);
    const auto reply = client.Read(5s);
    ASSERT_TRUE(reply) << c.what << ": no answer within 5 s";
    EXPECT_EQ(reply->status, c.status) << c.what;
    if (*c.type != 0) {
      EXPECT_EQ(reply->Header("Content-Type"), c.type) << c.what;
    }
    // One answer: nothing of the request is read as a second one.
    if (c.status >= 400) {
      EXPECT_FALSE(client.Read(300ms)) << c.what << ": a second answer";
    }
  }
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace ostravel::test
