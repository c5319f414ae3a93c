#include "service/AllegianceService.h"

#include <iostream>
#include <map>

#include "base/AsciiText.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "service/scripts/CharacterScript.h"
#include "service/scripts/EventScript.h"
#include "service/scripts/LandblockScript.h"
#include "service/scripts/MemberScript.h"
#include "service/scripts/MessageScript.h"
#include "service/scripts/ScriptCommands.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

using CommandSets = std::map<std::string, const CommandSet*, std::less<>>;

const CommandSets& ChatScripts() {
  static const CommandSets scripts = {
      {std::string(wire::script::kMember), &MemberCommands()},
      {std::string(wire::script::kMessage), &MessageCommands()},
      {std::string(wire::script::kEvent), &EventCommands()},
      {std::string(wire::script::kLandblock), &LandblockCommands()}};
  return scripts;
}

std::function<platform::DateTime()> SystemNow() {
  return [clock = std::shared_ptr<platform::Clock>(platform::Clock::System())] {
    return clock->LocalNow();
  };
}

// The access log's word for a request: the command word when it is one the script knows,
// never text a player typed beyond it.
std::string Detail(std::string_view script, const ServiceRequest& request) {
  const auto it = ChatScripts().find(script);
  if (it == ChatScripts().end()) return {};
  const std::string word = LowerCase(FirstWord(request.args).word);
  if (word.empty()) return "help";
  return it->second->commands.contains(word) ? word : "other";
}

}  // namespace

std::string_view ScriptName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsServiceScript(std::string_view path) {
  const std::string_view script = ScriptName(path);
  return ChatScripts().contains(script) || script == wire::script::kUpdate ||
         script == wire::script::kFellowship;
}

AllegianceService::AllegianceService(ServiceOptions options)
    : now_(options.now ? std::move(options.now) : SystemNow()),
      errors_(options.errors ? *options.errors : std::cerr),
      on_request_(std::move(options.on_request)),
      code_page_(platform::CodePage::Open(options.code_page)),
      database_(options.database, [this](SqliteConnection& db) { RefreshMembers(db); }) {
  // Read once before the first list asks, which would otherwise wait for it.
  database_.Read([this](SqliteConnection& db) {
    members_.Refresh(db);
    return std::string();
  });
}

void AllegianceService::RefreshMembers(SqliteConnection& db) {
  try {
    members_.Refresh(db);
  } catch (const std::exception& error) {
    // The changes are stored; the next list reads them.
    LogError(std::string("member lists: ") + error.what());
  }
}

AllegianceService::~AllegianceService() = default;

void AllegianceService::LogError(const std::string& line) {
  std::lock_guard lock(log_mutex_);
  errors_ << wire::FormatIsoDateTime(now_()) << " " << line << std::endl;
}

std::string AllegianceService::Encode(std::string_view utf8) {
  std::lock_guard lock(code_page_mutex_);
  return code_page_->FromUtf8(utf8);
}

ScriptReply AllegianceService::Post(std::string_view path, std::string_view body) {
  const std::string_view script = ScriptName(path);
  if (!IsServiceScript(script)) {
    return {404,
            Encode("Unknown script \"" + std::string(script) +
                   "\": this service answers member.php, message.php, event.php, landblock.php, "
                   "update.php and fellowship.php."),
            "unknown"};
  }
  ParsedRequest parsed;
  {
    std::lock_guard lock(code_page_mutex_);
    parsed = ReadServiceRequest(body, *code_page_, now_());
  }
  if (!parsed.request) return {400, Encode(parsed.error), "refused"};
  const ServiceRequest& request = *parsed.request;
  try {
    presence_.Note(request.character,
                   {request.location, request.wants_fellowship, request.fellowship_leader});
    if (on_request_) on_request_(request);
    ScriptReply reply = Run(script, request);
    reply.body = Encode(reply.body);
    reply.detail = Detail(script, request);
    return reply;
  } catch (const std::exception& error) {
    return Failure(script, error);
  }
}

ScriptReply AllegianceService::Run(std::string_view script, const ServiceRequest& request) {
  const auto run_on = [&](bool writes, auto work) {
    const auto in_context = [&](SqliteConnection& db) {
      ScriptContext context{db, request, presence_, members_};
      return work(context);
    };
    return writes ? database_.Write(in_context) : database_.Read(in_context);
  };
  if (const auto it = ChatScripts().find(script); it != ChatScripts().end()) {
    const ChosenCommand chosen = ChooseCommand(*it->second, request);
    return {200, run_on(chosen.writes, chosen.run), {}};
  }
  if (script == wire::script::kFellowship) {
    return {
        200, run_on(true, [](ScriptContext& context) { return RunFellowshipScript(context); }), {}};
  }
  bool refused = false;
  std::string answer =
      run_on(true, [&](ScriptContext& context) { return RunUpdateScript(context, refused); });
  if (refused) {
    LogError("update.php: refused a record of character id " + std::to_string(request.character) +
             " under a name other than the one on file (ostravel-service rename allows it)");
  }
  return {200, std::move(answer), {}};
}

ScriptReply AllegianceService::Failure(std::string_view script, const std::exception& error) {
  LogError(std::string(script) + ": " + error.what());
  return {503,
          Encode("The service could not do this just now and nothing was changed; try again in "
                 "a minute."),
          "error"};
}

}  // namespace ostravel::service
