#include "service/AllegianceService.h"

#include <iostream>
#include <map>

#include "base/AsciiText.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "service/AllegianceGate.h"
#include "service/CharacterScript.h"
#include "service/EventScript.h"
#include "service/LandblockScript.h"
#include "service/MemberScript.h"
#include "service/MessageScript.h"
#include "service/ScriptCommands.h"
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

ScriptReply Reply(int status, std::string body, std::string detail = {}) {
  ScriptReply reply;
  reply.status = status;
  reply.body = std::move(body);
  reply.detail = std::move(detail);
  return reply;
}

constexpr std::string_view kNoCharacterLine =
    "This request carries no character id: without one the service answers only the message "
    "of the day. Log in to the game with the plug-in loaded and try again.";

// Without a character id only the message of the day and the scripts' help are served: both
// say nothing about anyone.
bool AskedWithoutCharacter(std::string_view script, const ServiceRequest& request) {
  if (!ChatScripts().contains(script)) return false;
  const WordAndRest split = FirstWord(request.args);
  const std::string word = LowerCase(split.word);
  if (word.empty() || word == "help") return true;
  return script == wire::script::kMessage && word == "motd" && Trim(split.rest).empty();
}

std::string KeyRefusal(std::int32_t character, std::string_view why) {
  const std::string id = std::to_string(character);
  const std::string what = why == "missing key"
                               ? "Character " + id + " has a key, and this request carries none"
                               : "The key this request carries for character " + id + " is wrong";
  return what +
         ": the key is kept by the game client that first logged the character in. Play from "
         "there, or ask an officer to reset it (@mbr resetkey NAME; an admin: ostravel-service "
         "reset-key) and log in again.";
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
      open_access_(options.open_access),
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

ScriptReply AllegianceService::Post(std::string_view path, std::string_view body,
                                    const Caller& caller) {
  const std::string_view script = ScriptName(path);
  if (!IsServiceScript(script)) {
    return Reply(404,
                 Encode("Unknown script \"" + std::string(script) +
                        "\": this service answers member.php, message.php, event.php, "
                        "landblock.php, update.php and fellowship.php."),
                 "unknown");
  }
  ParsedRequest parsed;
  {
    std::lock_guard lock(code_page_mutex_);
    parsed = ReadServiceRequest(body, *code_page_, now_());
  }
  if (!parsed.request) return Reply(400, Encode(parsed.error), "refused");
  const ServiceRequest& request = *parsed.request;
  try {
    std::string issued_key;
    if (auto refusal = Admit(script, request, caller, issued_key)) {
      refusal->body = Encode(refusal->body);
      return std::move(*refusal);
    }
    presence_.Note(request.character,
                   {request.location, request.wants_fellowship, request.fellowship_leader});
    if (on_request_) on_request_(request);
    ScriptReply reply = Run(script, request);
    reply.body = Encode(reply.body);
    reply.detail = Detail(script, request);
    reply.issued_key = std::move(issued_key);
    return reply;
  } catch (const std::exception& error) {
    return Failure(script, error);
  }
}

std::optional<ScriptReply> AllegianceService::Admit(std::string_view script,
                                                    const ServiceRequest& request,
                                                    const Caller& caller, std::string& issued_key) {
  if (request.character == 0 && !AskedWithoutCharacter(script, request)) {
    return Reply(200, std::string(kNoCharacterLine), "no character");
  }
  std::optional<Gate> gate;
  bool passes = true;
  database_.Read([&](SqliteConnection& db) {
    gate = ReadGate(db);
    passes = !gate || PassesGate(db, *gate, request);
    return std::string();
  });
  if (!passes) {
    return ScriptReply{403,
                       GateRefusal(*gate),
                       "refused",
                       {},
                       std::string(wire::header::kRefusedAllegiance),
                       0,
                       "outside the allegiance: character " + std::to_string(request.character)};
  }
  if (open_access_ || request.character == 0) return std::nullopt;
  return CheckKey(script, request, caller, issued_key);
}

std::optional<ScriptReply> AllegianceService::CheckKey(std::string_view script,
                                                       const ServiceRequest& request,
                                                       const Caller& caller,
                                                       std::string& issued_key) {
  // A malformed key is none that this service gave; it is refused as a wrong one.
  const std::string key = IsWellFormedKey(caller.key) || caller.key.empty() ? caller.key : "-";
  KeyVerdict verdict =
      keys_.Check(database_, request.character, key, wire::FormatIsoDateTime(request.now));
  if (!verdict.refused) {
    issued_key = std::move(verdict.issued);
    return std::nullopt;
  }
  const std::string note = verdict.why + " for character " + std::to_string(request.character);
  LogError(std::string(script) + ": refused a request from " +
           (caller.address.empty() ? std::string("an unknown address") : caller.address) + ": " +
           note);
  return ScriptReply{403, KeyRefusal(request.character, verdict.why), "refused",
                     {},  std::string(wire::header::kRefusedKey),     kRefusedKeyCost,
                     note};
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
    return Reply(200, run_on(chosen.writes, chosen.run));
  }
  if (script == wire::script::kFellowship) {
    return Reply(200,
                 run_on(true, [](ScriptContext& context) { return RunFellowshipScript(context); }));
  }
  bool refused = false;
  std::string answer =
      run_on(true, [&](ScriptContext& context) { return RunUpdateScript(context, refused); });
  if (refused) {
    LogError("update.php: refused a record of character id " + std::to_string(request.character) +
             ": the name is another character's or not the one on file (ostravel-service rename "
             "allows it)");
  }
  return Reply(200, std::move(answer));
}

ScriptReply AllegianceService::Failure(std::string_view script, const std::exception& error) {
  LogError(std::string(script) + ": " + error.what());
  return Reply(503,
               Encode("The service could not do this just now and nothing was changed; try again "
                      "in a minute."),
               "error");
}

}  // namespace ostravel::service
