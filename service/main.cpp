// ostravel-service: the allegiance's web service for the Ostravel plug-in, and the admin's
// commands on its database.

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "service/AllegianceService.h"
#include "service/Router.h"
#include "service/SystemdNotify.h"
#include "service/admin/AccessAdmin.h"
#include "service/admin/AdminCommands.h"
#include "service/admin/ServeClaim.h"
#include "service/admin/ServeConfig.h"
#include "service/http/HttpServer.h"
#include "service/http/SignalWait.h"
#include "service/page/PublicAddress.h"
#include "service/store/SqliteConnection.h"

namespace {

using ostravel::service::AllegianceService;
using ostravel::service::ServeSettings;

constexpr int kFailed = 1;

// The serve subcommand and its options, which may also come from a config file.
struct ServeCommand {
  explicit ServeCommand(CLI::App& app)
      : command(app.add_subcommand("serve", "Serve the plug-in's scripts (creates FILE)")),
        db(command->add_option("--db", settings.database, "The database file")),
        listen(command->add_option("--listen", settings.listen, "ADDR:PORT (port 0: any free one)")
                   ->capture_default_str()),
        codepage(command->add_option("--codepage", settings.code_page, "The plug-in's code page")
                     ->capture_default_str()),
        trust_proxy(command->add_option("--trust-proxy", settings.trusted_proxy,
                                        "ADDR of a reverse proxy in front: its X-Forwarded-For "
                                        "names the client")),
        access(command
                   ->add_option("--access", settings.access,
                                "keys: each character its own key; open: anyone may speak for "
                                "any character")
                   ->capture_default_str()),
        name(command->add_option("--name", settings.name,
                                 "The allegiance's name on the page (default: its monarch's)")),
        public_url(command->add_option("--public-url", settings.public_url,
                                       "The address players give the plug-in (default: the "
                                       "one the browser asked for)")),
        installer(command
                      ->add_option("--installer", settings.installer,
                                   "The players' installer the page offers")
                      ->capture_default_str()),
        create(command->add_flag("--create", settings.create,
                                 "Make a new, empty database where one was served before and "
                                 "is now missing (otherwise refused, as after a mistake)")),
        commit_delay(
            command->add_option("--test-commit-delay-ms", settings.commit_delay_ms)->group("")),
        config_option(
            command
                ->add_option("--config", config,
                             "Settings db, listen, codepage, trusted_proxy, access, name, "
                             "public_url, installer (by default read only if it is "
                             "there)")
                ->capture_default_str()) {}

  // The options the command line gave win over the config file's.
  ServeSettings Settle() {
    std::set<std::string> given;
    if (db->count() > 0) given.insert("db");
    if (listen->count() > 0) given.insert("listen");
    if (codepage->count() > 0) given.insert("codepage");
    if (trust_proxy->count() > 0) given.insert("trusted_proxy");
    if (name->count() > 0) given.insert("name");
    if (public_url->count() > 0) given.insert("public_url");
    if (installer->count() > 0) given.insert("installer");
    if (access->count() > 0) given.insert("access");
    ostravel::service::LoadServeConfig(config, config_option->count() > 0, given, settings);
    if (settings.database.empty()) {
      throw std::invalid_argument("serve needs a database: --db FILE, or a line \"db = FILE\" in " +
                                  config);
    }
    if (!settings.trusted_proxy.empty()) ostravel::service::CheckedProxy(settings.trusted_proxy);
    ostravel::service::CheckedAccess(settings.access);
    if (!settings.public_url.empty()) {
      settings.public_url = ostravel::service::CheckedPublicUrl(settings.public_url);
    }
    return settings;
  }

  ServeSettings settings;
  std::string config = ostravel::service::kDefaultServeConfig;
  CLI::App* command;
  CLI::Option* db;
  CLI::Option* listen;
  CLI::Option* codepage;
  CLI::Option* trust_proxy;
  CLI::Option* access;
  CLI::Option* name;
  CLI::Option* public_url;
  CLI::Option* installer;
  CLI::Option* create;
  CLI::Option* commit_delay;
  CLI::Option* config_option;
};

// The exit status when the database was removed or replaced under the service: a failure,
// so that a service manager restarts it, and the restart refuses to make an empty one.
constexpr int kDatabaseLost = 3;

int Serve(const ServeSettings& serve) {
  ostravel::service::ServeClaim claim(serve.database, serve.create);
  ostravel::service::HttpServerOptions http;
  const auto listen = ostravel::service::ParseListen(serve.listen);
  http.address = listen.address;
  http.port = listen.port;
  http.trusted_proxy = serve.trusted_proxy;
  ostravel::service::ServiceOptions options;
  options.database = serve.database;
  options.code_page = serve.code_page;
  options.open_access = serve.access == "open";
  options.commit_delay_ms = serve.commit_delay_ms;
  std::atomic<bool> lost{false};
  options.on_database_lost = [&lost] {
    lost = true;
    ostravel::service::RequestTermination();
  };
  auto service = std::make_unique<AllegianceService>(std::move(options));
  ostravel::service::PageOptions page;
  page.name = serve.name;
  page.public_url = serve.public_url;
  page.installer = serve.installer;
  const ostravel::service::Router router(*service, std::move(page));
  ostravel::service::HttpServer server(
      http,
      [&router](const ostravel::service::HttpRequest& request,
                ostravel::service::HttpRespond respond) {
        router.HandleAsync(request, std::move(respond));
      },
      std::cout);
  const std::uint16_t port = server.Start();
  const std::string where = "http://" + http.address + ":" + std::to_string(port) + "/";
  claim.Announce(where);
  const std::string ready =
      "Ostravel service listening on " + where + " (database " + serve.database.string() + ")";
  std::cout << ready << std::endl;
  ostravel::service::NotifyReady(ready);
  ostravel::service::WaitForTerminationSignal();
  ostravel::service::NotifyStopping();
  server.Stop();
  service.reset();  // the writer commits what it holds, and the database closes
  if (lost) {
    std::cerr << "ostravel-service: stopped because " << serve.database.string()
              << " was removed or replaced while it served; restore it from a backup, then "
                 "start again"
              << std::endl;
    return kDatabaseLost;
  }
  return 0;
}

// The admin's commands about who may use the service: keys, reset-key, audit, allegiance.
struct AccessCommands {
  template <class WithDb>
  AccessCommands(CLI::App& app, WithDb with_db)
      : keys(with_db(app.add_subcommand("keys", "List every character's key state"))),
        reset_key(with_db(app.add_subcommand("reset-key", "Forget a character's key"))),
        audit(with_db(app.add_subcommand("audit", "Print who changed what, and when"))),
        gate(with_db(app.add_subcommand(
            "allegiance", "Serve only the allegiance of the monarch NAME and its friends"))) {
    reset_key->add_option("NAME", name)->required();
    gate->add_option("NAME", name, "The monarch's name, or off to serve everyone")->required();
  }

  void Run(const std::filesystem::path& db) const {
    if (keys->parsed()) ostravel::service::ListKeysOnFile(db, std::cout);
    if (reset_key->parsed()) {
      ostravel::service::ResetKeyOnFile(db, name);
      std::cout << "The key of " << name << " is forgotten; its next request gets a new one.\n";
    }
    if (audit->parsed()) ostravel::service::PrintAudit(db, std::cout);
    if (gate->parsed()) ostravel::service::SetAllegianceGate(db, name, std::cout);
  }

  std::string name;
  CLI::App* keys;
  CLI::App* reset_key;
  CLI::App* audit;
  CLI::App* gate;
};

bool OnOff(const std::string& word) {
  if (word == "on") return true;
  if (word == "off") return false;
  throw std::invalid_argument("the last word is on or off, not \"" + word + "\"");
}

// CLI11 says only "A subcommand is required" for a word it does not know; this names the word
// and lists the subcommands.
std::optional<std::string> UnknownSubcommand(CLI::App& app, int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return std::nullopt;
  std::string names;
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == argv[1]) return std::nullopt;
    names += (names.empty() ? "" : ", ") + command->get_name();
  }
  return "ostravel-service: \"" + std::string(argv[1]) +
         "\" is no subcommand; the subcommands are " + names +
         " (ostravel-service SUBCOMMAND --help tells more)\n";
}

}  // namespace

int main(int argc, char** argv) {
  // First, so that every thread started later leaves the signals to the waiting one.
  ostravel::service::BlockTerminationSignals();
  CLI::App app{"ostravel-service: the allegiance's web service for the Ostravel plug-in."};
  app.require_subcommand(1);
  std::filesystem::path db;
  const auto with_db = [&](CLI::App* command) {
    command->add_option("--db", db, "The database file")->required();
    return command;
  };
  ServeCommand serve(app);
  std::string text, name, role, allegiance, state, target;
  std::int32_t id = 0;
  auto* motd = with_db(app.add_subcommand("motd", "Set the message of the day"));
  motd->add_option("TEXT", text)->required();
  auto* role_command = with_db(app.add_subcommand("role", "Give or take a staff role"));
  role_command->add_option("NAME", name)->required();
  role_command->add_option("ROLE", role)->required();
  role_command->add_option("STATE", state, "on or off")->required();
  auto* friend_command = with_db(app.add_subcommand("friend", "List or unlist a friend"));
  friend_command->add_option("NAME", name)->required();
  friend_command->add_option("ALLEGIANCE", allegiance)->required();
  friend_command->add_option("STATE", state, "on or off")->required();
  auto* rename = with_db(app.add_subcommand("rename", "Allow a character's new name"));
  rename->add_option("ID", id)->required();
  rename->add_option("NAME", name)->required();
  auto* backup = with_db(app.add_subcommand("backup", "Write a consistent copy to TARGET"));
  backup->add_option("TARGET", target)->required();
  auto* check = with_db(app.add_subcommand("check", "Check the database's integrity"));
  auto* export_command = with_db(app.add_subcommand("export", "Print everything as JSON lines"));
  AccessCommands access(app, with_db);
  if (const auto unknown = UnknownSubcommand(app, argc, argv)) {
    std::cerr << *unknown;
    return kFailed;
  }
  CLI11_PARSE(app, argc, argv);

  try {
    if (serve.command->parsed()) return Serve(serve.Settle());
    if (motd->parsed()) ostravel::service::SetMotd(db, text);
    if (role_command->parsed()) ostravel::service::SetStaffRoleOf(db, name, role, OnOff(state));
    if (friend_command->parsed()) {
      ostravel::service::SetFriendOfAllegiance(db, name, allegiance, OnOff(state));
    }
    if (rename->parsed()) ostravel::service::RenameCharacterOnFile(db, id, name);
    if (backup->parsed()) ostravel::service::BackUpDatabase(db, target);
    if (export_command->parsed()) ostravel::service::ExportDatabase(db, std::cout);
    access.Run(db);
    if (check->parsed()) {
      const auto problems = ostravel::service::CheckDatabase(db);
      for (const auto& problem : problems) std::cout << db.string() << ": " << problem << '\n';
      if (!problems.empty()) return kFailed;
      std::cout << db.string() << ": ok\n";
    }
    return 0;
  } catch (const ostravel::service::DatabaseBusy& error) {
    std::cerr << "ostravel-service: " << error.what()
              << "\nAnother program holds the database's lock (the service itself lets go "
                 "within seconds); close it or wait, then try again.\n";
  } catch (const ostravel::service::DatabaseCorrupt& error) {
    std::cerr << "ostravel-service: " << error.what()
              << "\nThe file is damaged or no database of this service; restore it from a "
                 "backup (ostravel-service backup makes them).\n";
  } catch (const std::exception& error) {
    std::cerr << "ostravel-service: " << error.what() << '\n';
  }
  return kFailed;
}
