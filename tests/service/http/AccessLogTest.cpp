#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <regex>
#include <sstream>

#include "service/http/AccessLog.h"
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

}  // namespace
}  // namespace ostravel::service
