#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/Filters.h"
#include "host/Message.h"
#include "host/PluginSite.h"
#include "sim/CharacterProfile.h"

namespace ostravel::platform {
class EventLoop;
}

namespace ostravel::sim {

class SimView;
class SimCharacterStats;

// One effect of the plug-in that the host sees.
struct Effect {
  enum class Kind {
    kChat,       // text written to chat (prefixed: through the operation used with the prefix)
    kGame,       // a typed line that the plug-in did not eat reached the game
    kInvoke,     // a line the plug-in ran through the game's chat parser
    kClipboard,  // text put on the clipboard
    kTypeText,   // text placed into the chat input line
  };
  Kind kind = Kind::kChat;
  std::string text;
  std::int32_t color = 0;
  std::int32_t window = 0;
  bool prefixed = false;
  std::int32_t flag = 0;
};

using EffectSink = std::function<void(const Effect&)>;

// The Decal host in memory: the plug-in site with its hooks, filters, view loading and timers,
// fed by a character profile. Tests and the workbench act on it as the player and the game.
// Everything runs on the given loop.
class SimHost {
 public:
  SimHost(platform::EventLoop& loop, CharacterProfile profile);
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  // The site to hand to IPlugin2_Initialize.
  std::shared_ptr<host::PluginSite> Site();
  // Receives every effect, in order.
  void SetEffectSink(EffectSink sink);

  // The player types a line into the chat: the interception event is raised and, unless a
  // handler ate it, the line reaches the game (a kGame effect). Returns whether it was eaten.
  bool TypeLine(const std::string& line);
  // The CharacterStats filter reports the completed login, or a logoff of the given type.
  void CompleteLogin();
  void Logoff(std::int32_t type);
  // The game server sends a message.
  void ServerMessage(const host::Message& message);
  void Select(std::int32_t object_id);
  void SetLocation(std::int32_t landblock);

  // The view the plug-in loaded last, or nullptr.
  std::shared_ptr<SimView> View() const;
  const CharacterProfile& Profile() const;

  // Raises the tick of every running timer whose interval is `interval_ms` at once; returns
  // how many ticked.
  int FireTimers(std::int32_t interval_ms);
  // The intervals of the timers that are running now.
  std::vector<std::int32_t> RunningTimerIntervals() const;

  // Failure injection for tests: view loading refuses every text; a service path is missing.
  void RefuseViewLoad(bool refuse);
  void RemoveService(const std::string& path);

  // The host objects themselves, for tests that look behind the plug-in's back.
  std::shared_ptr<host::Hooks> Hooks() const;
  std::shared_ptr<host::CharacterStats> Stats() const;
  std::shared_ptr<host::World> World() const;
  std::shared_ptr<host::EchoFilter2> Echo() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel::sim
