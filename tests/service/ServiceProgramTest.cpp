// The program ostravel-service itself, on real sockets of 127.0.0.1 and a real database file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "NotifySocket.h"
#include "ServiceProcess.h"
#include "ServiceTestSupport.h"
#include "support/RunProcess.h"

namespace ostravel::test {
namespace {

using test_support::RunProcess;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

struct Answer {
  int status = 0;  // 0: no answer
  std::string body;
};

Answer PostTo(int port, const std::string& path, const std::string& body) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(30, 0);
  const auto result = client.Post(path, body, "application/x-www-form-urlencoded");
  if (!result) return {};
  return {result->status, result->body};
}

int Admin(const std::vector<std::string>& args, std::string* out = nullptr) {
  std::vector<std::string> argv = {ServiceExe()};
  argv.insert(argv.end(), args.begin(), args.end());
  const auto result = RunProcess(argv);
  if (out) *out = result.out + result.err;
  return result.exit_code;
}

// The command ends with 1 and says why.
void ExpectRefused(const std::vector<std::string>& args, const std::string& error) {
  std::string out;
  EXPECT_EQ(Admin(args, &out), 1) << error;
  EXPECT_THAT(out, HasSubstr(error));
}

TEST(ServiceProgramTest, ServesTheScriptsAndNothingElseAndStopsCleanlyOnSigterm) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  ServiceProcess service(db);
  EXPECT_THAT(service.ReadyLine(),
              MatchesRegex("Ostravel service listening on http://127\\.0\\.0\\.1:[0-9]+/ "
                           "\\(database .*allegiance\\.sqlite\\)"));
  httplib::Client client("127.0.0.1", service.Port());
  EXPECT_EQ(client.Get("/")->status, 200);
  EXPECT_EQ(client.Get("/member.php")->status, 405);
  EXPECT_EQ(client.Get("/etc/passwd")->status, 404);
  EXPECT_EQ(client.Get("/../allegiance.sqlite")->status, 404);
  EXPECT_EQ(PostTo(service.Port(), "/nothing.php", "CID=1").status, 404);
  EXPECT_THAT(PostTo(service.Port(), "/member.php", Command(kCid, "")).body,
              StartsWith("@member commands"));
  // Requests in flight when SIGTERM comes are answered, then it exits 0.
  std::vector<std::thread> senders;
  std::atomic<int> answered{0};
  for (int i = 0; i < 4; ++i) {
    senders.emplace_back([&] {
      if (PostTo(service.Port(), "/event.php", Command(kCid, "list")).status == 200) ++answered;
    });
  }
  for (auto& sender : senders) sender.join();
  EXPECT_EQ(service.Stop(SIGTERM), 0) << service.Errors();
  EXPECT_EQ(answered, 4);
  EXPECT_THAT(service.Log(), HasSubstr("/event.php"));
  std::string check;
  EXPECT_EQ(Admin({"check", "--db", db.string()}, &check), 0) << check;
}

TEST(ServiceProgramTest, KillDuringABurstLosesNoAnsweredMessage) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  std::set<std::string> answered;  // "Message N to Bob stored."
  {
    ServiceProcess service(db);
    ASSERT_EQ(PostTo(service.Port(), "/update.php", CharRecord(kBob, "Bob", 72)).status, 200);
    std::mutex mutex;
    std::atomic<bool> killed{false};
    std::vector<std::thread> senders;
    // Below the per-address burst of the server's rate limit: every refusal here is the kill.
    for (int t = 0; t < 8; ++t) {
      senders.emplace_back([&, t] {
        for (int i = 0; i < 6 && !killed; ++i) {
          const Answer answer = PostTo(service.Port(), "/message.php",
                                       Command(2000 + t, "send Bob burst " + std::to_string(i)));
          if (answer.status != 200) continue;
          std::lock_guard lock(mutex);
          answered.insert(answer.body);
        }
      });
    }
    for (;;) {
      {
        std::lock_guard lock(mutex);
        if (answered.size() >= 20) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(service.Stop(SIGKILL), 128 + SIGKILL);
    killed = true;
    for (auto& sender : senders) sender.join();
  }
  std::string check;
  EXPECT_EQ(Admin({"check", "--db", db.string()}, &check), 0) << check;
  ServiceProcess again(db);
  const std::string inbox = PostTo(again.Port(), "/message.php", Command(kBob, "inbox new")).body;
  const auto ids = Column(inbox, "MsgID");
  const std::set<std::string> stored(ids.begin(), ids.end());
  for (const auto& answer : answered) {
    const std::string id = answer.substr(8, answer.find(' ', 8) - 8);
    EXPECT_TRUE(stored.contains(id)) << answer << " is answered but lost";
  }
}

TEST(ServiceProgramTest, AdminCommandsWorkWhileItServesAndABackupOpensWithTheSameData) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  const auto file = [&](const char* name) { return (folder.Path() / name).string(); };
  ServiceProcess service(db);
  const auto ask = [&](const std::string& script, const std::string& args) {
    return PostTo(service.Port(), script, Command(kBob, args)).body;
  };
  ASSERT_EQ(PostTo(service.Port(), "/update.php", CharRecord(kBob, "Bob", 72)).status, 200);
  ASSERT_EQ(PostTo(service.Port(), "/message.php", Command(kCid, "send Bob hello")).status, 200);
  const std::string d = db.string();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"motd", "--db", d, "Court tonight"},
        {"role", "--db", d, "Bob", "magistrate", "on"},
        {"role", "--db", d, "Bob", "brt", "on"},
        {"role", "--db", d, "bob", "brt", "off"},
        {"friend", "--db", d, "Rurik", "Sable Guard", "on"},
        {"backup", "--db", d, file("copy.sqlite")}}) {
    EXPECT_EQ(Admin(args), 0) << args[0];
  }
  ExpectRefused({"role", "--db", d, "Bob", "king", "on"}, "unknown role \"king\"");
  ExpectRefused({"rename", "--db", d, "12345", "Nobody"}, "no character with id 12345");
  ExpectRefused({"motd", "--db", file("none.sqlite"), "x"}, "none.sqlite is not a database file");
  ExpectRefused({"backup", "--db", d, file("copy.sqlite")}, "exists already");
  std::ofstream(file("garbage.sqlite")) << std::string(5000, 'g');
  ExpectRefused({"check", "--db", file("garbage.sqlite")}, "garbage.sqlite");
  EXPECT_FALSE(std::filesystem::exists(file("none.sqlite")));
  EXPECT_THAT(ask("/message.php", "motd"), HasSubstr("Court tonight"));
  EXPECT_THAT(Column(ask("/member.php", "list magistrate"), "Name"), ElementsAre("Bob"));
  EXPECT_EQ(ask("/member.php", "list brt"), "No members match this list.");
  EXPECT_EQ(Value(ask("/member.php", "friends"), "Allegiance"), "Sable Guard");
  std::string original, copied;
  EXPECT_EQ(Admin({"export", "--db", d}, &original), 0);
  EXPECT_EQ(Admin({"export", "--db", file("copy.sqlite")}, &copied), 0);
  EXPECT_EQ(copied, original);
  std::set<std::string> tables;
  for (const auto& line : Lines(original)) {
    tables.insert(nlohmann::json::parse(line).at("table").get<std::string>());
  }
  EXPECT_THAT(tables, ::testing::IsSupersetOf({"characters", "messages", "settings", "staff_roles",
                                               "friends", "allegiance"}));
  EXPECT_EQ(Admin({"check", "--db", file("copy.sqlite")}), 0);
  EXPECT_EQ(service.Stop(SIGINT), 0);
}

// Under systemd (Type=notify) the unit is active from READY=1 on; a message systemd cannot get
// is said on standard error, and the service serves all the same.
TEST(ServiceProgramTest, TellsSystemdWhenItIsReadyAndWhenItStops) {
  TempFolder folder;
  {
    NotifySocket systemd(folder.Path());
    ServiceProcess service(folder.Path() / "allegiance.sqlite");
    EXPECT_EQ(systemd.Next(), "READY=1\nSTATUS=" + service.ReadyLine());
    EXPECT_EQ(service.Stop(SIGTERM), 0);
    EXPECT_EQ(systemd.Next(), "STOPPING=1");
    EXPECT_EQ(service.Errors(), "");
  }
  setenv("NOTIFY_SOCKET", (folder.Path() / "gone").c_str(), 1);
  ServiceProcess service(folder.Path() / "allegiance.sqlite");
  unsetenv("NOTIFY_SOCKET");
  EXPECT_EQ(httplib::Client("127.0.0.1", service.Port()).Get("/")->status, 200);
  EXPECT_EQ(service.Stop(SIGTERM), 0);
  EXPECT_THAT(service.Errors(),
              HasSubstr("ostravel-service: could not tell systemd \"READY=1\nSTATUS="));
}

TEST(ServiceProgramTest, ServeStopsOnABadConfigLineOrWithoutADatabase) {
  TempFolder folder;
  const auto config = folder.Path() / "ostravel-service.conf";
  std::ofstream(config) << "db = " << (folder.Path() / "a.sqlite").string() << "\nport = 1\n";
  ExpectRefused({"serve", "--config", config.string()},
                config.string() + ":2: \"port\" is no setting");
  std::ofstream(config) << "# nothing set\n";
  ExpectRefused({"serve", "--config", config.string()},
                "serve needs a database: --db FILE, or a line \"db = FILE\" in " + config.string());
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "a.sqlite"));
}

}  // namespace
}  // namespace ostravel::test
