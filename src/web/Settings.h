#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/Variant.h"
#include "web/ChatLineMerge.h"

namespace ostravel::platform {
class CodePage;
}

namespace ostravel {

struct Environment;

// One saved tell; a missing attribute reads as an empty value.
struct ChatLine {
  host::Variant name;
  host::Variant text;
};

// The Update page's two check boxes of one character.
struct CharacterBoxes {
  bool shareinfo = true;
  bool autoupdate = true;
};

// One "channel" element of the IRC list. The last four are optional: "" (or none) when the
// element does not give them.
struct IrcChannelSettings {
  std::string server;
  std::string port;
  std::string channel;
  std::string command;
  std::int32_t colorcode = 0;
  bool join = false;
  std::optional<bool> tls;
  std::string tls_fingerprint;
  std::string password;
  std::string key;
};

// A channel's join flag as the IRC page holds it.
struct IrcJoinFlag {
  std::string server;
  std::string channel;
  bool join = false;
};

// What the plug-in keeps in "Ostravel.xml", by owner: the web service's address, the saved
// tells, each character's check boxes and the IRC channels. Each call reads the file afresh
// under its lock; a save re-reads what is on disk and changes only what this object's owner
// changed since its load, so that several game clients sharing the folder keep each other's
// changes. Errors are thrown as Error with the numbers and texts of SettingsFile.
class Settings {
 public:
  Settings(std::filesystem::path folder, const platform::CodePage& ansi,
           std::chrono::milliseconds wait = std::chrono::milliseconds{5000});
  explicit Settings(const Environment& env);

  static constexpr const char* kFileName = "Ostravel.xml";

  // The last "server" element's "url"; "" when there is none. Throws Error 94 for a "server"
  // without "url".
  std::string ServerAddress() const;
  // Points every "server" element at `url`, adding one at the top when there is none.
  void SetServerAddress(const std::string& url) const;

  // Every "chatline" in document order, remembered for SaveChatLines.
  std::vector<ChatLine> LoadChatLines();
  // Writes the first "savelines" of the Chat tab's rows (newest first) into "chathelper",
  // with the tells other clients saved or removed since the load merged in. Without a
  // "chathelper" nothing is saved; a "savelines" that is missing or no number is an error.
  void SaveChatLines(const std::vector<ChatLine>& rows);

  // Calls `found` for each "character" named `name`, in document order. A matching element
  // without a Boolean "shareinfo" and "autoupdate" is an error that ends the reading.
  void LoadCharacterBoxes(const std::string& name,
                          const std::function<void(const CharacterBoxes&)>& found) const;
  // Replaces the character's elements in "update" by one with `boxes`, as its last child;
  // what the replaced ones held (the character's key) moves into it. Without an "update"
  // nothing is saved.
  void SaveCharacterBoxes(const std::string& name, const CharacterBoxes& boxes) const;

  // The key the service gave the character with this id: the "value" of the last "key"
  // element whose "cid" is the id; "" when there is none or it is no key, or no file.
  std::string CharacterKey(std::int32_t cid) const;
  // Keeps `key` for the character: one "key" element with "cid" and "value" inside the last
  // "character" element of "update" named `name` (made, with both boxes on, when there is
  // none; "update" too), in place of every other "key" of that id there. The key belongs to
  // the id, which stays when a character is renamed.
  void SaveCharacterKey(const std::string& name, std::int32_t cid, const std::string& key) const;

  // Calls `found` for every "channel" in document order. A missing attribute, a "colorcode"
  // that is no number or a "join" or "tls" that is no Boolean is an error that ends the
  // reading after the channels before it. The join flags are remembered for SaveJoinFlags.
  void LoadIrcChannels(const std::function<void(const IrcChannelSettings&)>& found);
  // Writes the join flags that changed since the load into the "channel" children of "irc"
  // (server and channel names matched in any letter case, as the IRC client keys them).
  // Channels the page does not know, added by someone else, are left as they are.
  void SaveJoinFlags(const std::vector<IrcJoinFlag>& flags);

 private:
  using ChannelKey = std::pair<std::string, std::string>;  // server and channel, lower case
  static ChannelKey KeyOf(const std::string& server, const std::string& channel);

  std::filesystem::path folder_;
  const platform::CodePage& ansi_;
  std::chrono::milliseconds wait_;
  ChatLineMerge chat_;
  std::map<ChannelKey, bool> loaded_joins_;
};

}  // namespace ostravel
