#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "host/Filters.h"
#include "host/Hooks.h"
#include "host/PluginSite.h"
#include "host/View.h"

namespace ostravel::platform {
class EventLoop;
class CodePage;
class Clock;
class HttpClient;
class TcpSocket;
}  // namespace ostravel::platform

namespace ostravel {

// What the host gives the plug-in besides its site: the user-interface loop, the system's code
// page and clock, the folder the plug-in was loaded from (home of "log.txt" and
// "Ostravel.xml"), the HTTP client its web requests go through and the maker of the IRC
// client's sockets.
struct Environment {
  platform::EventLoop& loop;
  const platform::CodePage& code_page;
  const platform::Clock& clock;
  std::filesystem::path folder;
  platform::HttpClient* http = nullptr;  // none: every post fails and is reported
  // Makes the IRC client's sockets; empty for TcpSocket::Create (tests hand in a fake).
  std::function<std::unique_ptr<platform::TcpSocket>(platform::EventLoop&)> tcp_sockets = nullptr;
};

// One allegiance record as the game's allegiance message gives it.
struct AllegianceRecord {
  std::int32_t Gender = 0;
  std::int32_t GUID = 0;
  std::int32_t Leadership = 0;
  std::int32_t Loyalty = 0;
  std::string Name;
  std::int32_t Race = 0;
  std::int32_t Rank = 0;
  std::int32_t TreeParent = 0;
  double XP = 0.0;
};

// One member of the character's fellowship.
struct FellowRec {
  std::int32_t ID = 0;
  std::string Name;
  std::int32_t Level = 0;
  std::int32_t Health = 0;
  std::int32_t Stam = 0;
  std::int32_t Mana = 0;
};

struct FellowshipInfoRec {
  std::int32_t FLeaderID = 0;
  std::string LeaderName;
  std::int32_t LeaderLevel = 0;
  std::int32_t FCount = 0;
  std::string FName;
  bool FState = false;
  bool FXpShare = false;
};

inline constexpr std::size_t kFellowCapacity = 26;

// The process-wide state of one loaded plug-in. OstravelMain owns it and hands it to every
// object that needs it, so several plug-ins can live side by side in one process.
struct Context {
  explicit Context(Environment environment) : env(std::move(environment)) {}
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  Environment env;

  bool LoggedIn = false;
  std::int32_t CharacterID = 0;
  std::string CharacterName;
  // Post-timer ticks since the last character update.
  std::int32_t UpdateTicks = 0;
  double TotalXP = 0.0;
  double UnassignedXP = 0.0;
  AllegianceRecord Monarch;
  AllegianceRecord Patron;
  std::array<FellowRec, kFellowCapacity> Fellows;
  FellowshipInfoRec FellowshipInfo;
  // The web service's base address once read from the settings file; always ends with "/".
  std::string CachedServerURL;
  // When each failure of the web service (its address and the reason) was last shown in chat,
  // in MonotonicMs: every page has its own web request, and one outage should be told once.
  std::map<std::string, std::int64_t> ServiceFailureShownMs;
  // The key the service gave each character, by id, as "Ostravel.xml" holds it ("" for none):
  // read once, changed after it is saved.
  std::map<std::int32_t, std::string> CharacterKeys;

  // The host objects, published at start; empty before and (but for the hooks and the site)
  // after the plug-in's stop.
  std::shared_ptr<host::PluginSite2> PluginSite;
  std::shared_ptr<host::View> MainView;
  std::shared_ptr<host::CharacterStats> CharacterStats;
  std::shared_ptr<host::World> World;
  std::shared_ptr<host::Hooks> ACHooks;
};

}  // namespace ostravel
