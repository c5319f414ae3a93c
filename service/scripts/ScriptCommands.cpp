#include "service/scripts/ScriptCommands.h"

#include "base/AsciiText.h"
#include "wire/AnswerRecord.h"

namespace ostravel::service {
namespace {

ChosenCommand Fixed(std::string answer) {
  return {false, [answer = std::move(answer)](ScriptContext&) { return answer; }};
}

}  // namespace

ChosenCommand ChooseCommand(const CommandSet& commands, const ServiceRequest& request) {
  const WordAndRest split = FirstWord(request.args);
  const std::string word = LowerCase(split.word);
  if (word.empty() || word == "help") return Fixed(commands.help);
  const auto it = commands.commands.find(word);
  if (it != commands.commands.end()) {
    const ScriptCommand& command = it->second;
    const bool writes = command.writes || (command.writes_with_text && !Trim(split.rest).empty());
    return {writes, [&command, rest = std::string(split.rest)](ScriptContext& context) {
              return command.run(context, rest);
            }};
  }
  if (commands.takes && commands.takes(request.args)) {
    return {commands.fallback.writes,
            [&commands, rest = std::string(Trim(request.args))](ScriptContext& context) {
              return commands.fallback.run(context, rest);
            }};
  }
  return Fixed(wire::CleanValue("Unknown command \"" + std::string(split.word) + "\". Type " +
                                commands.chat_command + " without arguments for help."));
}

}  // namespace ostravel::service
