#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "service/members/MemberDirectory.h"
#include "service/members/Presence.h"
#include "service/scripts/ServiceRequest.h"
#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// What a script's command works with: a connection (the writer's for a command that changes
// data, a reader's otherwise), the request, who is online, the member directory, and the
// service's error log (for what an admin must hear of; never a player's text).
struct ScriptContext {
  SqliteConnection& db;
  const ServiceRequest& request;
  const Presence& presence;
  MemberDirectory& members;  // the characters in list order, for the member lists
  const std::function<void(const std::string&)>& log;
};

using CommandHandler = std::function<std::string(ScriptContext& context, std::string_view rest)>;

struct ScriptCommand {
  bool writes = false;  // true: runs on the writer, answered after the commit
  CommandHandler run;
  bool writes_with_text = false;  // true: runs on the writer when words follow the command
};

// The commands of one script, dispatched on the first word of "args".
struct CommandSet {
  std::string chat_command;  // "@member": named in the hint for an unknown command
  std::string help;          // the answer to an empty argument and to "help"
  std::map<std::string, ScriptCommand, std::less<>> commands;  // keyed by the lower-case word
  // For an argument whose first word is no command but that `takes` (the whole argument as
  // `rest`); may be unset.
  std::function<bool(std::string_view args)> takes;
  ScriptCommand fallback;
};

// What one request will run: whether it changes data, and the work itself.
struct ChosenCommand {
  bool writes = false;
  std::function<std::string(ScriptContext&)> run;
};

// The command that "args" names: the help for an empty argument (and for "help"), the
// command of its first word (letter case ignored), else the fallback if it takes the argument,
// else a line saying the command is unknown and how to get help.
ChosenCommand ChooseCommand(const CommandSet& commands, const ServiceRequest& request);

}  // namespace ostravel::service
