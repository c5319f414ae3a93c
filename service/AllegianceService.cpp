#include "service/AllegianceService.h"

#include <chrono>
#include <future>
#include <iostream>
#include <optional>

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

// What a 503 asks a client to wait: a lock held elsewhere is usually let go within seconds.
constexpr int kBusyRetrySeconds = 5;
constexpr int kFailureRetrySeconds = 60;

std::int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The name a browser and an HTTP client know a Windows code page by.
std::string CharsetName(int code_page) {
  switch (code_page) {
    case 932:
      return "shift_jis";
    case 936:
      return "gbk";
    case 949:
      return "euc-kr";
    case 950:
      return "big5";
    case 65001:
      return "utf-8";
    default:
      return "windows-" + std::to_string(code_page);
  }
}

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
      on_database_lost_(std::move(options.on_database_lost)),
      answer_type_("text/plain; charset=" + CharsetName(options.code_page)),
      code_page_(platform::CodePage::Open(options.code_page)),
      database_(options.database,
                {[this](SqliteConnection& db) { RefreshMembers(db); },
                 [this](const std::string& why) { DatabaseLost(why); }, options.commit_delay_ms}) {
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
  std::promise<ScriptReply> promise;
  std::future<ScriptReply> answer = promise.get_future();
  PostAsync(path, body, caller,
            [&promise](ScriptReply reply) { promise.set_value(std::move(reply)); });
  return answer.get();
}

void AllegianceService::PostAsync(std::string_view path, std::string_view body,
                                  const Caller& caller, ScriptDone done) {
  const std::string_view name = ScriptName(path);
  const ServiceScript* script = FindScript(name);
  if (!script) {
    return done(Reply(404,
                      Encode("Unknown script \"" + std::string(name) + "\": this service answers " +
                             ScriptNames() + "."),
                      "unknown"));
  }
  ParsedRequest parsed;
  {
    std::lock_guard lock(code_page_mutex_);
    parsed = ReadServiceRequest(body, *code_page_, now_());
  }
  if (!parsed.request) return done(Reply(400, Encode(parsed.error), "refused"));
  auto request = std::make_shared<const ServiceRequest>(std::move(*parsed.request));
  std::optional<ScriptReply> failed;
  try {
    std::string issued_key;
    if (auto refusal = Admit(name, *request, caller, issued_key)) {
      refusal->body = Encode(refusal->body);
      return done(std::move(*refusal));
    }
    presence_.Note(request->character,
                   {request->location, request->wants_fellowship, request->fellowship_leader});
    if (on_request_) on_request_(*request);
    Run(*script, request, caller.address, std::move(issued_key), done);
  } catch (const std::exception& error) {
    failed = Failure(name, error);
  }
  if (failed) done(std::move(*failed));
}

void AllegianceService::Run(const ServiceScript& script,
                            std::shared_ptr<const ServiceRequest> request,
                            const std::string& address, std::string issued_key, ScriptDone done) {
  // What a script logs about a client (a refused record) is kept to a line a minute for
  // each address, with the count left out.
  std::function<void(const std::string&)> log = [this, address](const std::string& line) {
    const auto left_out = refusals_.Admit(address, SteadyNowMs());
    if (!left_out) return;
    LogError(line + (address.empty() ? "" : " (from " + address + ")") +
             (*left_out > 0 ? "; " + std::to_string(*left_out) +
                                  " more from that address in the last minute not logged"
                            : ""));
  };
  auto chosen = std::make_shared<const ChosenCommand>(ChooseCommand(script, *request));
  auto in_context = [this, request, chosen, log = std::move(log)](SqliteConnection& db) {
    ScriptContext context{db, *request, presence_, members_, log};
    return chosen->run(context);
  };
  if (!chosen->writes) {
    return Finish(script, *request, database_.Read(in_context), nullptr, std::move(issued_key),
                  done);
  }
  database_.WriteAsync(std::move(in_context),
                       [this, &script, request, issued_key = std::move(issued_key),
                        done = std::move(done)](std::string answer, std::exception_ptr failure) {
                         Finish(script, *request, std::move(answer), failure, issued_key, done);
                       });
}

void AllegianceService::Finish(const ServiceScript& script, const ServiceRequest& request,
                               std::string answer, const std::exception_ptr& failure,
                               std::string issued_key, const ScriptDone& done) {
  ScriptReply reply;
  try {
    if (failure) std::rethrow_exception(failure);
    reply = Reply(200, Encode(answer), LogDetail(script, request));
    reply.issued_key = std::move(issued_key);
  } catch (const std::exception& error) {
    reply = Failure(script.name, error);
  }
  done(std::move(reply));
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
  // A lock held elsewhere is usually let go within seconds; anything else may take longer.
  const bool busy = dynamic_cast<const DatabaseBusy*>(&error) != nullptr;
  ScriptReply reply =
      Reply(503,
            Encode(busy ? "The database is busy just now and nothing was changed; try again in a "
                          "few seconds."
                        : "The service could not do this just now and nothing was changed; try "
                          "again in a minute."),
            busy ? "busy" : "error");
  reply.retry_after = busy ? kBusyRetrySeconds : kFailureRetrySeconds;
  return reply;
}

void AllegianceService::DatabaseLost(const std::string& why) {
  LogError("FATAL: " + why +
           ". Every change is refused from now on and the service stops: put the database "
           "back (restore it from a backup), then start it again.");
  if (on_database_lost_) on_database_lost_();
}

}  // namespace ostravel::service
