#include "service/store/FellowshipTable.h"

namespace ostravel::service {
namespace {

std::vector<FellowRow> FellowsOf(SqliteConnection& db, std::int32_t poster) {
  SqliteStatement& statement =
      db.Prepare("SELECT id, name, level FROM fellows WHERE poster_id = ?1 ORDER BY position")
          .Bind(1, poster);
  return ReadRows(statement, [](SqliteStatement& row) {
    return FellowRow{static_cast<std::int32_t>(row.Int(0)), row.Text(1),
                     static_cast<int>(row.Int(2))};
  });
}

}  // namespace

std::vector<FellowshipRow> AllFellowships(SqliteConnection& db, std::int64_t limit) {
  SqliteStatement& statement =
      db.Prepare(
            "SELECT poster_id, name, leader_id, leader_name, leader_level, shared_xp FROM "
            "fellowships ORDER BY name, poster_id LIMIT ?1")
          .Bind(1, limit);
  std::vector<FellowshipRow> rows;
  while (statement.Step()) {
    FellowshipRow row;
    row.poster_id = static_cast<std::int32_t>(statement.Int(0));
    row.name = statement.Text(1);
    row.leader_id = static_cast<std::int32_t>(statement.Int(2));
    row.leader_name = statement.Text(3);
    row.leader_level = static_cast<int>(statement.Int(4));
    row.shared_xp = statement.Int(5) != 0;
    rows.push_back(std::move(row));
  }
  for (FellowshipRow& row : rows) row.fellows = FellowsOf(db, row.poster_id);
  return rows;
}

std::set<std::int32_t> CharactersInFellowships(SqliteConnection& db) {
  SqliteStatement& statement =
      db.Prepare("SELECT leader_id FROM fellowships UNION SELECT id FROM fellows");
  std::set<std::int32_t> ids;
  while (statement.Step()) ids.insert(static_cast<std::int32_t>(statement.Int(0)));
  return ids;
}

std::string FellowshipLedBy(SqliteConnection& db, std::int32_t leader) {
  SqliteStatement& statement =
      db.Prepare("SELECT name FROM fellowships WHERE leader_id = ?1 OR poster_id = ?1 LIMIT 1")
          .Bind(1, leader);
  if (!statement.Step()) return {};
  std::string name = statement.Text(0);
  statement.Reset();
  return name;
}

void EraseFellowship(SqliteConnection& db, std::int32_t poster) {
  db.Prepare("DELETE FROM fellowships WHERE poster_id = ?1").Bind(1, poster).Run();
}

void SaveFellowship(SqliteConnection& db, const FellowshipRow& fellowship, std::string_view at) {
  EraseFellowship(db, fellowship.poster_id);
  db.Prepare(
        "DELETE FROM fellowships WHERE leader_id = ?1 OR poster_id IN "
        "(SELECT poster_id FROM fellows WHERE id = ?1)")
      .Bind(1, fellowship.poster_id)
      .Run();
  db.Prepare(
        "INSERT INTO fellowships (poster_id, name, leader_id, leader_name, leader_level, "
        "shared_xp, reported_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)")
      .Bind(1, fellowship.poster_id)
      .Bind(2, fellowship.name)
      .Bind(3, fellowship.leader_id)
      .Bind(4, fellowship.leader_name)
      .Bind(5, fellowship.leader_level)
      .Bind(6, fellowship.shared_xp ? 1 : 0)
      .Bind(7, at)
      .Run();
  int position = 0;
  for (const FellowRow& fellow : fellowship.fellows) {
    db.Prepare(
          "INSERT INTO fellows (poster_id, position, id, name, level) VALUES (?1, ?2, ?3, ?4, ?5)")
        .Bind(1, fellowship.poster_id)
        .Bind(2, ++position)
        .Bind(3, fellow.id)
        .Bind(4, fellow.name)
        .Bind(5, fellow.level)
        .Run();
  }
}

}  // namespace ostravel::service
