#include "DemoCommands.h"

#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

namespace ostravel::app {

std::string RunDemoCommand(const DemoCommandSet& commands, DemoWorld& world,
                           const DemoRequest& request) {
  const WordAndRest split = FirstWord(request.args);
  const std::string word = LowerCase(split.word);
  if (word.empty() || word == "help") return commands.help;
  const auto handler = commands.handlers.find(word);
  if (handler != commands.handlers.end()) return handler->second(world, request, split.rest);
  if (commands.fallback) {
    std::string answer = commands.fallback(world, request, Trim(request.args));
    if (!answer.empty()) return answer;
  }
  return wire::CleanValue("Unknown command \"" + std::string(split.word) + "\". Type " +
                          commands.chat_command + " without arguments for help.");
}

}  // namespace ostravel::app
