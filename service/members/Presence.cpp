#include "service/members/Presence.h"

#include <mutex>

namespace ostravel::service {

Presence::Presence(std::function<Clock::time_point()> now)
    : now_(std::move(now)), last_sweep_(now_()) {}

void Presence::Note(std::int32_t character, const Entry& entry) {
  if (character == 0) return;
  const auto now = now_();
  std::unique_lock lock(mutex_);
  Seen& seen = seen_[character];
  seen.entry = entry;
  seen.at = now;
  if (now - last_sweep_ >= kOnlineWindow) ForgetGone(now);
}

void Presence::ForgetGone(Clock::time_point now) {
  std::erase_if(seen_, [now](const auto& item) { return !Fresh(item.second, now); });
  last_sweep_ = now;
}

void Presence::Pin(std::int32_t character, const Entry& entry) {
  const auto now = now_();
  std::unique_lock lock(mutex_);
  seen_[character] = {entry, now, true};
}

bool Presence::Fresh(const Seen& seen, Clock::time_point now) {
  return seen.pinned || now - seen.at < kOnlineWindow;
}

std::optional<Presence::Entry> Presence::View::Find(std::int32_t character) const {
  const auto it = presence_.seen_.find(character);
  if (it == presence_.seen_.end() || !Fresh(it->second, now_)) return std::nullopt;
  return it->second.entry;
}

std::optional<Presence::Entry> Presence::Find(std::int32_t character) const {
  std::optional<Entry> found;
  Look([&](const View& view) { found = view.Find(character); });
  return found;
}

void Presence::Look(const std::function<void(const View&)>& look) const {
  const auto now = now_();
  std::shared_lock lock(mutex_);
  look(View(*this, now));
}

std::vector<std::int32_t> Presence::OnlineCharacters() const {
  const auto now = now_();
  std::shared_lock lock(mutex_);
  std::vector<std::int32_t> online;
  for (const auto& [id, seen] : seen_) {
    if (Fresh(seen, now)) online.push_back(id);
  }
  return online;
}

std::size_t Presence::Remembered() const {
  std::shared_lock lock(mutex_);
  return seen_.size();
}

}  // namespace ostravel::service
