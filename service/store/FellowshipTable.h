#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

struct FellowRow {
  std::int32_t id = 0;
  std::string name;
  int level = 0;
};

// A fellowship as its leader (the poster) last reported it.
struct FellowshipRow {
  std::int32_t poster_id = 0;
  std::string name;
  std::int32_t leader_id = 0;
  std::string leader_name;
  int leader_level = 0;
  bool shared_xp = false;
  std::vector<FellowRow> fellows;
};

// The fellowships by name, at most `limit` of them (-1: all).
std::vector<FellowshipRow> AllFellowships(SqliteConnection& db, std::int64_t limit = -1);
// Everyone who leads or belongs to a recorded fellowship.
std::set<std::int32_t> CharactersInFellowships(SqliteConnection& db);
// The name of the fellowship the character leads, or "".
std::string FellowshipLedBy(SqliteConnection& db, std::int32_t leader);
// Replaces the poster's record. The poster is in one fellowship at a time: older records that
// list it (a former leader's, say) are ended; other fellowships' records are theirs to end.
void SaveFellowship(SqliteConnection& db, const FellowshipRow& fellowship, std::string_view at);
// Ends the poster's record, if any.
void EraseFellowship(SqliteConnection& db, std::int32_t poster);

}  // namespace ostravel::service
