#include "service/Presence.h"

namespace ostravel::service {

void Presence::Note(std::int32_t character, const Entry& entry) {
  if (character == 0) return;
  std::lock_guard lock(mutex_);
  Seen& seen = seen_[character];
  seen.entry = entry;
  seen.at = Clock::now();
}

void Presence::Pin(std::int32_t character, const Entry& entry) {
  std::lock_guard lock(mutex_);
  seen_[character] = {entry, Clock::now(), true};
}

bool Presence::Fresh(const Seen& seen, Clock::time_point now) const {
  return seen.pinned || now - seen.at < kOnlineWindow;
}

std::optional<Presence::Entry> Presence::Find(std::int32_t character) const {
  std::lock_guard lock(mutex_);
  const auto it = seen_.find(character);
  if (it == seen_.end() || !Fresh(it->second, Clock::now())) return std::nullopt;
  return it->second.entry;
}

std::vector<std::int32_t> Presence::OnlineCharacters() const {
  std::lock_guard lock(mutex_);
  std::vector<std::int32_t> online;
  const auto now = Clock::now();
  for (const auto& [id, seen] : seen_) {
    if (Fresh(seen, now)) online.push_back(id);
  }
  return online;
}

}  // namespace ostravel::service
