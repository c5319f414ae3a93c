#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <shared_mutex>
#include <unordered_map>
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

  // Who is online for one look at many characters, under one lock: the lists look up
  // thousands, and a lock each would cost more than the lookups.
  class View {
   public:
    std::optional<Entry> Find(std::int32_t character) const;

   private:
    friend class Presence;
    View(const Presence& presence, Clock::time_point now) : presence_(presence), now_(now) {}
    const Presence& presence_;
    Clock::time_point now_;
  };

  // `now` is the steady clock unless a test turns it.
  explicit Presence(std::function<Clock::time_point()> now = Clock::now);

  // A post of `character` now, with the standard fields it carried. Once a window, the
  // characters gone for longer than it are forgotten, so that the map holds only the
  // members of the last few minutes however many have come and gone.
  void Note(std::int32_t character, const Entry& entry);
  // Online for good, whatever the clock says (the demo's sample members).
  void Pin(std::int32_t character, const Entry& entry);

  // The character's entry while it is online.
  std::optional<Entry> Find(std::int32_t character) const;
  bool Online(std::int32_t character) const { return Find(character).has_value(); }
  std::vector<std::int32_t> OnlineCharacters() const;
  // Characters remembered, online or gone but not yet forgotten.
  std::size_t Remembered() const;

  // Runs `look` with a view of who is online now; Note waits while it runs.
  void Look(const std::function<void(const View&)>& look) const;

 private:
  struct Seen {
    Entry entry;
    Clock::time_point at;
    bool pinned = false;
  };
  static bool Fresh(const Seen& seen, Clock::time_point now);
  void ForgetGone(Clock::time_point now);

  std::function<Clock::time_point()> now_;
  mutable std::shared_mutex mutex_;
  std::unordered_map<std::int32_t, Seen> seen_;
  Clock::time_point last_sweep_;
};

}  // namespace ostravel::service
