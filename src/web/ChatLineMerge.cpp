#include "web/ChatLineMerge.h"

#include <algorithm>

namespace ostravel {
namespace {

// The lines of `from` that are not in `taken`, in order; each line of `taken` takes away one
// equal line, so that a tell saved twice counts twice.
std::vector<TellText> Without(const std::vector<TellText>& from, std::vector<TellText> taken) {
  std::vector<TellText> rest;
  for (const TellText& line : from) {
    const auto found = std::find(taken.begin(), taken.end(), line);
    if (found != taken.end()) {
      taken.erase(found);
    } else {
      rest.push_back(line);
    }
  }
  return rest;
}

bool Contains(const std::vector<TellText>& lines, const TellText& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

void ChatLineMerge::Loaded(std::vector<TellText> rows, std::vector<TellText> saved) {
  rows_ = std::move(rows);
  saved_ = std::move(saved);
}

std::vector<TellText> ChatLineMerge::Merge(const std::vector<TellText>& rows,
                                           const std::vector<TellText>& on_disk) const {
  // New tells go in at the top of the list, so the client's own ones lead it.
  const auto own_end = std::find_if(rows.begin(), rows.end(),
                                    [this](const TellText& row) { return Contains(rows_, row); });
  std::vector<TellText> added_by_others = Without(Without(on_disk, saved_), rows);
  const std::vector<TellText> kept =
      Without(std::vector<TellText>(own_end, rows.end()), Without(saved_, on_disk));

  // Each line another client added goes where it stands on disk: before the first kept row
  // that follows it there (or at the end).
  std::vector<std::vector<TellText>> before(kept.size() + 1);
  std::vector<TellText> pending;
  std::size_t next_kept = 0;
  for (const TellText& line : on_disk) {
    if (const auto added = std::find(added_by_others.begin(), added_by_others.end(), line);
        added != added_by_others.end()) {
      added_by_others.erase(added);
      pending.push_back(line);
      continue;
    }
    const auto at =
        std::find(kept.begin() + static_cast<std::ptrdiff_t>(next_kept), kept.end(), line);
    if (at == kept.end()) continue;
    next_kept = static_cast<std::size_t>(at - kept.begin());
    before[next_kept].insert(before[next_kept].end(), pending.begin(), pending.end());
    pending.clear();
    ++next_kept;
  }
  before.back().insert(before.back().end(), pending.begin(), pending.end());

  std::vector<TellText> merged(rows.begin(), own_end);
  for (std::size_t i = 0; i <= kept.size(); ++i) {
    merged.insert(merged.end(), before[i].begin(), before[i].end());
    if (i < kept.size()) merged.push_back(kept[i]);
  }
  return merged;
}

void ChatLineMerge::Saved(std::vector<TellText> rows, const std::vector<TellText>& written) {
  // The other clients' lines written with ours stay theirs: the next save finds them on disk
  // as still added by them (or gone, if they deleted them since).
  saved_ = Without(written, Without(written, rows));
  rows_ = std::move(rows);
}

}  // namespace ostravel
