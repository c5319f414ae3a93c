// The database under the service: restarts, migration, concurrent writers, backups.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>

#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/admin/AdminCommands.h"
#include "service/store/Schema.h"
#include "service/store/SqliteConnection.h"

namespace ostravel::test {
namespace {

using service::AllegianceService;
using service::SqliteConnection;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string Ask(AllegianceService& service, std::string_view script, std::string_view args,
                std::int32_t caller = kCid) {
  return service.Post(script, Command(caller, args)).body;
}

TEST(StorageTest, ARestartKeepsEverythingButWhoIsOnline) {
  TempFolder folder;
  const auto file = folder.Path() / "a.sqlite";
  {
    auto service = OpenService(file);
    service->Post("update.php", CharRecord(kCid, "Ostra Vel", 50));
    service->Post("update.php", CharRecord(kBob, "Bob", 72));
    Ask(*service, "message.php", "send Bob See you", kCid);
    Ask(*service, "event.php", "add tomorrow 20:00 Raid, bring keys");
    Ask(*service, "landblock.php", "set Holtburg square");
    service->Post("fellowship.php", StdFields(kCid) +
                                        "&FellowshipName=Band&LeaderCID=" + std::to_string(kCid) +
                                        "&LeaderName=Ostra Vel&LeaderLevel=50"
                                        "&Fellows=1&Fellow1CID=7&Fellow1Name=Li&Fellow1Level=9");
    service::SetMotd(file, "Court tonight");
  }
  auto service = OpenService(file);
  // Asked by a character without a record, which is no member to list.
  EXPECT_EQ(Ask(*service, "member.php", "list online", 7), "No members match this list.");
  EXPECT_EQ(Value(Ask(*service, "member.php", "whois bob"), "Level"), "72");
  EXPECT_THAT(Column(Ask(*service, "message.php", "inbox new", kBob), "Sample"),
              ElementsAre("See you"));
  EXPECT_THAT(Column(Ask(*service, "event.php", "list"), "Description"), ElementsAre("bring keys"));
  EXPECT_THAT(Ask(*service, "landblock.php", "get"), HasSubstr("Holtburg square"));
  EXPECT_EQ(Value(Ask(*service, "member.php", "fellowships"), "Fellowship"), "Band");
  EXPECT_THAT(Ask(*service, "message.php", "motd"), HasSubstr("\nCourt tonight\n"));
  // Presence comes back with the next post.
  EXPECT_THAT(Column(Ask(*service, "member.php", "list online"), "Name"),
              ElementsAre("Bob", "Ostra Vel"));
}

TEST(StorageTest, AnOlderDatabaseIsCopiedThenMigratedAndItsCharactersListed) {
  TempFolder folder;
  for (const int version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    const auto file = folder.Path() / ("v" + std::to_string(version) + ".sqlite");
    {
      SqliteConnection db(file, SqliteConnection::Mode::kReadWrite);
      service::MigrateSchema(db, version);
      db.Exec(
          "INSERT INTO characters (id, name, name_key, level, template, updated_at) VALUES "
          "(1342177449, 'Bob', 'bob', 72, 'Swordsman', '2025-05-01 10:00:00');"
          "INSERT INTO messages (sender_id, recipient_id, recipient_name, body, sent_at) VALUES "
          "(1342177449, 1342177295, 'Ostra Vel', 'From the old days', '2025-05-01 10:00:00');");
    }
    auto service = OpenService(file);
    EXPECT_EQ(Value(Ask(*service, "member.php", "whois Bob"), "Template"), "Swordsman");
    EXPECT_THAT(Column(Ask(*service, "member.php", "list"), "Template"), ElementsAre("Swordsman"));
    EXPECT_THAT(Column(Ask(*service, "message.php", "inbox new"), "Sample"),
                ElementsAre("From the old days"));
    // The member list follows changes made after the migration.
    service->Post("update.php", CharRecord(kBob, "Bob", 73));
    EXPECT_THAT(Column(Ask(*service, "member.php", "list"), "Level"), ElementsAre("73"));
    service.reset();
    SqliteConnection migrated(file, SqliteConnection::Mode::kReadOnly);
    EXPECT_EQ(migrated.QueryInt("PRAGMA user_version"), service::kSchemaVersion);
    EXPECT_EQ(migrated.QueryInt("SELECT count(*) FROM character_keys WHERE character_id = " +
                                std::to_string(kCid)),
              1);  // the inbox's request was given a key
    SqliteConnection copy(service::MigrationBackupPath(file, version),
                          SqliteConnection::Mode::kReadOnly);
    EXPECT_EQ(copy.QueryInt("PRAGMA user_version"), version);
    EXPECT_EQ(copy.QueryInt("SELECT count(*) FROM characters"), 1);
    EXPECT_EQ(copy.QueryInt("SELECT count(*) FROM messages"), 1);
  }
}

TEST(StorageTest, ADatabaseOfANewerVersionIsRefusedUntouched) {
  TempFolder folder;
  const auto file = folder.Path() / "new.sqlite";
  {
    SqliteConnection db(file, SqliteConnection::Mode::kReadWrite);
    db.Exec("PRAGMA user_version=99");
  }
  EXPECT_THAT([&] { OpenService(file); },
              ::testing::ThrowsMessage<service::DatabaseError>(::testing::AllOf(
                  HasSubstr(file.string()), HasSubstr("run a newer ostravel-service"))));
}

TEST(StorageTest, ConcurrentSendsAreAllStoredWithDistinctIdsAndABackupIsConsistent) {
  TempFolder folder;
  const auto file = folder.Path() / "busy.sqlite";
  auto service = OpenService(file);
  service->Post("update.php", CharRecord(kBob, "Bob", 72));
  constexpr int kThreads = 8;
  constexpr int kEach = 25;
  std::mutex mutex;
  std::set<std::string> answers;
  std::vector<std::thread> threads;
  std::atomic<int> answered{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        const std::string answer =
            Ask(*service, "message.php", "send Bob note " + std::to_string(t * 100 + i), 1000 + t);
        std::lock_guard lock(mutex);
        answers.insert(answer);
        ++answered;
      }
    });
  }
  while (answered < kThreads * kEach / 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto backup = folder.Path() / "copy.sqlite";
  service::BackUpDatabase(file, backup);
  for (auto& thread : threads) thread.join();
  ASSERT_EQ(answers.size(), static_cast<std::size_t>(kThreads * kEach));
  for (const auto& answer : answers) EXPECT_THAT(answer, HasSubstr(" to Bob stored."));
  EXPECT_EQ(Column(Ask(*service, "message.php", "inbox new", kBob), "MsgID").size(),
            static_cast<std::size_t>(kThreads * kEach));
  EXPECT_THAT(service::CheckDatabase(backup), IsEmpty());
  SqliteConnection copy(backup, SqliteConnection::Mode::kReadOnly);
  const auto copied = copy.QueryInt("SELECT count(*) FROM messages");
  EXPECT_GE(copied, kThreads * kEach / 2);
  EXPECT_LE(copied, kThreads * kEach);
  // The copy is one moment: its messages are exactly the first ids, without a gap.
  EXPECT_EQ(copy.QueryInt("SELECT max(id) FROM messages"), copied);
}

}  // namespace
}  // namespace ostravel::test
