#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// A character as its latest record (update.php) describes it.
struct CharacterRow {
  std::int32_t id = 0;
  std::string name;
  int level = 1;
  std::string template_name;
  std::string server;
  std::string race;
  std::string gender;
  int rank = 0;
  int followers = 0;
  int vassals = 0;
  std::int32_t monarch_id = 0;
  std::int32_t patron_id = 0;
  std::string monarch_name;  // as the record names them
  std::string patron_name;
  bool shares_info = true;  // "Share info" of the Update tab
  bool pk = false;
  bool wants_fellowship = false;
  std::string skills;  // trained trade skills, space-separated: "lockpick alchemy"
  std::string updated_at;
};

// One place in the allegiance tree, as a character's record describes its monarch, its
// patron, its vassals and itself.
struct AllegianceNode {
  std::int32_t id = 0;
  std::string name;
  std::int32_t patron_id = 0;  // 0: none known (a monarch)
  std::int32_t monarch_id = 0;
  int rank = 0;
  std::string gender;
  std::string race;
  std::string produced_xp = "0";
};

// Names compare without regard to ASCII letter case, as players type them in chat.
std::string NameKey(std::string_view name);

std::optional<CharacterRow> FindCharacter(SqliteConnection& db, std::int32_t id);
// The character of that name that updated last.
std::optional<CharacterRow> FindCharacterNamed(SqliteConnection& db, std::string_view name);
// The ids of the characters whose name has this key (letter case aside).
std::vector<std::int32_t> CharacterIdsNamed(SqliteConnection& db, std::string_view name);
// Up to `count` names of characters that come closest to `name` (fewest letters to change,
// letter case aside), for a line that says a name is unknown; none when nothing is close.
std::vector<std::string> ClosestNames(SqliteConnection& db, std::string_view name,
                                      std::size_t count);
// A character as the lists of who was seen lately show it.
struct SeenCharacter {
  std::string name;
  int level = 0;
  std::string template_name;
  std::string updated_at;
};
// The characters whose latest record came at or after `since`, latest first; not those who
// share nothing, whose last record's time is theirs to keep.
std::vector<SeenCharacter> CharactersSeenSince(SqliteConnection& db, std::string_view since);
// Every character, highest level first, then by name.
std::vector<CharacterRow> AllCharacters(SqliteConnection& db);
// Inserts or replaces the character; `record` is the whole record as it arrived.
void SaveCharacter(SqliteConnection& db, const CharacterRow& row, std::string_view record);
// Gives the name to the character `id`: a character known under another id loses its record
// (a name belongs to one character), and `id`, when known, is renamed. Returns the ids that
// lost the name; throws std::invalid_argument when `id` is unknown and nobody held the name.
std::vector<std::int32_t> RenameCharacter(SqliteConnection& db, std::int32_t id,
                                          std::string_view name);
// Notes a record refused because it named a known character differently.
void NoteRefusedRecord(SqliteConnection& db, std::int32_t id, std::string_view claimed,
                       std::string_view known, std::string_view at);

void SaveAllegianceNode(SqliteConnection& db, const AllegianceNode& node, std::int32_t reported_by,
                        std::string_view at);
std::optional<AllegianceNode> FindAllegianceNode(SqliteConnection& db, std::int32_t id);
// The direct vassals of a character, by name.
std::vector<AllegianceNode> VassalsOf(SqliteConnection& db, std::int32_t id);

// The monarch's name most characters' records give; "" when none names one.
std::string MostNamedMonarch(SqliteConnection& db);

}  // namespace ostravel::service
