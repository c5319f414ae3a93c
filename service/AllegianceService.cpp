#include "service/AllegianceService.h"

#include <iostream>

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "service/scripts/ScriptTable.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

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

ScriptReply AllegianceService::Post(std::string_view path, std::string_view body) {
  const std::string_view name = ScriptName(path);
  const ServiceScript* script = FindScript(name);
  if (!script) {
    return {404,
            Encode("Unknown script \"" + std::string(name) + "\": this service answers " +
                   ScriptNames() + "."),
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
    ScriptReply reply = Run(*script, request);
    reply.body = Encode(reply.body);
    reply.detail = LogDetail(*script, request);
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
  return {200, chosen.writes ? database_.Write(in_context) : database_.Read(in_context), {}};
}

ScriptReply AllegianceService::Failure(std::string_view script, const std::exception& error) {
  LogError(std::string(script) + ": " + error.what());
  return {503,
          Encode("The service could not do this just now and nothing was changed; try again in "
                 "a minute."),
          "error"};
}

}  // namespace ostravel::service
