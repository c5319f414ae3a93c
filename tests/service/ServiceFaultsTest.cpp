// The program ostravel-service when its database goes, is locked elsewhere, cannot be written
// or is damaged: real files, a real second process, another user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "ServiceProcess.h"
#include "ServiceTestSupport.h"
#include "support/RunProcess.h"

namespace ostravel::test {
namespace {

using test_support::ProcessResult;
using test_support::RunProcess;
using ::testing::HasSubstr;
using ::testing::Not;

struct Reply {
  int status = 0;  // 0: no answer
  std::string body;
  std::string retry_after;
  std::string type;
};

Reply Post(int port, const std::string& path, const std::string& body) {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(60, 0);
  const auto result = client.Post(path, body, "application/x-www-form-urlencoded");
  if (!result) return {};
  return {result->status, result->body, result->get_header_value("Retry-After"),
          result->get_header_value("Content-Type")};
}

ProcessResult RunService(std::vector<std::string> args) {
  args.insert(args.begin(), ServiceExe());
  return RunProcess(args);
}

// The same command as the unprivileged user nobody.
ProcessResult RunAsNobody(std::vector<std::string> args) {
  args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                             "--clear-groups", ServiceExe()});
  return RunProcess(args);
}

ProcessResult Serve(const std::filesystem::path& db) {
  return RunService({"serve", "--db", db.string(), "--listen", "127.0.0.1:0"});
}

bool CanSwitchUser() {
  return getuid() == 0 && RunProcess({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
                                      "--clear-groups", "/bin/true"})
                                  .exit_code == 0;
}

// A database with a member and a message, served once and stopped.
void MakeDatabase(const std::filesystem::path& db) {
  ServiceProcess service(db);
  ASSERT_EQ(Post(service.Port(), "/update.php", CharRecord(kBob, "Bob", 72)).status, 200);
  ASSERT_EQ(Post(service.Port(), "/message.php", Command(kCid, "send Bob first")).status, 200);
  ASSERT_EQ(service.Stop(SIGTERM), 0);
}

TEST(ServiceFaultsTest, ADatabaseRemovedOrReplacedStopsTheServiceAndTheRestartMakesNoEmptyOne) {
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replaced" : "removed");
    TempFolder folder;
    const auto db = folder.Path() / "allegiance.sqlite";
    const auto aside = folder.Path() / "aside.sqlite";
    MakeDatabase(db);
    ServiceProcess service(db);
    ASSERT_EQ(Post(service.Port(), "/message.php", Command(kCid, "send Bob one")).status, 200);
    if (replace) {
      std::filesystem::copy_file(db, aside);
      std::filesystem::rename(aside, db);
    } else {
      std::filesystem::rename(db, aside);
    }
    const Reply lost = Post(service.Port(), "/message.php", Command(kCid, "send Bob two"));
    EXPECT_EQ(lost.status, 503);
    EXPECT_THAT(lost.body, Not(HasSubstr("stored")));
    EXPECT_EQ(service.Stop(SIGTERM), 3) << service.Errors();
    EXPECT_THAT(service.Errors(), HasSubstr("FATAL: " + db.string()));
    if (replace) continue;
    const ProcessResult again = Serve(db);
    EXPECT_EQ(again.exit_code, 1);
    EXPECT_THAT(again.err, HasSubstr(db.string() + " is missing, but a database was served"));
    EXPECT_THAT(again.err, HasSubstr("--create"));
    EXPECT_FALSE(std::filesystem::exists(db));
    ServiceProcess fresh(db, 1252, {"--create"});
    EXPECT_EQ(fresh.Stop(SIGTERM), 0);
  }
}

TEST(ServiceFaultsTest, ASecondServeOnTheSameDatabaseRefusesAndNamesTheFirst) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  ServiceProcess first(db);
  const ProcessResult second = Serve(db);
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_THAT(second.out, Not(HasSubstr("listening")));
  EXPECT_THAT(second.err, HasSubstr("is served already by ostravel-service pid"));
  EXPECT_THAT(second.err, HasSubstr("http://127.0.0.1:" + std::to_string(first.Port()) + "/"));
}

TEST(ServiceFaultsTest, AWriteBehindALockHeldElsewhereIsRefusedWithRetryAfterAndNotStored) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  const auto locked = folder.Path() / "locked";
  MakeDatabase(db);
  // Open access: a character's first request under keys takes a key, which is a change too.
  ServiceProcess service(db, 1252, {"--access", "open"});
  // A careless admin's tool: the write lock held for 12 s by another process.
  std::thread holder([&] {
    test_support::ProcessOptions options;
    options.input =
        "BEGIN EXCLUSIVE;\n.shell touch " + locked.string() + " && sleep 12\nROLLBACK;\n";
    RunProcess({"/usr/bin/sqlite3", db.string()}, options);
  });
  for (int i = 0; i < 3000 && !std::filesystem::exists(locked); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(std::filesystem::exists(locked));
  const Reply write = Post(service.Port(), "/message.php", Command(kCid, "send Bob behind"));
  const Reply read = Post(service.Port(), "/message.php", Command(kBob, "inbox new"));
  holder.join();
  EXPECT_EQ(write.status, 503);
  EXPECT_EQ(write.retry_after, "5");
  EXPECT_THAT(write.body, HasSubstr("busy"));
  EXPECT_EQ(read.status, 200);
  EXPECT_THAT(read.body, HasSubstr("first"));
  // Refused means not stored: a client that tries again makes no duplicate.
  const Reply outbox = Post(service.Port(), "/message.php", Command(kCid, "outbox"));
  EXPECT_THAT(outbox.body, Not(HasSubstr("behind")));
  EXPECT_THAT(service.Log(), Not(HasSubstr("no complete request")));
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

TEST(ServiceFaultsTest, ServeRefusesBeforeItsReadyLineADatabaseItCannotWriteOrThatIsDamaged) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  MakeDatabase(db);
  const auto damaged = folder.Path() / "damaged.sqlite";
  std::filesystem::copy_file(db, damaged);
  {
    const auto size = std::filesystem::file_size(damaged);
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(size - 4096));
    file << std::string(4096, '\xA5');
  }
  const ProcessResult broken = Serve(damaged);
  EXPECT_EQ(broken.exit_code, 1);
  EXPECT_THAT(broken.out, Not(HasSubstr("listening")));
  EXPECT_THAT(broken.err, HasSubstr(damaged.string()));
  EXPECT_THAT(broken.err, HasSubstr("restore it from a backup"));
  if (!CanSwitchUser()) GTEST_SKIP() << "cannot start a program as the user nobody here";
  // The file open to all, the folder root's: nobody may read it, but not write in it.
  chmod(folder.Path().c_str(), 0755);
  chmod(db.c_str(), 0666);
  const ProcessResult folder_only =
      RunAsNobody({"serve", "--db", db.string(), "--listen", "127.0.0.1:0"});
  EXPECT_EQ(folder_only.exit_code, 1);
  EXPECT_THAT(folder_only.out, Not(HasSubstr("listening")));
  EXPECT_THAT(folder_only.err, HasSubstr("cannot write beside the database " + db.string()));
  EXPECT_THAT(folder_only.err, HasSubstr("chown"));
  // The folder open to all, the file root's alone.
  chmod(folder.Path().c_str(), 0777);
  chmod(db.c_str(), 0644);
  const ProcessResult file_only =
      RunAsNobody({"serve", "--db", db.string(), "--listen", "127.0.0.1:0"});
  EXPECT_EQ(file_only.exit_code, 1);
  EXPECT_THAT(file_only.out, Not(HasSubstr("listening")));
  EXPECT_THAT(file_only.err, HasSubstr("cannot write the database " + db.string()));
}

TEST(ServiceFaultsTest, AnAnswerLeavesOnlyAfterItsCommit) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  MakeDatabase(db);
  ServiceProcess service(db, 1252, {"--test-commit-delay-ms", "4000"});
  std::atomic<int> status{-1};
  std::thread sender([&] {
    status = Post(service.Port(), "/message.php", Command(kCid, "send Bob early")).status;
  });
  // Within the commit's delay an answer sent before the commit would be here.
  for (int i = 0; i < 200 && status == -1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(service.Stop(SIGKILL), 128 + SIGKILL);
  sender.join();
  EXPECT_EQ(status, 0) << "answered before its commit";
  ServiceProcess again(db);
  EXPECT_THAT(Post(again.Port(), "/message.php", Command(kCid, "outbox")).body,
              Not(HasSubstr("early")));
}

TEST(ServiceFaultsTest, WithoutACodePageOptionTheBytesAreWindows1252) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  MakeDatabase(db);
  ServiceProcess service(db, 0);
  const Reply sent = Post(service.Port(), "/message.php", Command(kCid, "send Bob caf%E3"));
  EXPECT_EQ(sent.status, 200);
  EXPECT_EQ(sent.type, "text/plain; charset=windows-1252");
  EXPECT_EQ(service.Stop(SIGTERM), 0);
  EXPECT_THAT(RunService({"export", "--db", db.string()}).out, HasSubstr("caf\xC3\xA3"));
}

TEST(ServiceFaultsTest, AdminCommandsThatReadNeedOnlyReadingAndSayWhatIsWrong) {
  TempFolder folder;
  const auto db = folder.Path() / "allegiance.sqlite";
  const auto copy = folder.Path() / "copy.sqlite";
  MakeDatabase(db);
  ASSERT_EQ(RunService({"backup", "--db", db.string(), copy.string()}).exit_code, 0);
  const auto journal = [&] {
    return RunProcess({"/usr/bin/sqlite3", copy.string(), "PRAGMA journal_mode"}).out;
  };
  const std::string mode = journal();
  const ProcessResult nowhere = RunService({"backup", "--db", db.string(), "/no/such/folder/c.db"});
  EXPECT_EQ(nowhere.exit_code, 1);
  EXPECT_THAT(nowhere.err, HasSubstr("its folder /no/such/folder does not exist"));
  const ProcessResult bogus = RunService({"bogus"});
  EXPECT_EQ(bogus.exit_code, 1);
  EXPECT_THAT(bogus.err, HasSubstr("\"bogus\" is no subcommand; the subcommands are serve, motd, "
                                   "role, friend, rename, backup, check, export"));
  std::ofstream(folder.Path() / "garbage.sqlite") << std::string(5000, 'g');
  const ProcessResult garbage =
      RunService({"export", "--db", (folder.Path() / "garbage.sqlite").string()});
  EXPECT_EQ(garbage.exit_code, 1);
  EXPECT_THAT(garbage.err, HasSubstr("garbage.sqlite"));
  EXPECT_THAT(garbage.err, HasSubstr("restore it from a backup"));
  if (!CanSwitchUser()) GTEST_SKIP() << "cannot start a program as the user nobody here";
  chmod(folder.Path().c_str(), 0755);
  chmod(copy.c_str(), 0444);
  const ProcessResult check = RunAsNobody({"check", "--db", copy.string()});
  EXPECT_EQ(check.exit_code, 0) << check.err;
  const ProcessResult exported = RunAsNobody({"export", "--db", copy.string()});
  EXPECT_EQ(exported.exit_code, 0) << exported.err;
  EXPECT_THAT(exported.out, HasSubstr("first"));
  EXPECT_EQ(journal(), mode);
}

}  // namespace
}  // namespace ostravel::test
