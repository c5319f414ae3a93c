#include "service/members/AccessKeys.h"

#include <algorithm>

namespace ostravel::service {
namespace {

// "YYYY-MM-DD hh:m": the last use is written again only when this much of it changes, so that
// a character's requests do not each cost a write.
constexpr std::size_t kUseResolution = 15;

bool Offered(const KeyState& state, const std::string& hash) {
  return std::find(state.offered.begin(), state.offered.end(), hash) != state.offered.end();
}

KeyVerdict Refused(std::string_view key) {
  return {true, {}, key.empty() ? "missing key" : "wrong key"};
}

}  // namespace

KeyVerdict AccessKeys::Check(Database& database, std::int32_t character, std::string_view key,
                             const std::string& now) {
  KeyState state;
  database.Read([&](SqliteConnection& db) {
    state = ReadKeyState(db, character);
    return std::string();
  });
  const std::string hash = key.empty() ? std::string() : KeyHash(key);
  if (state.in_use) {
    if (hash != *state.in_use) return Refused(key);
    if (state.used_at.substr(0, kUseResolution) != now.substr(0, kUseResolution)) {
      // Only bookkeeping: a database busy elsewhere must not turn away a rightful request,
      // and a later request notes the use again.
      try {
        database.Write([&](SqliteConnection& db) {
          NoteKeyUsed(db, character, now);
          return std::string();
        });
      } catch (const std::exception&) {
      }
    }
    return {};
  }
  if (!state.offered.empty() && !key.empty()) {
    if (Offered(state, hash)) return TakeIntoUse(database, character, hash, now);
    return Refused(key);
  }
  if (std::string again = StillOffered(character, state); !again.empty()) {
    return {false, std::move(again), {}};
  }
  return Offer(database, character, now);
}

std::string AccessKeys::StillOffered(std::int32_t character, const KeyState& state) {
  std::lock_guard lock(mutex_);
  const auto it = handed_out_.find(character);
  // A stale entry (its offer reset meanwhile, or not yet committed when `state` was read) is
  // left for the writer to replace: dropping it here could make two offers out of one.
  if (it == handed_out_.end() || !Offered(state, KeyHash(it->second))) return {};
  return it->second;
}

KeyVerdict AccessKeys::Offer(Database& database, std::int32_t character, const std::string& now) {
  KeyVerdict verdict;
  database.Write([&](SqliteConnection& db) {
    // Again on the writer: another request of the same character may have been first.
    const KeyState state = ReadKeyState(db, character);
    if (state.in_use) {
      verdict = Refused({});
    } else if (std::string again = StillOffered(character, state); !again.empty()) {
      verdict.issued = std::move(again);
    } else {
      verdict.issued = NewAccessKey();
      OfferKey(db, character, KeyHash(verdict.issued), now);
      std::lock_guard lock(mutex_);
      handed_out_[character] = verdict.issued;
    }
    return std::string();
  });
  return verdict;
}

KeyVerdict AccessKeys::TakeIntoUse(Database& database, std::int32_t character,
                                   const std::string& hash, const std::string& now) {
  KeyVerdict verdict;
  database.Write([&](SqliteConnection& db) {
    const KeyState state = ReadKeyState(db, character);
    if (state.in_use ? *state.in_use != hash : !Offered(state, hash)) {
      verdict = {true, {}, "wrong key"};
    } else if (!state.in_use) {
      TakeKeyIntoUse(db, character, hash, now);
    }
    return std::string();
  });
  std::lock_guard lock(mutex_);
  handed_out_.erase(character);
  return verdict;
}

}  // namespace ostravel::service
