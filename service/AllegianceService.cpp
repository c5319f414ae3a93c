#include "service/AllegianceService.h"

#include <iostream>

#include "base/AsciiText.h"
#include "base/Words.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "service/scripts/AllegianceGate.h"
#include "service/scripts/ScriptTable.h"
#include "service/store/KeyTable.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

std::function<platform::DateTime()> SystemNow() {
  return [clock = std::shared_ptr<platform::Clock>(platform::Clock::System())] {
    return clock->LocalNow();
  };
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
  if (script == wire::script::kUpdate || script == wire::script::kFellowship) return false;
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
  return FindScript(ScriptName(path)) != nullptr;
}

AllegianceService::AllegianceService(ServiceOptions options)
    : now_(options.now ? std::move(options.now) : SystemNow()),
      errors_(options.errors ? *options.errors : std::cerr),
      on_request_(std::move(options.on_request)),
      open_access_(options.open_access),
      code_page_(platform::CodePage::Open(options.code_page)),
      database_(options.database, [this](SqliteConnection& db) { RefreshMembers(db); }) {
  // Read once before the first list asks, which would otherwise wait for it.
  database_.Read([this](SqliteConnection& db) { members_.Refresh(db); });
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

PageSources AllegianceService::ForPage() {
  return {database_, {presence_, members_}, now_};
}

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
  const std::string_view name = ScriptName(path);
  const ServiceScript* script = FindScript(name);
  if (!script) {
    return Reply(404,
                 Encode("Unknown script \"" + std::string(name) + "\": this service answers " +
                        ScriptNames() + "."),
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
    if (auto refusal = Admit(name, request, caller, issued_key)) {
      refusal->body = Encode(refusal->body);
      return std::move(*refusal);
    }
    presence_.Note(request.character,
                   {request.location, request.wants_fellowship, request.fellowship_leader});
    if (on_request_) on_request_(request);
    ScriptReply reply = Run(*script, request);
    reply.body = Encode(reply.body);
    reply.detail = LogDetail(*script, request);
    reply.issued_key = std::move(issued_key);
    return reply;
  } catch (const std::exception& error) {
    return Failure(name, error);
  }
}

ScriptReply AllegianceService::Run(const ServiceScript& script, const ServiceRequest& request) {
  const ChosenCommand chosen = ChooseCommand(script, request);
  const std::function<void(const std::string&)> log = [this](const std::string& line) {
    LogError(line);
  };
  const auto in_context = [&](SqliteConnection& db) {
    ScriptContext context{db, request, presence_, members_, log};
    return chosen.run(context);
  };
  return Reply(200, chosen.writes ? database_.Write(in_context) : database_.Read(in_context));
}

std::optional<ScriptReply> AllegianceService::Admit(std::string_view script,
                                                    const ServiceRequest& request,
                                                    const Caller& caller, std::string& issued_key) {
  if (request.character == 0 && !AskedWithoutCharacter(script, request)) {
    return Reply(200, std::string(kNoCharacterLine), "no character");
  }
  std::optional<Gate> gate;
  const bool passes = database_.Read([&](SqliteConnection& db) {
    gate = ReadGate(db);
    return !gate || PassesGate(db, *gate, request);
  });
  if (!passes) {
    ScriptReply refusal = Reply(403, GateRefusal(*gate), "refused");
    refusal.refused = wire::header::kRefusedAllegiance;
    refusal.log_note = "outside the allegiance: character " + std::to_string(request.character);
    return refusal;
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
  ScriptReply refusal = Reply(403, KeyRefusal(request.character, verdict.why), "refused");
  refusal.refused = wire::header::kRefusedKey;
  refusal.rate_cost = kRefusedKeyCost;
  refusal.log_note = note;
  return refusal;
}

ScriptReply AllegianceService::Failure(std::string_view script, const std::exception& error) {
  LogError(std::string(script) + ": " + error.what());
  return Reply(503,
               Encode("The service could not do this just now and nothing was changed; try again "
                      "in a minute."),
               "error");
}

}  // namespace ostravel::service
