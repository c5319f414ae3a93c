// The HTTP layer's parts without a socket: the access log, the signal wait, the rate limit
// and the forwarded client.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <regex>
#include <sstream>

#include "service/http/AccessLog.h"
#include "service/http/AddressRateLimit.h"
#include "service/http/ForwardedFor.h"
#include "service/http/SignalWait.h"

namespace ostravel::service {
namespace {

TEST(AccessLogTest, OneLinePerRequestWithClientTextMadeSafe) {
  std::ostringstream out;
  AccessLog log(out);
  log.Request({"10.1.2.3", "POST", "/member.php", "list", 200, 3, ""});
  log.Request({"10.1.2.3", "POST", "/a b\r\nfake 200", "", 0, 12, "closed"});
  log.Request({"::1", "GET", std::string(200, 'p'), "", 404, 0, ""});
  std::istringstream lines(out.str());
  std::string line;
  std::getline(lines, line);
  EXPECT_TRUE(std::regex_match(
      line,
      std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ 10\.1\.2\.3 POST /member\.php list 200 3ms)")))
      << line;
  std::getline(lines, line);
  EXPECT_NE(line.find(" POST /a?b??fake?200 - - 12ms closed"), std::string::npos) << line;
  std::getline(lines, line);
  EXPECT_NE(line.find(" GET " + std::string(80, 'p') + "... - 404 0ms"), std::string::npos);
  EXPECT_FALSE(std::getline(lines, line));
}

TEST(AccessLogTest, AFloodOfErrorsIsCutAndCounted) {
  std::ostringstream out;
  AccessLog log(out);
  for (int i = 0; i < AccessLog::kErrorsPerWindow + 25; ++i) log.Error("bad\n");
  const std::string text = out.str();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), AccessLog::kErrorsPerWindow);
  EXPECT_NE(text.find("Z error: bad\n"), std::string::npos);
}

TEST(SignalWaitTest, ReturnsTheTerminationSignal) {
  // In a child of its own: the signal must be blocked in every thread of the process.
  for (const int signal : {SIGTERM, SIGINT}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      BlockTerminationSignals();
      kill(getpid(), signal);
      _exit(WaitForTerminationSignal() == signal ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal;
  }
}

TEST(AddressRateLimitTest, ABurstThenTheSteadyRatePerAddress) {
  AddressRateLimit limit(2, 1.0);
  struct Step {
    const char* address;
    std::int64_t ms;
    int wait;
  };
  const Step steps[] = {
      {"a", 0, 0},    {"a", 0, 0},    {"a", 0, 1},    {"b", 0, 0},  // b has its own bucket
      {"a", 999, 1},  {"a", 1000, 0}, {"a", 1000, 1}, {"a", 2500, 0},
      {"a", 2500, 1}, {"a", 9000, 0}, {"a", 9000, 0}, {"a", 9000, 1},  // refilled to 2, no more
  };
  for (const Step& step : steps) {
    EXPECT_EQ(limit.Admit(step.address, step.ms), step.wait) << step.address << " at " << step.ms;
  }
}

TEST(AddressRateLimitTest, RetryAfterCountsWholeSecondsAndZeroBurstIsOff) {
  AddressRateLimit slow(1, 0.1);
  EXPECT_EQ(slow.Admit("a", 0), 0);
  EXPECT_EQ(slow.Admit("a", 0), 10);
  EXPECT_EQ(slow.Admit("a", 5500), 5);
  AddressRateLimit off(0, 0);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(off.Admit("a", 0), 0);
}

TEST(AddressRateLimitTest, AddressesWithAFullBucketAreForgotten) {
  AddressRateLimit limit(5, 1.0);
  for (int i = 0; i < 1000; ++i) limit.Admit("10.0.0." + std::to_string(i), 1000);
  EXPECT_EQ(limit.AddressesHeld(), 1000u);
  limit.Admit("x", 62'000);
  EXPECT_EQ(limit.AddressesHeld(), 1u);
}

// Which address of X-Forwarded-For a trusted proxy vouches for.
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
