#include "service/admin/ServeConfig.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <string_view>

#include "service/http/ForwardedFor.h"
#include "service/page/PublicAddress.h"

namespace ostravel::service {
namespace {

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

// A whole decimal number in [low, high]; throws std::invalid_argument naming `what` otherwise.
int WholeNumber(const std::string& text, int low, int high, const std::string& what) {
  std::size_t used = 0;
  int number = low - 1;
  try {
    number = std::stoi(text, &used);
  } catch (const std::exception&) {
  }
  if (text.empty() || used != text.size() || number < low || number > high) {
    throw std::invalid_argument(what + " must be a number from " + std::to_string(low) + " to " +
                                std::to_string(high));
  }
  return number;
}

struct Key {
  const char* name;
  void (*apply)(const std::string& value, ServeSettings& settings);
};

constexpr std::array<Key, 8> kKeys = {{
    {"db", [](const std::string& value, ServeSettings& s) { s.database = value; }},
    {"listen",
     [](const std::string& value, ServeSettings& s) {
       ParseListen(value);
       s.listen = value;
     }},
    {"codepage",
     [](const std::string& value, ServeSettings& s) {
       s.code_page = WholeNumber(value, 1, 65535, "the code page");
     }},
    {"trusted_proxy",
     [](const std::string& value, ServeSettings& s) { s.trusted_proxy = CheckedProxy(value); }},
    {"name", [](const std::string& value, ServeSettings& s) { s.name = value; }},
    {"public_url",
     [](const std::string& value, ServeSettings& s) { s.public_url = CheckedPublicUrl(value); }},
    {"installer", [](const std::string& value, ServeSettings& s) { s.installer = value; }},
    {"access", [](const std::string& value, ServeSettings& s) { s.access = CheckedAccess(value); }},
}};

const Key* FindKey(const std::string& name) {
  for (const Key& key : kKeys) {
    if (name == key.name) return &key;
  }
  return nullptr;
}

// A value in double quotes keeps its spaces at either end; the quotes go.
std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// One "key = value" line into settings (or, for a key the command line gave, into a
// throwaway copy, so that its value is still checked). Throws std::invalid_argument.
void ReadLine(const std::string& line, const std::set<std::string>& given,
              std::map<std::string, int>& seen, int number, ServeSettings& settings) {
  const auto equals = line.find('=');
  if (equals == std::string::npos) {
    throw std::invalid_argument("\"" + line + "\" is no \"key = value\" line; write it as " +
                                "\"key = value\" or start it with # to keep it as a comment");
  }
  const std::string name = Trimmed(std::string_view(line).substr(0, equals));
  const Key* key = FindKey(name);
  if (key == nullptr) {
    throw std::invalid_argument("\"" + name + "\" is no setting; the settings are db, listen, " +
                                "codepage, trusted_proxy, access, name, public_url and installer");
  }
  if (const auto earlier = seen.find(name); earlier != seen.end()) {
    throw std::invalid_argument(name + " is set on line " + std::to_string(earlier->second) +
                                " already; keep one of the two lines");
  }
  seen.emplace(name, number);
  const std::string value = Unquoted(Trimmed(std::string_view(line).substr(equals + 1)));
  if (value.empty()) throw std::invalid_argument(name + " has no value; give one or remove it");
  ServeSettings ignored;
  key->apply(value, given.count(name) != 0 ? ignored : settings);
}

}  // namespace

std::string CheckedAccess(const std::string& access) {
  if (access == "keys" || access == "open") return access;
  throw std::invalid_argument(
      "access is keys (each character its own key) or open (anyone may "
      "speak for any character), not \"" +
      access + "\"");
}

std::string CheckedProxy(const std::string& address) {
  if (!IsAddress(address)) {
    throw std::invalid_argument(
        "the trusted proxy is an IPv4 or IPv6 address, such as 127.0.0.1, "
        "not \"" +
        address + "\"");
  }
  return address;
}

ListenAddress ParseListen(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) {
    throw std::invalid_argument("listen takes ADDR:PORT, for example " + ServeSettings().listen);
  }
  const int port = WholeNumber(text.substr(colon + 1), 0, 65535, "the port of listen");
  return {text.substr(0, colon), static_cast<std::uint16_t>(port)};
}

void ReadServeConfig(std::istream& in, const std::string& name, const std::set<std::string>& given,
                     ServeSettings& settings) {
  std::map<std::string, int> seen;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = Trimmed(line);
    if (line.empty() || line.front() == '#') continue;
    try {
      ReadLine(line, given, seen, number, settings);
    } catch (const std::invalid_argument& error) {
      throw ConfigError(name + ":" + std::to_string(number) + ": " + error.what());
    }
  }
}

void LoadServeConfig(const std::filesystem::path& file, bool required,
                     const std::set<std::string>& given, ServeSettings& settings) {
  std::ifstream in(file);
  if (!in) {
    const int error = errno;
    if (!required && error == ENOENT) return;
    throw ConfigError(file.string() + ": cannot read it (" + std::strerror(error) +
                      "); name a readable config file with --config");
  }
  ReadServeConfig(in, file.string(), given, settings);
}

}  // namespace ostravel::service
