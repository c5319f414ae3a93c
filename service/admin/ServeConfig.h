#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <set>
#include <stdexcept>
#include <string>

#include "service/http/HttpServer.h"
#include "service/page/PageOptions.h"
#include "wire/CodePageDefault.h"

namespace ostravel::service {

// Where the installed service reads its settings; `serve` reads it only when it is there.
inline constexpr const char* kDefaultServeConfig = "/etc/ostravel/ostravel-service.conf";

// What `serve` runs with: the command line's options over the config file's over these.
struct ServeSettings {
  std::filesystem::path database;
  std::string listen = std::string(kDefaultHttpAddress) + ":" + std::to_string(kDefaultHttpPort);
  int code_page = wire::kDefaultCodePage;
  // The reverse proxy in front whose X-Forwarded-For names the client; empty: none.
  std::string trusted_proxy;
  // What the members' page says and offers: the allegiance's name (empty: its monarch's),
  // the address players give the plug-in (empty: the one the browser asked for), and the
  // installer it offers for download.
  std::string name;
  std::string public_url;
  std::filesystem::path installer = kDefaultInstaller;
  // Who may speak for a character: "keys" (each character's own key) or "open" (anyone).
  std::string access = "keys";
  // Make an empty database even where the mark of an earlier one says it went missing.
  bool create = false;
  // A pause before each commit; only for tests of answers that must wait for their commit.
  int commit_delay_ms = 0;
};

// "keys" or "open"; throws std::invalid_argument saying what it takes.
std::string CheckedAccess(const std::string& access);

struct ListenAddress {
  std::string address;
  std::uint16_t port = 0;  // 0 picks a free port
};

// "ADDR:PORT"; throws std::invalid_argument saying what it takes.
ListenAddress ParseListen(const std::string& text);

// The address itself; throws std::invalid_argument for anything that is no IP address.
std::string CheckedProxy(const std::string& address);

// A config file that cannot be read or has a bad line; the text names the file (and the
// line) and what to do.
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads "key = value" lines ("db", "listen", "codepage", "trusted_proxy", "name",
// "public_url", "installer"; "#" starts a comment line) into
// settings, leaving the keys in `given` alone: the command line gave them. Every line is
// checked, also those of keys it leaves alone. `name` is the file's name for the errors.
void ReadServeConfig(std::istream& in, const std::string& name, const std::set<std::string>& given,
                     ServeSettings& settings);

// Reads the file as above. A missing file is an error only when `required` (named on the
// command line); the default file is optional.
void LoadServeConfig(const std::filesystem::path& file, bool required,
                     const std::set<std::string>& given, ServeSettings& settings);

}  // namespace ostravel::service
