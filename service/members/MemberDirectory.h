#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The trade skills a record can list, as the Members page's lists name them.
inline constexpr std::array<std::string_view, 8> kTradeSkills = {
    "lockpick",      "armortinkering", "weapontinkering", "magicitemtinkering",
    "itemtinkering", "alchemy",        "cooking",         "fletching"};

// What the member lists need of a character's record.
struct ListedMember {
  std::int32_t id = 0;
  int level = 0;
  std::string name;
  std::string template_name;
  bool pk = false;
  bool wants_fellowship = false;  // as the record says; a post while online overrides it
  std::uint8_t skills = 0;        // bit i: kTradeSkills[i]
  bool shares = true;             // "Share" on: more than name, level, online and roles show
  bool HasSkill(std::size_t index) const { return (skills >> index) & 1U; }
};

// Every character in list order, in memory, so that a list touches only the members it shows
// instead of reading the whole table. It follows the database through the change log the
// characters table keeps (its triggers note every id written, by this process or by an
// admin's command beside it), so whichever connection changed a record, the next Refresh
// sees it. Thread-safe: lists read it side by side, a refresh excludes them briefly.
class MemberDirectory {
 public:
  // Brings the directory up to date with `db`: every character on the first call (and when
  // the change log no longer reaches back to the last change seen), afterwards the
  // characters changed since.
  void Refresh(SqliteConnection& db);
  // The same unless a refresh is running: the lists' own, which need not wait for one. The
  // writer refreshes after every commit before it answers, so a running refresh holds every
  // change answered so far; only an admin's command beside the service can be a list late.
  void RefreshUnlessBusy(SqliteConnection& db);

  // Calls `visit` in list order (highest level first, then by name) from the first member
  // whose level is below `below`, until it returns false.
  void Walk(int below, const std::function<bool(const ListedMember&)>& visit) const;
  // The same for the members among `ids` (unknown ids are skipped).
  void Visit(const std::vector<std::int32_t>& ids,
             const std::function<bool(const ListedMember&)>& visit) const;
  std::size_t Size() const;

 private:
  struct ListOrder {
    bool operator()(const ListedMember& a, const ListedMember& b) const;
  };
  using Ordered = std::set<ListedMember, ListOrder>;

  void Apply(SqliteConnection& db);
  void Reload(SqliteConnection& db);
  void Put(ListedMember member);
  void Drop(std::int32_t id);

  std::mutex refresh_mutex_;  // one refresh at a time; lists go on meanwhile
  mutable std::shared_mutex mutex_;
  Ordered ordered_;
  std::unordered_map<std::int32_t, Ordered::iterator> by_id_;
  std::int64_t last_change_ = -1;  // -1: nothing loaded yet
};

// The skills bits of a record's "lockpick alchemy".
std::uint8_t TradeSkillBits(std::string_view skills);

}  // namespace ostravel::service
