#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/DateTime.h"
#include "service/members/MemberDirectory.h"
#include "service/members/Presence.h"
#include "service/page/PageRoutes.h"
#include "service/scripts/ServiceRequest.h"
#include "service/store/Database.h"
#include "wire/CodePageDefault.h"

namespace ostravel::platform {
class CodePage;
}

namespace ostravel::service {

struct ServiceScript;

struct ServiceOptions {
  std::filesystem::path database;          // created if missing
  int code_page = wire::kDefaultCodePage;  // the Windows code page of the plug-in's bytes
  // The local date and time; the system's clock when unset.
  std::function<platform::DateTime()> now;
  // Errors with their context (never a player's message text); standard error when unset.
  std::ostream* errors = nullptr;
  // Called with every well-formed request before its script runs (the demo gives a character
  // seen for the first time a few messages here).
  std::function<void(const ServiceRequest&)> on_request;
};

// The answer to one post: the status, the body in the plug-in's code page, and the first word
// of the argument for the access log.
struct ScriptReply {
  int status = 200;
  std::string body;
  std::string detail;
};

// The allegiance's web service without its transport: the six scripts of the plug-in on one
// database. Thread-safe: requests may come from many threads at once; changes go to the
// database's one writer and are answered once committed.
class AllegianceService {
 public:
  // Opens (or creates) and migrates the database; throws DatabaseError naming the file, or
  // ostravel::Error for a code page the system cannot convert.
  explicit AllegianceService(ServiceOptions options);
  ~AllegianceService();
  AllegianceService(const AllegianceService&) = delete;
  AllegianceService& operator=(const AllegianceService&) = delete;

  // A post to `path` ("/member.php"; a leading folder is ignored) with its raw form body.
  ScriptReply Post(std::string_view path, std::string_view body);

  // What the members' page reads.
  PageSources ForPage();

  // For seeding: the demo's sample allegiance and the tests' fixtures.
  Database& Db() { return database_; }
  Presence& Online() { return presence_; }

 private:
  ScriptReply Run(const ServiceScript& script, const ServiceRequest& request);
  ScriptReply Failure(std::string_view script, const std::exception& error);
  std::string Encode(std::string_view utf8);
  void LogError(const std::string& line);
  void RefreshMembers(SqliteConnection& db);

  std::function<platform::DateTime()> now_;
  std::ostream& errors_;
  std::function<void(const ServiceRequest&)> on_request_;
  std::mutex code_page_mutex_;  // the conversion keeps state while it runs
  std::unique_ptr<platform::CodePage> code_page_;
  std::mutex log_mutex_;
  MemberDirectory members_;  // before the database: its writer refreshes it to the last commit
  Database database_;
  Presence presence_;
};

// True for the script names the service answers ("member.php", ...).
bool IsServiceScript(std::string_view path);

// The script a path names: "/ostravel/member.php" and "member.php" both name "member.php".
std::string_view ScriptName(std::string_view path);

}  // namespace ostravel::service
