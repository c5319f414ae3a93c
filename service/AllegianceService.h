#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/DateTime.h"
#include "service/members/AccessKeys.h"
#include "service/members/MemberDirectory.h"
#include "service/members/Presence.h"
#include "service/page/PageRoutes.h"
#include "service/scripts/RefusalLog.h"
#include "service/scripts/ScriptCommands.h"
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
  // True: anyone may speak for any character id, as before keys (an allegiance's choice); by
  // default each character has a key.
  bool open_access = false;
  // Called once, on the database's writer, when the file at `database` is no longer the one
  // the service opened: from then on every change is refused, and the program should stop.
  std::function<void()> on_database_lost;
  // A pause before each commit, for tests that must see an answer wait for its commit.
  int commit_delay_ms = 0;
};

// Who sends a request, besides what its body says.
struct Caller {
  std::string key;      // the request's key header; "" when it has none
  std::string address;  // for the log
};

// What a refused key costs the address in its rate limit: a few wrong guesses, then one now
// and then.
inline constexpr int kRefusedKeyCost = 10;

// The answer to one post: the status, the body in the plug-in's code page, and the first word
// of the argument for the access log.
struct ScriptReply {
  int status = 200;
  std::string body;
  std::string detail;
  std::string issued_key;  // a key to hand to the character; "" for none
  std::string refused;     // why the caller was turned away ("key", "allegiance"); "" if not
  int rate_cost = 0;       // requests to count against the address beside this one
  std::string log_note;    // for the access log; never a key or a player's text
  // Seconds after which a client may try again (a Retry-After header); 0 for none.
  int retry_after = 0;
};

using ScriptDone = std::function<void(ScriptReply reply)>;

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
  ScriptReply Post(std::string_view path, std::string_view body, const Caller& caller = {});
  // The same without waiting for a commit: `done` gets the answer, on the calling thread when
  // no change is made, else on the database's writer once the change is committed. A thread
  // that serves other connections hands changes off this way rather than waiting for them.
  void PostAsync(std::string_view path, std::string_view body, const Caller& caller,
                 ScriptDone done);
  // The Content-Type of the scripts' answers, with the code page they are written in.
  const std::string& AnswerType() const { return answer_type_; }

  // What the members' page reads.
  PageSources ForPage();

  // For seeding: the demo's sample allegiance and the tests' fixtures.
  Database& Db() { return database_; }
  Presence& Online() { return presence_; }

 private:
  void Run(const ServiceScript& script, std::shared_ptr<const ServiceRequest> request,
           const std::string& address, std::string issued_key, ScriptDone done);
  void Finish(const ServiceScript& script, const ServiceRequest& request, std::string answer,
              const std::exception_ptr& failure, std::string issued_key, const ScriptDone& done);
  // The refusal for who is asking, if the request is not to be served; may hand out a key.
  std::optional<ScriptReply> Admit(std::string_view script, const ServiceRequest& request,
                                   const Caller& caller, std::string& issued_key);
  std::optional<ScriptReply> CheckKey(std::string_view script, const ServiceRequest& request,
                                      const Caller& caller, std::string& issued_key);
  ScriptReply Failure(std::string_view script, const std::exception& error);
  void DatabaseLost(const std::string& why);
  std::string Encode(std::string_view utf8);
  void LogError(const std::string& line);
  void RefreshMembers(SqliteConnection& db);

  std::function<platform::DateTime()> now_;
  std::ostream& errors_;
  std::function<void(const ServiceRequest&)> on_request_;
  bool open_access_;
  std::function<void()> on_database_lost_;
  const std::string answer_type_;
  RefusalLog refusals_;         // a client's refused records, logged once a minute
  std::mutex code_page_mutex_;  // the conversion keeps state while it runs
  std::unique_ptr<platform::CodePage> code_page_;
  std::mutex log_mutex_;
  MemberDirectory members_;  // before the database: its writer refreshes it to the last commit
  Database database_;
  Presence presence_;
  AccessKeys keys_;
};

// True for the script names the service answers ("member.php", ...).
bool IsServiceScript(std::string_view path);

// The script a path names: "/ostravel/member.php" and "member.php" both name "member.php".
std::string_view ScriptName(std::string_view path);

}  // namespace ostravel::service
