#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/Controls.h"
#include "host/Signal.h"
#include "host/Timer.h"
#include "irc/IRCServers.h"

namespace ostravel {

struct Context;
struct IrcChannelSettings;
class Settings;

// The most users the page lists; a last row says how many more there are. Every row costs a
// call into the host on the game's own thread, and no player scrolls through more.
inline constexpr std::size_t kMaxUserRows = 200;

// The "IRC" page and the owner of the IRC client: the channels of the settings file in a
// choice, the "On" box that joins or leaves the chosen one, its users in the list, and the way
// from game chat into the channels.
class TabIRC {
 public:
  explicit TabIRC(Context& ctx);
  // Saves the channels' join flags when the settings were loaded.
  ~TabIRC();
  TabIRC(const TabIRC&) = delete;
  TabIRC& operator=(const TabIRC&) = delete;

  // Offers a line of game chat (without its "@" or "/") to the servers; true when one took it.
  bool ChatText(const std::string& strCmd);
  // Names the user on IRC after the character and connects, once per page life after login.
  void TabIRCUpdateAllegiance();

  IRCServers& Servers() { return Servers_; }

 private:
  void chIRC_Change(std::int32_t nIndex);
  void chkIRC_Change(bool bChecked);
  void lstIRC_Change(std::int32_t nX, std::int32_t nY);
  void Timer_Timeout();
  void DrawTab(IRCChannel& channel);
  void DrawUsers(const IRCUsers& users, std::size_t shown);
  void ClearList();
  // Puts each channel's state behind its name in the choice ("#c (not joined)").
  void ShowChannelStates();
  void LoadSettings();
  void LoadServerOptions(const IrcChannelSettings& element, IRCServer& server);
  void SaveSettings();
  // The server and channel of the selected entry; throws Error when they are unknown.
  std::pair<std::shared_ptr<IRCServer>, std::shared_ptr<IRCChannel>> Current() const;

  Context& ctx_;
  IRCServers Servers_;
  std::shared_ptr<host::Choice> chIRC;
  std::shared_ptr<host::Checkbox> chkIRC;
  std::shared_ptr<host::List> lstIRC;
  std::unique_ptr<host::Timer> Timer;
  // The server and channel of each entry of chIRC, whose text changes with the channel's state.
  std::vector<std::pair<std::shared_ptr<IRCServer>, std::shared_ptr<IRCChannel>>> entries_;
  std::vector<std::string> shown_;
  // What lstIRC shows: the nick of each user row, and the count in the "more" row behind them
  // (0 when there is none). Redrawing changes only what differs from it.
  std::vector<std::string> drawn_;
  std::size_t more_shown_ = 0;
  // False while a redraw is under way, so that one the host failed starts afresh.
  bool list_in_step_ = true;
  bool settings_loaded_ = false;
  // Knows the join flags as loaded, so that the save writes only those the player changed.
  std::unique_ptr<Settings> settings_;
  bool names_set_ = false;
  host::Connection choice_changed_;
  host::Connection box_changed_;
  host::Connection list_clicked_;
  host::Connection timer_ticked_;
};

// The text of the last row when more users are in the channel than the page lists.
std::string MoreRowText(std::size_t more);
// The nick of a character on IRC: spaces become "_", apostrophes "^".
std::string IrcNick(std::string character_name);
// The short tag of a game server ("DT" for Darktide), "" for one not in the list.
std::string ServerTag(const std::string& server_name);

}  // namespace ostravel
