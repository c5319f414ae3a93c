#include "service/scripts/ScriptTable.h"

#include <array>

#include "base/AsciiText.h"
#include "base/Words.h"
#include "service/scripts/CharacterScript.h"
#include "service/scripts/EventScript.h"
#include "service/scripts/LandblockScript.h"
#include "service/scripts/MemberScript.h"
#include "service/scripts/MessageScript.h"
#include "wire/FieldNames.h"

namespace ostravel::service {
namespace {

const std::array<ServiceScript, 6>& Scripts() {
  static const std::array<ServiceScript, 6> scripts = {{
      {wire::script::kMember, &MemberCommands(), {}},
      {wire::script::kMessage, &MessageCommands(), {}},
      {wire::script::kEvent, &EventCommands(), {}},
      {wire::script::kLandblock, &LandblockCommands(), {}},
      {wire::script::kUpdate,
       nullptr,
       {true, [](ScriptContext& context, std::string_view) { return RunUpdateScript(context); }}},
      {wire::script::kFellowship,
       nullptr,
       {true,
        [](ScriptContext& context, std::string_view) { return RunFellowshipScript(context); }}},
  }};
  return scripts;
}

}  // namespace

const ServiceScript* FindScript(std::string_view name) {
  for (const ServiceScript& script : Scripts()) {
    if (script.name == name) return &script;
  }
  return nullptr;
}

std::string ScriptNames() {
  std::string names;
  const auto& scripts = Scripts();
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    if (i > 0) names += i + 1 == scripts.size() ? " and " : ", ";
    names += scripts[i].name;
  }
  return names;
}

ChosenCommand ChooseCommand(const ServiceScript& script, const ServiceRequest& request) {
  if (script.chat) return ChooseCommand(*script.chat, request);
  return {script.whole.writes,
          [&script](ScriptContext& context) { return script.whole.run(context, {}); }};
}

std::string LogDetail(const ServiceScript& script, const ServiceRequest& request) {
  if (!script.chat) return {};
  const std::string word = LowerCase(FirstWord(request.args).word);
  if (word.empty()) return "help";
  return script.chat->commands.contains(word) ? word : "other";
}

}  // namespace ostravel::service
