#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace ostravel::service {

// Who is online, kept in memory only: every logged-in plug-in posts at least once a minute
// (the Messages tab's trigger), so a character is online while its posts keep coming, and
// after a restart the picture is whole again within a minute. Thread-safe.
class Presence {
 public:
  struct Entry {
    std::uint32_t location = 0;
    bool wants_fellowship = false;
    std::int32_t fellowship_leader = 0;  // FLID of the last post; 0 = none
  };
  using Clock = std::chrono::steady_clock;

  // A character counts as online this long after its last post.
  static constexpr std::chrono::seconds kOnlineWindow{180};

  // A post of `character` now, with the standard fields it carried.
  void Note(std::int32_t character, const Entry& entry);
  // Online for good, whatever the clock says (the demo's sample members).
  void Pin(std::int32_t character, const Entry& entry);

  // The character's entry while it is online.
  std::optional<Entry> Find(std::int32_t character) const;
  bool Online(std::int32_t character) const { return Find(character).has_value(); }
  std::vector<std::int32_t> OnlineCharacters() const;

 private:
  struct Seen {
    Entry entry;
    Clock::time_point at;
    bool pinned = false;
  };
  bool Fresh(const Seen& seen, Clock::time_point now) const;

  mutable std::mutex mutex_;
  std::map<std::int32_t, Seen> seen_;
};

}  // namespace ostravel::service
