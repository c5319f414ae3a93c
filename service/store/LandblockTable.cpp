#include "service/store/LandblockTable.h"

namespace ostravel::service {

std::optional<LandblockText> FindLandblockText(SqliteConnection& db, std::uint32_t location) {
  SqliteStatement& statement = db.Prepare("SELECT text, set_by FROM landblocks WHERE block = ?1")
                                   .Bind(1, LandblockOf(location));
  if (!statement.Step()) return std::nullopt;
  LandblockText found{statement.Text(0), static_cast<std::int32_t>(statement.Int(1))};
  statement.Reset();
  return found;
}

void SaveLandblockText(SqliteConnection& db, std::uint32_t location, std::string_view text,
                       std::int32_t set_by, std::string_view at) {
  db.Prepare(
        "INSERT OR REPLACE INTO landblocks (block, text, set_by, set_at) VALUES (?1, ?2, ?3, ?4)")
      .Bind(1, LandblockOf(location))
      .Bind(2, text)
      .Bind(3, set_by)
      .Bind(4, at)
      .Run();
}

}  // namespace ostravel::service
