// The one table of scripts and the texts built from the names and limits written once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/scripts/ScriptTable.h"
#include "wire/FieldNames.h"
#include "wire/StaffRoles.h"

namespace ostravel::test {
namespace {

using ::testing::HasSubstr;

TEST(ScriptTableTest, EveryScriptOfTheWireIsInTheTableAndNamedInTheUnknownScriptAnswer) {
  struct Case {
    std::string_view name;
    bool chat;
  };
  for (const Case& c :
       {Case{wire::script::kMember, true}, Case{wire::script::kMessage, true},
        Case{wire::script::kEvent, true}, Case{wire::script::kLandblock, true},
        Case{wire::script::kUpdate, false}, Case{wire::script::kFellowship, false}}) {
    SCOPED_TRACE(c.name);
    const service::ServiceScript* script = service::FindScript(c.name);
    ASSERT_NE(script, nullptr);
    EXPECT_EQ(script->chat != nullptr, c.chat);
    EXPECT_EQ(c.chat, !script->whole.run) << "one way to dispatch each";
    EXPECT_TRUE(service::IsServiceScript("/ostravel/" + std::string(c.name)));
  }
  EXPECT_EQ(service::FindScript("admin.php"), nullptr);
  EXPECT_EQ(service::ScriptNames(),
            "member.php, message.php, event.php, landblock.php, update.php and fellowship.php");
}

TEST(ScriptTableTest, OneCommandScriptsChangeDataAndLogNoWordOfTheArguments) {
  TempFolder folder;
  auto service = OpenService(folder.Path() / "allegiance.sqlite");
  // "list" would be a chat command's word; a whole-request script ignores it.
  const auto update = service->Post("update.php", CharRecord(kCid, "Ann", 50) + "&args=list");
  EXPECT_THAT(update.body, HasSubstr("updated"));
  EXPECT_EQ(update.detail, "");
  const auto list = service->Post("member.php", Command(kCid, "list online"));
  EXPECT_EQ(list.detail, "list");
  EXPECT_EQ(service->Post("member.php", Command(kCid, "Tom & Jerry")).detail, "other");
  EXPECT_EQ(service->Post("member.php", Command(kCid, "")).detail, "help");
}

TEST(ScriptTableTest, StaffRoleWordsJoinInTheirOrder) {
  EXPECT_EQ(wire::JoinStaffRoles(", ", " and "),
            "magistrate, pkgeneral, chainmanager, questmaster, brt and reporter");
  for (const auto& role : wire::kStaffRoleTitles) EXPECT_TRUE(wire::IsStaffRole(role.word));
  EXPECT_FALSE(wire::IsStaffRole("Magistrate"));
  EXPECT_FALSE(wire::IsStaffRole(""));
}

}  // namespace
}  // namespace ostravel::test
