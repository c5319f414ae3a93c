#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// A character's keys as the database holds them: hashes only. A key is offered when the
// service hands it out and in use from the first request that carries it; then the other
// offers are dropped.
struct KeyState {
  std::vector<std::string> offered;   // hashes handed out, none used yet
  std::optional<std::string> in_use;  // the hash of the key in use
  std::string issued_at;              // of the latest key
  std::string used_at;                // when the key in use was last seen (coarsely)
};

// A new key: 32 bytes of the operating system's random source in base64url, 43 characters.
std::string NewAccessKey();
// The hex SHA-256 of a key: what the database keeps instead of the key.
std::string KeyHash(std::string_view key);
// The keys the service gives and takes: [A-Za-z0-9_-], 16 to 128 characters.
bool IsWellFormedKey(std::string_view key);

KeyState ReadKeyState(SqliteConnection& db, std::int32_t character);
void OfferKey(SqliteConnection& db, std::int32_t character, std::string_view hash,
              std::string_view at);
// Makes the offered key `hash` the character's key and drops the other offers.
void TakeKeyIntoUse(SqliteConnection& db, std::int32_t character, std::string_view hash,
                    std::string_view at);
void NoteKeyUsed(SqliteConnection& db, std::int32_t character, std::string_view at);
// Forgets every key of the character; false when it had none.
bool ForgetKeys(SqliteConnection& db, std::int32_t character);

// One line of the admin's list: a character and its key's state.
struct KeyListing {
  std::int32_t id = 0;
  std::string name;   // "" for a character that has sent no record
  std::string state;  // "none", "given", "in use"
  std::string at;     // given: when; in use: last used; none: ""
};
// Every character with a record or a key, by name.
std::vector<KeyListing> ListKeys(SqliteConnection& db);

}  // namespace ostravel::service
