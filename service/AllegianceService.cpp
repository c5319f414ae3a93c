#include "service/AllegianceService.h"

#include <chrono>
#include <future>
#include <iostream>
#include <optional>

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "service/scripts/ScriptTable.h"
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

ScriptReply AllegianceService::Post(std::string_view path, std::string_view body) {
  std::promise<ScriptReply> promise;
  std::future<ScriptReply> answer = promise.get_future();
  PostAsync(path, body, [&promise](ScriptReply reply) { promise.set_value(std::move(reply)); });
  return answer.get();
}

void AllegianceService::PostAsync(std::string_view path, std::string_view body, ScriptDone done,
                                  const std::string& address) {
  const std::string_view name = ScriptName(path);
  const ServiceScript* script = FindScript(name);
  if (!script) {
    return done({404,
                 Encode("Unknown script \"" + std::string(name) + "\": this service answers " +
                        ScriptNames() + "."),
                 "unknown"});
  }
  ParsedRequest parsed;
  {
    std::lock_guard lock(code_page_mutex_);
    parsed = ReadServiceRequest(body, *code_page_, now_());
  }
  if (!parsed.request) return done({400, Encode(parsed.error), "refused"});
  auto request = std::make_shared<const ServiceRequest>(std::move(*parsed.request));
  std::optional<ScriptReply> failed;
  try {
    presence_.Note(request->character,
                   {request->location, request->wants_fellowship, request->fellowship_leader});
    if (on_request_) on_request_(*request);
    Run(*script, request, address, done);
  } catch (const std::exception& error) {
    failed = Failure(name, error);
  }
  if (failed) done(std::move(*failed));
}

void AllegianceService::Run(const ServiceScript& script,
                            std::shared_ptr<const ServiceRequest> request,
                            const std::string& address, ScriptDone done) {
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
  if (!chosen->writes) return Finish(script, *request, database_.Read(in_context), nullptr, done);
  database_.WriteAsync(std::move(in_context), [this, &script, request, done = std::move(done)](
                                                  std::string answer, std::exception_ptr failure) {
    Finish(script, *request, std::move(answer), failure, done);
  });
}

void AllegianceService::Finish(const ServiceScript& script, const ServiceRequest& request,
                               std::string answer, const std::exception_ptr& failure,
                               const ScriptDone& done) {
  ScriptReply reply;
  try {
    if (failure) std::rethrow_exception(failure);
    reply = {200, Encode(answer), LogDetail(script, request)};
  } catch (const std::exception& error) {
    reply = Failure(script.name, error);
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
