#include "service/store/KeyTable.h"

#include <openssl/evp.h>

#include <array>
#include <random>
#include <stdexcept>

namespace ostravel::service {
namespace {

constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kMinKeyLength = 16;
constexpr std::size_t kMaxKeyLength = 128;

std::string Base64Url(const std::array<unsigned char, kKeyBytes>& bytes) {
  static constexpr std::string_view kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  unsigned bits = 0;
  int held = 0;
  for (const unsigned char byte : bytes) {
    bits = (bits << 8) | byte;
    held += 8;
    while (held >= 6) {
      held -= 6;
      out += kDigits[(bits >> held) & 0x3F];
    }
  }
  if (held > 0) out += kDigits[(bits << (6 - held)) & 0x3F];
  return out;
}

bool KeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

}  // namespace

std::string NewAccessKey() {
  // Read straight from the kernel's source rather than a generator seeded once: a key that
  // could be predicted from another would let one player become another.
  std::random_device source("/dev/urandom");
  std::array<unsigned char, kKeyBytes> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const unsigned word = source();
    for (std::size_t j = 0; j < 4; ++j) bytes[i + j] = static_cast<unsigned char>(word >> (8 * j));
  }
  return Base64Url(bytes);
}

std::string KeyHash(std::string_view key) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned length = 0;
  if (EVP_Digest(key.data(), key.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is not available");
  }
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string hex;
  for (unsigned i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0xF];
  }
  return hex;
}

bool IsWellFormedKey(std::string_view key) {
  if (key.size() < kMinKeyLength || key.size() > kMaxKeyLength) return false;
  for (const char c : key) {
    if (!KeyCharacter(c)) return false;
  }
  return true;
}

KeyState ReadKeyState(SqliteConnection& db, std::int32_t character) {
  SqliteStatement& rows = db.Prepare(
                                "SELECT key_hash, issued_at, used_at FROM character_keys "
                                "WHERE character_id = ?1 ORDER BY issued_at")
                              .Bind(1, character);
  KeyState state;
  while (rows.Step()) {
    state.issued_at = rows.Text(1);
    if (rows.IsNull(2)) {
      state.offered.push_back(rows.Text(0));
    } else {
      state.in_use = rows.Text(0);
      state.used_at = rows.Text(2);
    }
  }
  return state;
}

void OfferKey(SqliteConnection& db, std::int32_t character, std::string_view hash,
              std::string_view at) {
  db.Prepare("INSERT INTO character_keys (character_id, key_hash, issued_at) VALUES (?1, ?2, ?3)")
      .Bind(1, character)
      .Bind(2, hash)
      .Bind(3, at)
      .Run();
}

void TakeKeyIntoUse(SqliteConnection& db, std::int32_t character, std::string_view hash,
                    std::string_view at) {
  db.Prepare("DELETE FROM character_keys WHERE character_id = ?1 AND key_hash <> ?2")
      .Bind(1, character)
      .Bind(2, hash)
      .Run();
  db.Prepare("UPDATE character_keys SET used_at = ?3 WHERE character_id = ?1 AND key_hash = ?2")
      .Bind(1, character)
      .Bind(2, hash)
      .Bind(3, at)
      .Run();
}

void NoteKeyUsed(SqliteConnection& db, std::int32_t character, std::string_view at) {
  db.Prepare(
        "UPDATE character_keys SET used_at = ?2 WHERE character_id = ?1 AND used_at IS NOT NULL")
      .Bind(1, character)
      .Bind(2, at)
      .Run();
}

bool ForgetKeys(SqliteConnection& db, std::int32_t character) {
  db.Prepare("DELETE FROM character_keys WHERE character_id = ?1").Bind(1, character).Run();
  return db.Changes() > 0;
}

std::vector<KeyListing> ListKeys(SqliteConnection& db) {
  SqliteStatement& rows = db.Prepare(
      "WITH ids(id) AS (SELECT id FROM characters UNION SELECT character_id FROM character_keys) "
      "SELECT ids.id, coalesce(c.name, ''), "
      "(SELECT max(used_at) FROM character_keys k WHERE k.character_id = ids.id), "
      "(SELECT max(issued_at) FROM character_keys k WHERE k.character_id = ids.id) "
      "FROM ids LEFT JOIN characters c ON c.id = ids.id ORDER BY c.name_key, ids.id");
  std::vector<KeyListing> listing;
  while (rows.Step()) {
    KeyListing line{static_cast<std::int32_t>(rows.Int(0)), rows.Text(1), "none", ""};
    if (!rows.IsNull(2)) {
      line.state = "in use";
      line.at = rows.Text(2);
    } else if (!rows.IsNull(3)) {
      line.state = "given";
      line.at = rows.Text(3);
    }
    listing.push_back(std::move(line));
  }
  return listing;
}

}  // namespace ostravel::service
