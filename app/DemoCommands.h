#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "DemoRequest.h"
#include "DemoWorld.h"

namespace ostravel::app {

// What one command word does: the world, the request and the text after the word in, the
// answer (UTF-8) out.
using DemoHandler =
    std::function<std::string(DemoWorld& world, const DemoRequest& request, std::string_view rest)>;

// The commands of one script, dispatched on the first word of "args".
struct DemoCommandSet {
  std::string chat_command;  // "@member": named in the hint for an unknown command
  std::string help;          // the answer to an empty argument
  std::map<std::string, DemoHandler, std::less<>> handlers;  // keyed by the lower-case word
  // For an argument whose first word is no command (whole argument as `rest`); an empty answer
  // means it does not take the argument either. May be unset.
  DemoHandler fallback;
};

// Runs the command that "args" names: the help for an empty argument (and for "help"), the
// handler of its first word (letter case ignored), else the fallback's answer if it gives one,
// else a line saying the command is unknown and how to get help.
std::string RunDemoCommand(const DemoCommandSet& commands, DemoWorld& world,
                           const DemoRequest& request);

}  // namespace ostravel::app
