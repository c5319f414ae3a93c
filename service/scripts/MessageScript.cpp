#include "service/scripts/MessageScript.h"

#include <algorithm>
#include <vector>

#include "base/AsciiText.h"
#include "service/scripts/Officers.h"
#include "service/store/CharacterTable.h"
#include "service/store/MessageTable.h"
#include "service/store/StaffTable.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

constexpr std::size_t kSampleWords = 6;
// The most words of a name a recipient is looked for in.
constexpr std::size_t kMaxNameWords = 6;

// The lines of the admin's text, each on one line of its own; empty ones left out.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line = wire::CleanValue(text.substr(0, end));
    if (!line.empty()) lines.push_back(std::move(line));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

Mailbox CallerMailbox(ScriptContext& context) {
  const auto row = FindCharacter(context.db, context.request.character);
  return {context.request.character, row ? row->name : std::string()};
}

std::string NameOf(SqliteConnection& db, std::int32_t id, std::string_view fallback) {
  const auto row = id == 0 ? std::nullopt : FindCharacter(db, id);
  return row ? row->name : std::string(fallback);
}

// The first words of a message, for the list's sample column.
std::string Sample(std::string_view text) {
  const auto words = SplitWords(text);
  std::string sample;
  for (std::size_t i = 0; i < words.size() && i < kSampleWords; ++i) {
    sample += (i == 0 ? "" : " ") + std::string(words[i]);
  }
  return words.size() > kSampleWords ? sample + " ..." : sample;
}

std::string RecipientName(SqliteConnection& db, const MessageRow& message) {
  return NameOf(db, message.recipient_id, message.recipient_name);
}

std::string ListLine(SqliteConnection& db, const MessageRow& message, bool outgoing) {
  wire::AnswerRecord record;
  if (outgoing) {
    record.Add(wire::answer::kTo, RecipientName(db, message));
  } else {
    record.Add(wire::answer::kFrom, NameOf(db, message.sender_id, "Unknown character"));
  }
  return record.AddNumber(wire::answer::kMsgID, message.id)
      .Add(wire::answer::kRecieved, message.sent_at)
      .Add(wire::answer::kSample, Sample(message.body))
      .Text();
}

std::string ListMessages(SqliteConnection& db, const std::vector<MessageRow>& found, bool outgoing,
                         std::string_view none) {
  if (found.empty()) return std::string(none);
  std::vector<std::string> lines;
  for (const MessageRow& message : found) lines.push_back(ListLine(db, message, outgoing));
  return wire::JoinLines(lines);
}

std::string InboxCommand(ScriptContext& context, std::string_view rest) {
  const std::string which = LowerCase(rest);
  if (which != "new" && which != "read" && !which.empty()) {
    return "Usage: inbox new, inbox read, or inbox for all received messages.";
  }
  std::vector<MessageRow> found;
  for (MessageRow& message : Inbox(context.db, CallerMailbox(context))) {
    if ((which == "new" && message.read) || (which == "read" && !message.read)) continue;
    found.push_back(std::move(message));
  }
  const std::string_view none = which == "new"    ? "No new messages."
                                : which == "read" ? "No read messages."
                                                  : "Your inbox is empty.";
  return ListMessages(context.db, found, false, none);
}

std::string OutboxCommand(ScriptContext& context, std::string_view) {
  return ListMessages(context.db, Outbox(context.db, CallerMailbox(context)), true,
                      "No sent messages.");
}

// The message an id names, if the caller sent or received it.
std::optional<MessageRow> FindOwnMessage(ScriptContext& context, const Mailbox& mailbox,
                                         std::string_view id) {
  const auto number = ParseWholeNumber(id);
  if (!number || *number <= 0) return std::nullopt;
  auto message = FindMessage(context.db, *number);
  if (!message || (!IsRecipient(*message, mailbox) && !IsSender(*message, mailbox))) {
    return std::nullopt;
  }
  return message;
}

std::string NoMessage(std::string_view id) {
  return wire::CleanValue("No message with MsgID " + std::string(id) + ".");
}

std::string Read(ScriptContext& context, std::string_view rest) {
  if (rest.empty()) return "Usage: read MSGID - prints a message and marks it read.";
  const Mailbox mailbox = CallerMailbox(context);
  const auto message = FindOwnMessage(context, mailbox, rest);
  if (!message) return NoMessage(rest);
  const std::string header =
      wire::AnswerRecord()
          .Add(wire::answer::kFrom, NameOf(context.db, message->sender_id, "Unknown"))
          .Add(wire::answer::kTo, RecipientName(context.db, *message))
          .AddNumber(wire::answer::kMsgID, message->id)
          .Add(wire::answer::kRecieved, message->sent_at)
          .Text();
  // Only the recipient's reading counts: a sender looking at its own message leaves it new.
  if (IsRecipient(*message, mailbox) && !message->read) MarkRead(context.db, message->id);
  return header + "\n" + wire::CleanValue(message->body);
}

std::string Delete(ScriptContext& context, std::string_view rest) {
  if (rest.empty()) return "Usage: delete MSGID - deletes a message from your lists.";
  const Mailbox mailbox = CallerMailbox(context);
  const auto message = FindOwnMessage(context, mailbox, rest);
  if (!message) return NoMessage(rest);
  // A message to yourself sits in both lists; deleting it removes it from both.
  MarkDeleted(context.db, message->id, IsRecipient(*message, mailbox), IsSender(*message, mailbox));
  return "Message " + std::to_string(message->id) + " deleted.";
}

struct Addressed {
  std::string name;
  std::string text;
};

// The text from the first to the n-th word, as it stands (the words are views into it).
std::string_view LeadingWords(const std::vector<std::string_view>& words, std::size_t n) {
  return {words[0].data(),
          static_cast<std::size_t>(words[n - 1].data() + words[n - 1].size() - words[0].data())};
}

// The text after the first `length` bytes of `rest`, a comma between them dropped.
std::string TextAfter(std::string_view rest, std::size_t length) {
  std::string_view text = Trim(rest.substr(length));
  if (text.starts_with(',')) text = Trim(text.substr(1));
  return wire::CleanValue(text);
}

// The recipient is the longest member's name the argument starts with, as whole words (a
// comma may follow it: "NAME, TEXT" is what the Msg page types for a reply). Nothing when the
// argument starts with no member's name.
std::optional<Addressed> SplitAddress(SqliteConnection& db, std::string_view rest) {
  const auto words = SplitWords(rest);
  std::optional<Addressed> found;
  for (std::size_t n = 1; n <= words.size() && n <= kMaxNameWords; ++n) {
    std::string_view name = LeadingWords(words, n);
    const std::size_t length = static_cast<std::size_t>(name.data() + name.size() - rest.data());
    if (name.ends_with(',')) name.remove_suffix(1);
    if (const auto member = FindCharacterNamed(db, wire::CleanValue(name))) {
      found = Addressed{member->name, TextAfter(rest, length)};
    }
    if (words[n - 1].find(',') != std::string_view::npos) break;  // the name ends at a comma
  }
  return found;
}

// The name a message to nobody known was meant for: up to the comma, else the first word.
std::string MeantName(std::string_view rest) {
  const std::size_t comma = rest.find(',');
  if (comma != std::string_view::npos) return wire::CleanValue(rest.substr(0, comma));
  return wire::CleanValue(FirstWord(rest).word);
}

std::string NoSuchMember(SqliteConnection& db, std::string_view rest) {
  const std::string name = MeantName(rest);
  std::string line = "No member is named " + name + "; the message is not stored.";
  const auto near = ClosestNames(db, name, 3);
  for (std::size_t i = 0; i < near.size(); ++i) {
    line += (i == 0 ? " Closest names: " : ", ") + near[i];
  }
  if (!near.empty()) line += ".";
  return wire::CleanValue(line);
}

std::string Send(ScriptContext& context, std::string_view rest) {
  constexpr std::string_view kUsage =
      "Usage: send NAME TEXT (or NAME, TEXT) - leaves a message for a member.";
  if (Trim(rest).empty()) return std::string(kUsage);
  const auto to = SplitAddress(context.db, rest);
  if (!to) return NoSuchMember(context.db, rest);
  if (to->text.empty()) return std::string(kUsage);
  if (CharacterCount(to->text) > kMaxMessageLength) {
    return "Messages have at most " + std::to_string(kMaxMessageLength) +
           " characters; this one is not stored.";
  }
  const auto member = FindCharacterNamed(context.db, to->name);
  MessageRow message;
  message.sender_id = context.request.character;
  message.recipient_id = member->id;
  message.recipient_name = member->name;
  message.body = to->text;
  message.sent_at = wire::FormatIsoDateTime(context.request.now);
  const std::string id = std::to_string(InsertMessage(context.db, message));
  return "Message " + id + " to " + member->name + " stored.";
}

// "motd TEXT": an officer sets the message of the day.
std::string SetMotd(ScriptContext& context, std::string_view text) {
  const auto officer = OfficerActor(context);
  if (!officer) return OfficersOnly("set the message of the day");
  SetMessageOfTheDay(context.db, text);
  AuditOfficer(context, *officer, "motd " + std::string(text));
  return wire::CleanValue("Message of the day set: " + std::string(text));
}

std::string Motd(ScriptContext& context, std::string_view rest) {
  if (!Trim(rest).empty()) return SetMotd(context, Trim(rest));
  const auto online = context.presence.OnlineCharacters();
  const auto caller = FindCharacter(context.db, context.request.character);
  std::string line = "Welcome to the Ostravel allegiance service";
  line += caller ? ", " + caller->name + "!" : "!";
  line += " " + std::to_string(online.size()) + " members are online.";
  const Mailbox mailbox{context.request.character, caller ? caller->name : std::string()};
  const auto inbox = Inbox(context.db, mailbox);
  const auto unread = std::count_if(inbox.begin(), inbox.end(), [](auto& m) { return !m.read; });
  if (unread > 0) {
    line += " You have " + std::to_string(unread) + " unread message(s): see the Msg page.";
  }
  std::vector<std::string> lines = {wire::CleanValue(line)};
  if (const auto motd = MessageOfTheDay(context.db)) {
    for (const auto& part : SplitLines(*motd)) lines.push_back(part);
  }
  lines.push_back("Type @ostravel for the commands.");
  return wire::JoinLines(lines);
}

const std::string kHelp = wire::JoinLines({
    "@message commands (Ostravel service):",
    "send NAME TEXT - leave a message for a member (NAME, TEXT works too; names up to " +
        std::to_string(kMaxNameLength) + " and texts up to " + std::to_string(kMaxMessageLength) +
        " characters)",
    "inbox new - your unread messages; inbox read - the ones you have read",
    "outbox - the messages you sent",
    "read MSGID - print a message and mark it read",
    "delete MSGID - delete a message",
    "motd - the message of the day; motd TEXT - set it (officers)",
});

}  // namespace

const CommandSet& MessageCommands() {
  static const CommandSet commands{
      "@message",
      kHelp,
      {{"motd", {false, Motd, true}},
       {"inbox", {false, InboxCommand}},
       {"outbox", {false, OutboxCommand}},
       {"read", {true, Read}},
       {"delete", {true, Delete}},
       {"send", {true, Send}}},
      // "NAME, TEXT" without a command word: what a click on a correspondent types.
      [](std::string_view args) { return args.find(',') != std::string_view::npos; },
      {true, Send}};
  return commands;
}

}  // namespace ostravel::service
