// The member lists kept in memory: capped, and in step with every change to the records,
// whichever connection made it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/admin/AdminCommands.h"
#include "service/members/Presence.h"
#include "service/scripts/MemberList.h"
#include "service/store/SqliteConnection.h"

namespace ostravel::test {
namespace {

using service::AllegianceService;
using service::SqliteConnection;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class MemberListTest : public ::testing::Test {
 protected:
  MemberListTest() : service_(OpenService(File())) {}
  std::filesystem::path File() const { return folder_.Path() / "allegiance.sqlite"; }
  std::string Ask(std::string_view args) {
    return service_->Post("member.php", Command(kCid, args)).body;
  }
  void Update(std::int32_t id, std::string_view name, int level) {
    ASSERT_THAT(service_->Post("update.php", CharRecord(id, name, level)).body,
                HasSubstr("updated"));
  }
  // Characters straight into the file, as another program would write them.
  void InsertOnFile(int count, int first_id, int level) {
    SqliteConnection db(File(), SqliteConnection::Mode::kReadWrite);
    db.Exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
            std::to_string(count) +
            ") INSERT INTO characters (id, name, name_key, level, template, updated_at) "
            "SELECT " +
            std::to_string(first_id) + " + i, 'Filed' || i, 'filed' || i, " +
            std::to_string(level) + ", 'Archer', '2025-06-01 14:00:00' FROM n");
  }

  TempFolder folder_;
  std::unique_ptr<AllegianceService> service_;
};

TEST_F(MemberListTest, AListAndTheFellowshipsStopAtTheCapWithALineThePagesDrawNoRowFor) {
  const int cap = static_cast<int>(service::kListCap);
  // Neither the Members page nor the Groups page draws a row for the last line.
  const auto expect_no_row = [](const std::string& line) {
    for (const char* key : {"Name", "Fellowship", "Fellows", "Level"}) {
      EXPECT_EQ(Value(line, key), "") << key;
    }
  };
  InsertOnFile(cap - 1, 1000, 30);
  Update(kBob, "Bob", 72);
  const std::string full = Ask("list");
  EXPECT_EQ(Column(full, "Name").size(), service::kListCap);
  EXPECT_THAT(full, Not(HasSubstr("More")));

  Update(kAnn, "Queen Ann", 200);
  std::vector<std::string> lines = Lines(Ask("list"));
  ASSERT_EQ(lines.size(), service::kListCap + 1);
  EXPECT_EQ(Value(lines.front(), "Name"), "Queen Ann");  // highest level first
  EXPECT_EQ(Value(lines[1], "Name"), "Bob");
  expect_no_row(lines.back());
  EXPECT_THAT(lines.back(), HasSubstr("more than " + std::to_string(cap) + " members match"));
  // Filters that leave fewer than the cap say nothing more.
  EXPECT_THAT(Column(Ask("list level>31"), "Name"), ElementsAre("Queen Ann", "Bob"));

  SqliteConnection(File(), SqliteConnection::Mode::kReadWrite)
      .Exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
            std::to_string(cap + 1) +
            ") INSERT INTO fellowships (poster_id, name, leader_id, leader_name, leader_level, "
            "shared_xp, reported_at) SELECT 100 + i, printf('Band %03d', i), 100 + i, 'Lead' || i, "
            "50, 1, '2025-06-01 14:00:00' FROM n");
  lines = Lines(Ask("fellowships"));
  ASSERT_EQ(lines.size(), service::kListCap + 1);
  EXPECT_EQ(Value(lines.front(), "Fellowship"), "Band 000");
  EXPECT_EQ(Value(lines[service::kListCap - 1], "Fellowship"), "Band 199");
  expect_no_row(lines.back());
  EXPECT_THAT(lines.back(), HasSubstr("fellowships match"));
}

TEST_F(MemberListTest, ListsFollowUpdatesRenamesAndRolesFromAnyConnection) {
  Update(kBob, "Bob", 72);
  EXPECT_THAT(Column(Ask("list level>70"), "Level"), ElementsAre("72"));
  Update(kBob, "Bob", 75);
  EXPECT_THAT(Column(Ask("list level>70"), "Level"), ElementsAre("75"));
  // The admin's commands run beside the service, on connections of their own.
  service::RenameCharacterOnFile(File(), kBob, "Robert");
  EXPECT_THAT(Column(Ask("list level>70"), "Name"), ElementsAre("Robert"));
  EXPECT_EQ(Ask("list brt"), "No members match this list.");
  service::SetStaffRoleOf(File(), "robert", "brt", true);
  EXPECT_THAT(Column(Ask("list brt"), "Name"), ElementsAre("Robert"));
  service::SetFriendOfAllegiance(File(), "Robert", "Northwind", true);
  EXPECT_EQ(Ask("list level>70"), "No members match this list.");
  {
    SqliteConnection db(File(), SqliteConnection::Mode::kReadWrite);
    db.Exec("DELETE FROM characters");
  }
  EXPECT_EQ(Ask("list"), "No members match this list.");
}

TEST_F(MemberListTest, MoreChangesThanTheLogKeepsAreReadAgainWhole) {
  Update(kBob, "Bob", 72);
  EXPECT_THAT(Column(Ask("list"), "Name"), ElementsAre("Bob"));
  // Ten thousand and more changes at once push the last one seen out of the log.
  InsertOnFile(10'050, 5000, 10);
  {
    SqliteConnection db(File(), SqliteConnection::Mode::kReadWrite);
    db.Exec("UPDATE characters SET level = 99 WHERE id = " + std::to_string(kBob));
  }
  InsertOnFile(1, 900, 150);
  const std::vector<std::string> names = Column(Ask("list level>20"), "Name");
  EXPECT_THAT(names, ElementsAre("Filed0", "Bob"));
  EXPECT_THAT(Column(Ask("list level>98 level<100"), "Level"), ElementsAre("99"));
}

// Who is online: the window, pinned members, and forgetting those long gone.
TEST(PresenceTest, TheGoneAreForgottenOnceAWindowAndThePinnedNever) {
  service::Presence::Clock::time_point now{};
  service::Presence presence([&now] { return now; });
  presence.Note(1, {});
  presence.Pin(2, {7, false, 0});
  // Seconds written out: a test that read the constant would pass with a wrong one.
  now += std::chrono::seconds(179);
  presence.Note(3, {});
  EXPECT_TRUE(presence.Online(1));  // the window's last second
  EXPECT_EQ(presence.Remembered(), 3U);

  now += std::chrono::seconds(1);
  EXPECT_FALSE(presence.Online(1));
  presence.Note(4, {});  // a window since the last sweep: 1 goes
  EXPECT_EQ(presence.Remembered(), 3U);
  EXPECT_TRUE(presence.Online(3));
  ASSERT_TRUE(presence.Find(2).has_value());
  EXPECT_EQ(presence.Find(2)->location, 7U);

  // Gone for good, and back with the next post.
  now += service::Presence::kOnlineWindow;
  presence.Note(5, {});
  EXPECT_EQ(presence.Remembered(), 2U);  // the pinned and the new
  presence.Note(1, {});
  EXPECT_TRUE(presence.Online(1));
}

}  // namespace
}  // namespace ostravel::test
