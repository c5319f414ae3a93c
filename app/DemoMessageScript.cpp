#include "DemoMessageScript.h"

#include <algorithm>
#include <vector>

#include "DemoCommands.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::app {
namespace {

constexpr std::size_t kSampleWords = 6;

bool IsRecipient(const DemoWorld& world, const DemoMessage& message, std::int32_t caller) {
  if (caller == 0 || message.deleted_by_recipient) return false;
  if (message.recipient != 0) return message.recipient == caller;
  // Sent to a name nobody had when it was sent: it belongs to whoever carries that name now.
  const DemoMember* member = world.FindMember(caller);
  return member && SameName(member->name, message.recipient_name);
}

bool IsSender(const DemoMessage& message, std::int32_t caller) {
  return caller != 0 && message.sender == caller && !message.deleted_by_sender;
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

std::string RecipientName(const DemoWorld& world, const DemoMessage& message) {
  return world.NameOf(message.recipient, message.recipient_name);
}

std::string ListLine(const DemoWorld& world, const DemoMessage& message, bool outgoing) {
  wire::AnswerRecord record;
  if (outgoing) {
    record.Add(wire::answer::kTo, RecipientName(world, message));
  } else {
    record.Add(wire::answer::kFrom, world.NameOf(message.sender));
  }
  return record.AddNumber(wire::answer::kMsgID, message.id)
      .Add(wire::answer::kRecieved, wire::FormatIsoDateTime(message.received))
      .Add(wire::answer::kSample, Sample(message.text))
      .Text();
}

std::string ListMessages(const DemoWorld& world, std::vector<const DemoMessage*> found,
                         bool outgoing, std::string_view none) {
  if (found.empty()) return std::string(none);
  // Newest first; of two at the same second, the later one.
  std::sort(found.begin(), found.end(), [](const DemoMessage* a, const DemoMessage* b) {
    const auto a_time = wire::ToUnixSeconds(a->received);
    const auto b_time = wire::ToUnixSeconds(b->received);
    return a_time != b_time ? a_time > b_time : a->id > b->id;
  });
  std::vector<std::string> lines;
  for (const DemoMessage* message : found) lines.push_back(ListLine(world, *message, outgoing));
  return wire::JoinLines(lines);
}

std::size_t UnreadCount(const DemoWorld& world, std::int32_t caller) {
  return static_cast<std::size_t>(std::count_if(
      world.messages.begin(), world.messages.end(),
      [&](const DemoMessage& m) { return !m.read && IsRecipient(world, m, caller); }));
}

std::string Inbox(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  const std::string which = LowerCase(rest);
  if (which != "new" && which != "read" && !which.empty()) {
    return "Usage: inbox new, inbox read, or inbox for all received messages.";
  }
  std::vector<const DemoMessage*> found;
  for (const DemoMessage& message : world.messages) {
    if (!IsRecipient(world, message, request.character)) continue;
    if ((which == "new" && message.read) || (which == "read" && !message.read)) continue;
    found.push_back(&message);
  }
  const std::string_view none = which == "new"    ? "No new messages."
                                : which == "read" ? "No read messages."
                                                  : "Your inbox is empty.";
  return ListMessages(world, found, false, none);
}

std::string Outbox(DemoWorld& world, const DemoRequest& request, std::string_view) {
  std::vector<const DemoMessage*> found;
  for (const DemoMessage& message : world.messages) {
    if (IsSender(message, request.character)) found.push_back(&message);
  }
  return ListMessages(world, found, true, "No sent messages.");
}

// The message an id names, if the caller sent or received it.
DemoMessage* FindOwnMessage(DemoWorld& world, const DemoRequest& request, std::string_view id) {
  const auto number = ParseWholeNumber(id);
  if (!number) return nullptr;
  const auto it = std::find_if(world.messages.begin(), world.messages.end(), [&](const auto& m) {
    return m.id == *number &&
           (IsRecipient(world, m, request.character) || IsSender(m, request.character));
  });
  return it == world.messages.end() ? nullptr : &*it;
}

std::string NoMessage(std::string_view id) {
  return wire::CleanValue("No message with MsgID " + std::string(id) + ".");
}

std::string Read(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  if (rest.empty()) return "Usage: read MSGID - prints a message and marks it read.";
  DemoMessage* message = FindOwnMessage(world, request, rest);
  if (!message) return NoMessage(rest);
  const std::string header =
      wire::AnswerRecord()
          .Add(wire::answer::kFrom, world.NameOf(message->sender))
          .Add(wire::answer::kTo, RecipientName(world, *message))
          .AddNumber(wire::answer::kMsgID, message->id)
          .Add(wire::answer::kRecieved, wire::FormatIsoDateTime(message->received))
          .Text();
  if (IsRecipient(world, *message, request.character)) message->read = true;
  return header + "\n" + wire::CleanValue(message->text);
}

std::string Delete(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  if (rest.empty()) return "Usage: delete MSGID - deletes a message from your lists.";
  DemoMessage* message = FindOwnMessage(world, request, rest);
  if (!message) return NoMessage(rest);
  // A message to yourself sits in both lists; deleting it removes it from both.
  if (IsRecipient(world, *message, request.character)) message->deleted_by_recipient = true;
  if (IsSender(*message, request.character)) message->deleted_by_sender = true;
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

// "NAME, TEXT" (the form the Msg page types for a reply), else the longest run of leading
// words that is a member's name, else the first word.
Addressed SplitAddress(DemoWorld& world, std::string_view rest) {
  const std::size_t comma = rest.find(',');
  if (comma != std::string_view::npos) {
    return {wire::CleanValue(rest.substr(0, comma)), wire::CleanValue(rest.substr(comma + 1))};
  }
  const auto words = SplitWords(rest);
  std::size_t best = words.empty() ? 0 : 1;
  for (std::size_t n = 1; n <= words.size(); ++n) {
    if (world.FindMember(std::string_view(wire::CleanValue(LeadingWords(words, n))))) best = n;
  }
  if (best == 0) return {};
  const std::string_view name = LeadingWords(words, best);
  return {wire::CleanValue(name), wire::CleanValue(rest.substr(static_cast<std::size_t>(
                                      name.data() + name.size() - rest.data())))};
}

std::string Send(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  const Addressed to = SplitAddress(world, rest);
  if (to.name.empty() || to.text.empty()) {
    return "Usage: send NAME TEXT (or NAME, TEXT) - leaves a message for a member.";
  }
  const DemoMember* member = world.FindMember(std::string_view(to.name));
  const DemoMessage& message =
      world.AddMessage(request.character, member ? member->id : 0, member ? member->name : to.name,
                       to.text, request.now);
  const std::string name = RecipientName(world, message);
  if (member) return "Message " + std::to_string(message.id) + " to " + name + " stored.";
  return "Message " + std::to_string(message.id) + " to " + name + " stored; " + name +
         " is not a known member yet and gets it after a first character update.";
}

std::string Motd(DemoWorld& world, const DemoRequest& request, std::string_view) {
  const auto online = std::count_if(world.members.begin(), world.members.end(),
                                    [](const DemoMember& m) { return m.online && !m.ally; });
  const DemoMember* caller = world.FindMember(request.character);
  std::string line = "Welcome to the Ostravel demo allegiance service";
  line += caller ? ", " + caller->name + "!" : "!";
  line += " " + std::to_string(online) + " members are online.";
  const std::size_t unread = UnreadCount(world, request.character);
  if (unread > 0) {
    line += " You have " + std::to_string(unread) + " unread message(s): see the Msg page.";
  }
  return wire::CleanValue(line) +
         "\nThis allegiance is a demo that lives in memory; type @ostravel for "
         "the commands.";
}

// "NAME, TEXT" without a command word: what a click on a correspondent types.
std::string ReplyForm(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  if (rest.find(',') == std::string_view::npos) return {};
  return Send(world, request, rest);
}

const std::string kHelp = wire::JoinLines({
    "@message commands (Ostravel demo service):",
    "send NAME TEXT - leave a message for a member (NAME, TEXT works too)",
    "inbox new - your unread messages; inbox read - the ones you have read",
    "outbox - the messages you sent",
    "read MSGID - print a message and mark it read",
    "delete MSGID - delete a message",
    "motd - the message of the day",
});

}  // namespace

std::string RunMessageScript(DemoWorld& world, const DemoRequest& request) {
  static const DemoCommandSet commands{"@message",
                                       kHelp,
                                       {{"motd", Motd},
                                        {"inbox", Inbox},
                                        {"outbox", Outbox},
                                        {"read", Read},
                                        {"delete", Delete},
                                        {"send", Send}},
                                       // "NAME, TEXT": what a click on a correspondent types.
                                       ReplyForm};
  return RunDemoCommand(commands, world, request);
}

}  // namespace ostravel::app
