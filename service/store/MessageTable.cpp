#include "service/store/MessageTable.h"

namespace ostravel::service {
namespace {

constexpr const char* kSelect =
    "SELECT id, sender_id, recipient_id, recipient_name, body, sent_at, is_read, "
    "sender_deleted, recipient_deleted FROM messages ";

MessageRow ReadRow(const SqliteStatement& s) {
  MessageRow row;
  row.id = s.Int(0);
  row.sender_id = static_cast<std::int32_t>(s.Int(1));
  row.recipient_id = static_cast<std::int32_t>(s.Int(2));
  row.recipient_name = s.Text(3);
  row.body = s.Text(4);
  row.sent_at = s.Text(5);
  row.read = s.Int(6) != 0;
  row.sender_deleted = s.Int(7) != 0;
  row.recipient_deleted = s.Int(8) != 0;
  return row;
}

std::vector<MessageRow> All(SqliteStatement& statement) {
  std::vector<MessageRow> rows;
  while (statement.Step()) rows.push_back(ReadRow(statement));
  return rows;
}

}  // namespace

bool IsRecipient(const MessageRow& message, const Mailbox& mailbox) {
  // A message of an older release held for a name (recipient 0) goes to nobody: whoever took
  // the name first would have got it.
  if (mailbox.id == 0 || message.recipient_deleted) return false;
  return message.recipient_id == mailbox.id;
}

bool IsSender(const MessageRow& message, const Mailbox& mailbox) {
  return mailbox.id != 0 && message.sender_id == mailbox.id && !message.sender_deleted;
}

std::int64_t InsertMessage(SqliteConnection& db, const MessageRow& message) {
  db.Prepare(
        "INSERT INTO messages (sender_id, recipient_id, recipient_name, body, sent_at, is_read) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
      .Bind(1, message.sender_id)
      .Bind(2, message.recipient_id)
      .Bind(3, message.recipient_name)
      .Bind(4, message.body)
      .Bind(5, message.sent_at)
      .Bind(6, message.read ? 1 : 0)
      .Run();
  return db.LastInsertId();
}

std::optional<MessageRow> FindMessage(SqliteConnection& db, std::int64_t id) {
  static const std::string sql = std::string(kSelect) + "WHERE id = ?1";
  SqliteStatement& statement = db.Prepare(sql).Bind(1, id);
  if (!statement.Step()) return std::nullopt;
  MessageRow row = ReadRow(statement);
  statement.Reset();
  return row;
}

std::vector<MessageRow> Inbox(SqliteConnection& db, const Mailbox& mailbox) {
  static const std::string sql = std::string(kSelect) +
                                 "WHERE recipient_deleted = 0 AND recipient_id = ?1 AND ?1 <> 0 "
                                 "ORDER BY sent_at DESC, id DESC";
  return All(db.Prepare(sql).Bind(1, mailbox.id));
}

std::vector<MessageRow> Outbox(SqliteConnection& db, const Mailbox& mailbox) {
  static const std::string sql = std::string(kSelect) +
                                 "WHERE sender_id = ?1 AND sender_deleted = 0 "
                                 "ORDER BY sent_at DESC, id DESC";
  return All(db.Prepare(sql).Bind(1, mailbox.id));
}

void MarkRead(SqliteConnection& db, std::int64_t id) {
  db.Prepare("UPDATE messages SET is_read = 1 WHERE id = ?1").Bind(1, id).Run();
}

void MarkDeleted(SqliteConnection& db, std::int64_t id, bool by_recipient, bool by_sender) {
  db.Prepare(
        "UPDATE messages SET recipient_deleted = max(recipient_deleted, ?2), "
        "sender_deleted = max(sender_deleted, ?3) WHERE id = ?1")
      .Bind(1, id)
      .Bind(2, by_recipient ? 1 : 0)
      .Bind(3, by_sender ? 1 : 0)
      .Run();
}

}  // namespace ostravel::service
