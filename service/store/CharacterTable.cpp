#include "service/store/CharacterTable.h"

#include <algorithm>
#include <stdexcept>

#include "base/AsciiText.h"

namespace ostravel::service {
namespace {

constexpr const char* kColumns =
    "id, name, level, template, server, race, gender, rank, followers, vassals, monarch_id, "
    "patron_id, monarch_name, patron_name, shares_info, pk, wants_fellowship, skills, updated_at";

std::string Select(std::string_view where) {
  return std::string("SELECT ") + kColumns + " FROM characters " + std::string(where);
}

CharacterRow ReadRow(const SqliteStatement& s) {
  CharacterRow row;
  row.id = static_cast<std::int32_t>(s.Int(0));
  row.name = s.Text(1);
  row.level = static_cast<int>(s.Int(2));
  row.template_name = s.Text(3);
  row.server = s.Text(4);
  row.race = s.Text(5);
  row.gender = s.Text(6);
  row.rank = static_cast<int>(s.Int(7));
  row.followers = static_cast<int>(s.Int(8));
  row.vassals = static_cast<int>(s.Int(9));
  row.monarch_id = static_cast<std::int32_t>(s.Int(10));
  row.patron_id = static_cast<std::int32_t>(s.Int(11));
  row.monarch_name = s.Text(12);
  row.patron_name = s.Text(13);
  row.shares_info = s.Int(14) != 0;
  row.pk = s.Int(15) != 0;
  row.wants_fellowship = s.Int(16) != 0;
  row.skills = s.Text(17);
  row.updated_at = s.Text(18);
  return row;
}

std::optional<CharacterRow> One(SqliteStatement& statement) {
  if (!statement.Step()) return std::nullopt;
  CharacterRow row = ReadRow(statement);
  statement.Reset();
  return row;
}

AllegianceNode ReadNode(const SqliteStatement& s) {
  return {static_cast<std::int32_t>(s.Int(0)),
          s.Text(1),
          static_cast<std::int32_t>(s.Int(2)),
          static_cast<std::int32_t>(s.Int(3)),
          static_cast<int>(s.Int(4)),
          s.Text(5),
          s.Text(6),
          s.Text(7)};
}

constexpr const char* kNodeSelect =
    "SELECT id, name, patron_id, monarch_id, rank, gender, race, produced_xp FROM allegiance ";

}  // namespace

std::string NameKey(std::string_view name) {
  return LowerCase(name);
}

std::optional<CharacterRow> FindCharacter(SqliteConnection& db, std::int32_t id) {
  static const std::string sql = Select("WHERE id = ?1");
  return One(db.Prepare(sql).Bind(1, id));
}

std::optional<CharacterRow> FindCharacterNamed(SqliteConnection& db, std::string_view name) {
  static const std::string sql =
      Select("WHERE name_key = ?1 ORDER BY updated_at DESC, id DESC LIMIT 1");
  return One(db.Prepare(sql).Bind(1, NameKey(name)));
}

std::vector<std::int32_t> CharacterIdsNamed(SqliteConnection& db, std::string_view name) {
  SqliteStatement& statement =
      db.Prepare("SELECT id FROM characters WHERE name_key = ?1").Bind(1, NameKey(name));
  std::vector<std::int32_t> ids;
  while (statement.Step()) ids.push_back(static_cast<std::int32_t>(statement.Int(0)));
  return ids;
}

std::vector<SeenCharacter> CharactersSeenSince(SqliteConnection& db, std::string_view since) {
  SqliteStatement& statement =
      db.Prepare(
            "SELECT name, level, template, updated_at FROM characters WHERE updated_at >= ?1 "
            "AND shares_info <> 0 ORDER BY updated_at DESC, name_key")
          .Bind(1, since);
  return ReadRows(statement, [](SqliteStatement& row) {
    return SeenCharacter{row.Text(0), static_cast<int>(row.Int(1)), row.Text(2), row.Text(3)};
  });
}

std::vector<CharacterRow> AllCharacters(SqliteConnection& db) {
  static const std::string sql = Select("ORDER BY level DESC, name");
  SqliteStatement& statement = db.Prepare(sql);
  std::vector<CharacterRow> rows;
  while (statement.Step()) rows.push_back(ReadRow(statement));
  return rows;
}

void SaveCharacter(SqliteConnection& db, const CharacterRow& row, std::string_view record) {
  db.Prepare(
        "INSERT OR REPLACE INTO characters (id, name, name_key, level, template, server, race, "
        "gender, rank, followers, vassals, monarch_id, patron_id, monarch_name, patron_name, "
        "shares_info, pk, wants_fellowship, skills, updated_at, record) VALUES (?1, ?2, ?3, ?4, "
        "?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21)")
      .Bind(1, row.id)
      .Bind(2, row.name)
      .Bind(3, NameKey(row.name))
      .Bind(4, row.level)
      .Bind(5, row.template_name)
      .Bind(6, row.server)
      .Bind(7, row.race)
      .Bind(8, row.gender)
      .Bind(9, row.rank)
      .Bind(10, row.followers)
      .Bind(11, row.vassals)
      .Bind(12, row.monarch_id)
      .Bind(13, row.patron_id)
      .Bind(14, row.monarch_name)
      .Bind(15, row.patron_name)
      .Bind(16, row.shares_info ? 1 : 0)
      .Bind(17, row.pk ? 1 : 0)
      .Bind(18, row.wants_fellowship ? 1 : 0)
      .Bind(19, row.skills)
      .Bind(20, row.updated_at)
      .Bind(21, record)
      .Run();
}

std::vector<std::int32_t> RenameCharacter(SqliteConnection& db, std::int32_t id,
                                          std::string_view name) {
  std::vector<std::int32_t> lost;
  for (const std::int32_t holder : CharacterIdsNamed(db, name)) {
    if (holder == id) continue;
    db.Prepare("DELETE FROM characters WHERE id = ?1").Bind(1, holder).Run();
    lost.push_back(holder);
  }
  db.Prepare("UPDATE characters SET name = ?2, name_key = ?3 WHERE id = ?1")
      .Bind(1, id)
      .Bind(2, name)
      .Bind(3, NameKey(name))
      .Run();
  if (db.Changes() == 0 && lost.empty()) {
    throw std::invalid_argument("no character with id " + std::to_string(id) +
                                " and nobody named " + std::string(name) +
                                "; ostravel-service keys lists them");
  }
  db.Prepare("UPDATE allegiance SET name = ?2 WHERE id = ?1").Bind(1, id).Bind(2, name).Run();
  return lost;
}

namespace {

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> ClosestNames(SqliteConnection& db, std::string_view name,
                                      std::size_t count) {
  const std::string key = NameKey(name);
  // Farther than this, a name is another name rather than a slip.
  const std::size_t limit = std::max<std::size_t>(2, key.size() / 3);
  std::vector<std::pair<std::size_t, std::string>> near;
  SqliteStatement& rows = db.Prepare("SELECT name, name_key FROM characters");
  while (rows.Step()) {
    const std::string other = rows.Text(1);
    const std::size_t distance = other.starts_with(key) ? 1 : EditDistance(key, other);
    if (distance <= limit) near.emplace_back(distance, rows.Text(0));
  }
  std::sort(near.begin(), near.end());
  std::vector<std::string> names;
  for (std::size_t i = 0; i < near.size() && i < count; ++i) names.push_back(near[i].second);
  return names;
}

void NoteRefusedRecord(SqliteConnection& db, std::int32_t id, std::string_view claimed,
                       std::string_view known, std::string_view at) {
  db.Prepare(
        "INSERT INTO refused_records (character_id, claimed_name, known_name, at) "
        "VALUES (?1, ?2, ?3, ?4)")
      .Bind(1, id)
      .Bind(2, claimed)
      .Bind(3, known)
      .Bind(4, at)
      .Run();
}

void SaveAllegianceNode(SqliteConnection& db, const AllegianceNode& node, std::int32_t reported_by,
                        std::string_view at) {
  db.Prepare(
        "INSERT OR REPLACE INTO allegiance (id, name, patron_id, monarch_id, rank, gender, race, "
        "produced_xp, reported_by, reported_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)")
      .Bind(1, node.id)
      .Bind(2, node.name)
      .Bind(3, node.patron_id)
      .Bind(4, node.monarch_id)
      .Bind(5, node.rank)
      .Bind(6, node.gender)
      .Bind(7, node.race)
      .Bind(8, node.produced_xp)
      .Bind(9, reported_by)
      .Bind(10, at)
      .Run();
}

std::optional<AllegianceNode> FindAllegianceNode(SqliteConnection& db, std::int32_t id) {
  static const std::string sql = std::string(kNodeSelect) + "WHERE id = ?1";
  SqliteStatement& statement = db.Prepare(sql).Bind(1, id);
  if (!statement.Step()) return std::nullopt;
  AllegianceNode node = ReadNode(statement);
  statement.Reset();
  return node;
}

std::vector<AllegianceNode> VassalsOf(SqliteConnection& db, std::int32_t id) {
  static const std::string sql = std::string(kNodeSelect) + "WHERE patron_id = ?1 ORDER BY name";
  SqliteStatement& statement = db.Prepare(sql).Bind(1, id);
  std::vector<AllegianceNode> nodes;
  while (statement.Step()) nodes.push_back(ReadNode(statement));
  return nodes;
}

std::string MostNamedMonarch(SqliteConnection& db) {
  SqliteStatement& statement = db.Prepare(
      "SELECT monarch_name FROM characters WHERE monarch_name != '' GROUP BY monarch_name "
      "ORDER BY COUNT(*) DESC, monarch_name LIMIT 1");
  return statement.Step() ? statement.Text(0) : std::string();
}

}  // namespace ostravel::service
