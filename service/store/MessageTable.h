#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// An offline message to a member's character id. Older releases stored messages to unknown
// names with recipient 0; those reach nobody now.
struct MessageRow {
  std::int64_t id = 0;
  std::int32_t sender_id = 0;
  std::int32_t recipient_id = 0;
  std::string recipient_name;
  std::string body;
  std::string sent_at;  // "YYYY-MM-DD hh:mm:ss"
  bool read = false;    // by the recipient
  bool sender_deleted = false;
  bool recipient_deleted = false;
};

// Who asks: the caller's id and its name as its record gives it ("" when it has none).
struct Mailbox {
  std::int32_t id = 0;
  std::string name;
};

std::int64_t InsertMessage(SqliteConnection& db, const MessageRow& message);
std::optional<MessageRow> FindMessage(SqliteConnection& db, std::int64_t id);
// Received and not deleted by the mailbox's owner, newest first.
std::vector<MessageRow> Inbox(SqliteConnection& db, const Mailbox& mailbox);
// Sent and not deleted by the mailbox's owner, newest first.
std::vector<MessageRow> Outbox(SqliteConnection& db, const Mailbox& mailbox);
void MarkRead(SqliteConnection& db, std::int64_t id);
void MarkDeleted(SqliteConnection& db, std::int64_t id, bool by_recipient, bool by_sender);

bool IsRecipient(const MessageRow& message, const Mailbox& mailbox);
bool IsSender(const MessageRow& message, const Mailbox& mailbox);

}  // namespace ostravel::service
