#include "service/members/MemberDirectory.h"

#include <algorithm>
#include <climits>

#include "base/AsciiText.h"
#include "base/Words.h"
#include "service/store/CharacterTable.h"

namespace ostravel::service {
namespace {

ListedMember Listed(const CharacterRow& row) {
  return {row.id,
          row.level,
          row.name,
          row.template_name,
          row.pk,
          row.wants_fellowship,
          TradeSkillBits(row.skills),
          row.shares_info};
}

struct Change {
  std::int64_t seq = 0;
  std::int32_t id = 0;
};

std::vector<Change> ChangesSince(SqliteConnection& db, std::int64_t seq) {
  SqliteStatement& statement =
      db.Prepare("SELECT seq, id FROM character_changes WHERE seq > ?1 ORDER BY seq").Bind(1, seq);
  std::vector<Change> changes;
  while (statement.Step()) {
    changes.push_back({statement.Int(0), static_cast<std::int32_t>(statement.Int(1))});
  }
  return changes;
}

}  // namespace

std::uint8_t TradeSkillBits(std::string_view skills) {
  std::uint8_t bits = 0;
  for (const auto word : SplitWords(skills)) {
    const auto it = std::find(kTradeSkills.begin(), kTradeSkills.end(), LowerCase(word));
    if (it != kTradeSkills.end())
      bits |= static_cast<std::uint8_t>(1U << (it - kTradeSkills.begin()));
  }
  return bits;
}

bool MemberDirectory::ListOrder::operator()(const ListedMember& a, const ListedMember& b) const {
  if (a.level != b.level) return a.level > b.level;
  if (a.name != b.name) return a.name < b.name;
  return a.id < b.id;
}

void MemberDirectory::Refresh(SqliteConnection& db) {
  std::lock_guard refreshing(refresh_mutex_);
  Apply(db);
}

void MemberDirectory::RefreshUnlessBusy(SqliteConnection& db) {
  std::unique_lock refreshing(refresh_mutex_, std::try_to_lock);
  if (refreshing.owns_lock()) Apply(db);
}

void MemberDirectory::Apply(SqliteConnection& db) {
  if (last_change_ < 0) return Reload(db);
  const std::vector<Change> changes = ChangesSince(db, last_change_);
  if (changes.empty()) return;
  // The log keeps only the latest changes; a gap means some were dropped unseen.
  if (changes.front().seq != last_change_ + 1) return Reload(db);
  std::vector<std::optional<CharacterRow>> rows;
  for (const Change& change : changes) rows.push_back(FindCharacter(db, change.id));
  std::unique_lock lock(mutex_);
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (rows[i]) {
      Put(Listed(*rows[i]));
    } else {
      Drop(changes[i].id);
    }
  }
  last_change_ = changes.back().seq;
}

void MemberDirectory::Reload(SqliteConnection& db) {
  // The log's end is read first: a change committed while the rows are read is then read
  // again by the next refresh, which does no harm.
  const std::int64_t last = db.QueryInt("SELECT coalesce(max(seq), 0) FROM character_changes");
  std::vector<CharacterRow> rows = AllCharacters(db);
  std::unique_lock lock(mutex_);
  ordered_.clear();
  by_id_.clear();
  for (const CharacterRow& row : rows) Put(Listed(row));
  last_change_ = last;
}

void MemberDirectory::Put(ListedMember member) {
  Drop(member.id);
  const std::int32_t id = member.id;
  by_id_[id] = ordered_.insert(std::move(member)).first;
}

void MemberDirectory::Drop(std::int32_t id) {
  const auto it = by_id_.find(id);
  if (it == by_id_.end()) return;
  ordered_.erase(it->second);
  by_id_.erase(it);
}

void MemberDirectory::Walk(int below, const std::function<bool(const ListedMember&)>& visit) const {
  std::shared_lock lock(mutex_);
  const ListedMember probe{INT32_MIN, below == INT_MIN ? INT_MIN : below - 1, {}, {}, false, false,
                           0};
  for (auto it = ordered_.lower_bound(probe); it != ordered_.end(); ++it) {
    if (!visit(*it)) return;
  }
}

void MemberDirectory::Visit(const std::vector<std::int32_t>& ids,
                            const std::function<bool(const ListedMember&)>& visit) const {
  std::shared_lock lock(mutex_);
  std::vector<const ListedMember*> picked;
  for (const std::int32_t id : ids) {
    if (const auto it = by_id_.find(id); it != by_id_.end()) picked.push_back(&*it->second);
  }
  std::sort(picked.begin(), picked.end(),
            [](const ListedMember* a, const ListedMember* b) { return ListOrder()(*a, *b); });
  for (const ListedMember* member : picked) {
    if (!visit(*member)) return;
  }
}

std::size_t MemberDirectory::Size() const {
  std::shared_lock lock(mutex_);
  return ordered_.size();
}

}  // namespace ostravel::service
