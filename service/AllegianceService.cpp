#include "service/AllegianceService.h"

#include <chrono>
#include <future>
#include <iostream>
#include <map>
#include <optional>

#include "base/AsciiText.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
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

// What a 503 asks a client to wait: a lock held elsewhere is usually let go within seconds.
constexpr int kBusyRetrySeconds = 5;
constexpr int kFailureRetrySeconds = 60;

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
      on_database_lost_(std::move(options.on_database_lost)),
      answer_type_("text/plain; charset=" + CharsetName(options.code_page)),
      code_page_(platform::CodePage::Open(options.code_page)),
      database_(options.database,
                {[this](SqliteConnection& db) { RefreshMembers(db); },
                 [this](const std::string& why) { DatabaseLost(why); }, options.commit_delay_ms}) {
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
  std::promise<ScriptReply> promise;
  std::future<ScriptReply> answer = promise.get_future();
  PostAsync(path, body, [&promise](ScriptReply reply) { promise.set_value(std::move(reply)); });
  return answer.get();
}

void AllegianceService::PostAsync(std::string_view path, std::string_view body, ScriptDone done,
                                  const std::string& address) {
  const std::string_view script = ScriptName(path);
  if (!IsServiceScript(script)) {
    done({404,
          Encode("Unknown script \"" + std::string(script) +
                 "\": this service answers member.php, message.php, event.php, landblock.php, "
                 "update.php and fellowship.php."),
          "unknown"});
    return;
  }
  ParsedRequest parsed;
  {
    std::lock_guard lock(code_page_mutex_);
    parsed = ReadServiceRequest(body, *code_page_, now_());
  }
  if (!parsed.request) {
    done({400, Encode(parsed.error), "refused"});
    return;
  }
  auto request = std::make_shared<const ServiceRequest>(std::move(*parsed.request));
  std::optional<ScriptReply> failed;
  try {
    presence_.Note(request->character,
                   {request->location, request->wants_fellowship, request->fellowship_leader});
    if (on_request_) on_request_(*request);
    Run(script, request, address, done);
  } catch (const std::exception& error) {
    failed = Failure(script, error);
  }
  if (failed) done(std::move(*failed));
}

void AllegianceService::Run(std::string_view script, std::shared_ptr<const ServiceRequest> request,
                            const std::string& address, ScriptDone done) {
  const std::string name(script);
  if (const auto it = ChatScripts().find(script); it != ChatScripts().end()) {
    ChosenCommand chosen = ChooseCommand(*it->second, *request);
    if (chosen.writes) return RunChange(name, std::move(request), chosen.run, std::move(done));
    std::string answer = database_.Read([&](SqliteConnection& db) {
      ScriptContext context{db, *request, presence_, members_};
      return chosen.run(context);
    });
    return Finish(name, *request, std::move(answer), nullptr, done);
  }
  if (script == wire::script::kFellowship) {
    return RunChange(name, std::move(request), RunFellowshipScript, std::move(done));
  }
  auto refused = std::make_shared<bool>(false);
  const auto character = request->character;
  RunChange(
      name, std::move(request),
      [refused](ScriptContext& context) { return RunUpdateScript(context, *refused); },
      [this, refused, character, address, done = std::move(done)](ScriptReply reply) {
        if (*refused) LogRefusedRecord(character, address);
        done(std::move(reply));
      });
}

void AllegianceService::LogRefusedRecord(std::int32_t character, const std::string& address) {
  const auto left_out = refusals_.Admit(address, SteadyNowMs());
  if (!left_out) return;
  LogError("update.php: refused a record of character id " + std::to_string(character) +
           (address.empty() ? "" : " from " + address) +
           " under a name other than the one on file (ostravel-service rename allows it)" +
           (*left_out > 0 ? "; " + std::to_string(*left_out) +
                                " more refusals from that address in the last minute not logged"
                          : ""));
}

void AllegianceService::RunChange(std::string script, std::shared_ptr<const ServiceRequest> request,
                                  std::function<std::string(ScriptContext&)> change,
                                  ScriptDone done) {
  auto run = [this, request, change = std::move(change)](SqliteConnection& db) {
    ScriptContext context{db, *request, presence_, members_};
    return change(context);
  };
  database_.WriteAsync(std::move(run),
                       [this, script = std::move(script), request, done = std::move(done)](
                           std::string answer, std::exception_ptr failure) {
                         Finish(script, *request, std::move(answer), failure, done);
                       });
}

void AllegianceService::Finish(const std::string& script, const ServiceRequest& request,
                               std::string answer, const std::exception_ptr& failure,
                               const ScriptDone& done) {
  ScriptReply reply;
  try {
    if (failure) std::rethrow_exception(failure);
    reply = {200, Encode(answer), Detail(script, request)};
  } catch (const std::exception& error) {
    reply = Failure(script, error);
  }
  done(std::move(reply));
}

ScriptReply AllegianceService::Failure(std::string_view script, const std::exception& error) {
  LogError(std::string(script) + ": " + error.what());
  if (dynamic_cast<const DatabaseBusy*>(&error) != nullptr) {
    return {503,
            Encode("The database is busy just now and nothing was changed; try again in a few "
                   "seconds."),
            "busy", kBusyRetrySeconds};
  }
  return {503,
          Encode("The service could not do this just now and nothing was changed; try again in "
                 "a minute."),
          "error", kFailureRetrySeconds};
}

void AllegianceService::DatabaseLost(const std::string& why) {
  LogError("FATAL: " + why +
           ". Every change is refused from now on and the service stops: put the database "
           "back (restore it from a backup), then start it again.");
  if (on_database_lost_) on_database_lost_();
}

}  // namespace ostravel::service
