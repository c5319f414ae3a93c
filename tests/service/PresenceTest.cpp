// Who is online: the window, pinned members, and forgetting those long gone.
#include <gtest/gtest.h>

#include "service/Presence.h"

namespace ostravel::test {
namespace {

using service::Presence;

TEST(PresenceTest, TheGoneAreForgottenOnceAWindowAndThePinnedNever) {
  Presence::Clock::time_point now{};
  Presence presence([&now] { return now; });
  presence.Note(1, {});
  presence.Pin(2, {7, false, 0});
  now += Presence::kOnlineWindow - std::chrono::seconds(1);
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
  now += Presence::kOnlineWindow;
  presence.Note(5, {});
  EXPECT_EQ(presence.Remembered(), 2U);  // the pinned and the new
  presence.Note(1, {});
  EXPECT_TRUE(presence.Online(1));
}

}  // namespace
}  // namespace ostravel::test
