#include "irc/TabIRC.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/ListIcons.h"
#include "common/OstravelLib.h"
#include "host/Variant.h"
#include "web/Settings.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "TabIRC";
constexpr std::int32_t kTimerMs = 100;

std::int32_t Row(std::size_t index) {
  return static_cast<std::int32_t>(index);
}

}  // namespace

std::string MoreRowText(std::size_t more) {
  return "... and " + std::to_string(more) + " more";
}

std::string IrcNick(std::string character_name) {
  std::replace(character_name.begin(), character_name.end(), ' ', '_');
  std::replace(character_name.begin(), character_name.end(), '\'', '^');
  return character_name;
}

std::string ServerTag(const std::string& server_name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kTags{{
      {"MORNINGTHAW", "MT"},
      {"THISTLEDOWN", "TD"},
      {"FROSTFELL", "FF"},
      {"LEAFCULL", "LC"},
      {"WINTERSEBB", "WE"},
      {"SOLCLAIM", "SC"},
      {"HARVESTGAIN", "HG"},
      {"DARKTIDE", "DT"},
      {"VERDANTINE", "VT"},
  }};
  const std::string upper = UpperCase(server_name);
  for (const auto& [name, tag] : kTags) {
    if (upper == name) return std::string(tag);
  }
  return "";
}

TabIRC::TabIRC(Context& ctx) : ctx_(ctx), Servers_(ctx) {
  ErrorHandler{ctx_, kModule, "Class_Initialize"}([&] {
    auto& view = Require(ctx_.MainView);
    Timer = Require(ctx_.PluginSite).CreateTimer();
    timer_ticked_ = Timer->Timeout.Connect([this](host::Timer&) { Timer_Timeout(); });
    chIRC = host::GetControl<host::Choice>(view, "chIRC");
    choice_changed_ =
        chIRC->Change.Connect([this](std::int32_t, std::int32_t i) { chIRC_Change(i); });
    chkIRC = host::GetControl<host::Checkbox>(view, "chkIRC");
    box_changed_ = chkIRC->Change.Connect([this](std::int32_t, bool on) { chkIRC_Change(on); });
    lstIRC = host::GetControl<host::List>(view, "lstIRC");
    list_clicked_ = lstIRC->Change.Connect(
        [this](std::int32_t, std::int32_t x, std::int32_t y) { lstIRC_Change(x, y); });
    LoadSettings();
    Timer->Start(kTimerMs);
    if (chIRC->ChoiceCount() > 0) chIRC->SetSelected(0);
  });
}

TabIRC::~TabIRC() {
  ErrorHandler step{ctx_, kModule, "Class_Terminate"};
  step([&] {
    if (Timer) Timer->Stop();
    timer_ticked_.Disconnect();
  });
  step([&] {
    if (settings_loaded_) SaveSettings();
  });
}

bool TabIRC::ChatText(const std::string& strCmd) {
  for (const auto& server : Servers_) {
    if (server->ChatText(strCmd)) return true;
  }
  return false;
}

void TabIRC::TabIRCUpdateAllegiance() {
  ErrorHandler{ctx_, kModule, "UpdateAllegiance"}([&] {
    if (!ctx_.LoggedIn || names_set_) return;
    const std::string nick = IrcNick(ctx_.CharacterName);
    const std::string real_name = "[" + ServerTag(Require(ctx_.CharacterStats).Server()) + ":" +
                                  ctx_.Monarch.Name + "] " + ctx_.CharacterName;
    for (const auto& server : Servers_) {
      server->NickName = nick;
      server->RealName = real_name;
      server->Connect();
    }
    names_set_ = true;
  });
}

std::pair<std::shared_ptr<IRCServer>, std::shared_ptr<IRCChannel>> TabIRC::Current() const {
  const std::int32_t selected = chIRC->Selected();
  if (selected < 0 || static_cast<std::size_t>(selected) >= entries_.size()) {
    throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
  }
  return entries_[static_cast<std::size_t>(selected)];
}

void TabIRC::chIRC_Change(std::int32_t) {
  ErrorHandler{ctx_, kModule, "chIRC_Change"}([&] {
    if (chIRC->ChoiceCount() == 0) return;
    const auto [server, channel] = Current();
    chkIRC->SetChecked(channel->Join);
    DrawTab(*channel);
  });
}

void TabIRC::chkIRC_Change(bool bChecked) {
  ErrorHandler{ctx_, kModule, "chkIRC_Change"}([&] {
    if (chIRC->ChoiceCount() == 0) return;
    const auto [server, channel] = Current();
    if (bChecked) {
      channel->Join = true;
      server->Connect();
      server->Join(channel->ChannelName);
    } else {
      server->Part(channel->ChannelName);
      channel->Join = false;
    }
  });
}

void TabIRC::lstIRC_Change(std::int32_t nX, std::int32_t nY) {
  ErrorHandler{ctx_, kModule, "lstIRC_Change"}([&] {
    if (chIRC->ChoiceCount() == 0) return;
    const auto [server, channel] = Current();
    // The rows of the users drawn last; the "more" row names nobody.
    if (nY < 0 || static_cast<std::size_t>(nY) >= drawn_.size()) return;
    const std::string nick = drawn_[static_cast<std::size_t>(nY)];
    if (nX == 0) {
      // One line says why, when the server cannot be asked.
      if (server->Whois(nick)) server->CTCPVersion(nick);
    } else if (nX == 1) {
      TypeText(ctx_, "@" + channel->Command + " " + nick + ": ", 0);
    }
  });
}

void TabIRC::Timer_Timeout() {
  ErrorHandler{ctx_, kModule, "Timer_Timeout"}([&] {
    if (chIRC->ChoiceCount() == 0) return;
    const auto [server, channel] = Current();
    // A kick or a ban turns the channel off behind the page's back.
    chkIRC->SetChecked(channel->Join);
    if (channel->Users.UsersChanged) DrawTab(*channel);
    ShowChannelStates();
  });
}

void TabIRC::ShowChannelStates() {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const auto& [server, channel] = entries_[i];
    const std::string status = server->ChannelStatus(*channel);
    std::string text =
        status.empty() ? channel->ChannelName : channel->ChannelName + " (" + status + ")";
    if (text == shown_[i]) continue;
    chIRC->SetText(static_cast<std::int32_t>(i), text);
    shown_[i] = std::move(text);
  }
}

// Only what changed goes to the host, and at most kMaxUserRows users and the "more" row: the
// tick runs on the game's own thread, and a server may list a million names.
void TabIRC::DrawTab(IRCChannel& channel) {
  ErrorHandler{ctx_, kModule, "DrawTab"}([&] {
    channel.Users.UsersChanged = false;
    if (!list_in_step_ || channel.Users.Count() == 0) ClearList();
    list_in_step_ = false;  // until every change below reached the host
    const std::size_t total = static_cast<std::size_t>(channel.Users.Count());
    const std::size_t shown = std::min(total, kMaxUserRows);
    const std::size_t more = total - shown;
    if (more_shown_ > 0 && more == 0) {
      lstIRC->DeleteRow(Row(drawn_.size()));
      more_shown_ = 0;
    }
    DrawUsers(channel.Users, shown);
    if (more != more_shown_) {
      if (more_shown_ == 0) lstIRC->AddRow();
      lstIRC->SetData(1, Row(shown), 0, MoreRowText(more));
      more_shown_ = more;
    }
    list_in_step_ = true;
  });
}

// Rows 0 to `shown` - 1 take the first users; rows past them go.
void TabIRC::DrawUsers(const IRCUsers& users, std::size_t shown) {
  std::size_t row = 0;
  for (const auto& user : users.Members()) {
    if (row == shown) break;
    if (row == drawn_.size()) {
      lstIRC->SetData(0, lstIRC->AddRow(), kIconSub, kRowIcon);
      drawn_.emplace_back();
    }
    if (drawn_[row] != user->NickName) {
      lstIRC->SetData(1, Row(row), 0, user->NickName);
      drawn_[row] = user->NickName;
    }
    ++row;
  }
  while (drawn_.size() > shown) {
    lstIRC->DeleteRow(Row(drawn_.size() - 1));
    drawn_.pop_back();
  }
}

void TabIRC::ClearList() {
  lstIRC->Clear();
  drawn_.clear();
  more_shown_ = 0;
}

void TabIRC::LoadSettings() {
  ErrorHandler{ctx_, kModule, "LoadSettings"}([&] {
    settings_ = std::make_unique<Settings>(ctx_.env);
    settings_->LoadIrcChannels([&](const IrcChannelSettings& element) {
      if (!Servers_.Exists(element.server)) Servers_.Add(element.server, element.port);
      auto server = Servers_.Item(element.server);
      LoadServerOptions(element, *server);
      if (server->Channels.Exists(element.channel)) return;
      auto channel =
          server->Channels.Add(element.channel, element.command, element.colorcode, element.join);
      channel->Key = element.key;
      chIRC->AddChoice(element.channel, element.server);
      entries_.emplace_back(server, std::move(channel));
      shown_.push_back(element.channel);
    });
    settings_loaded_ = true;
  });
}

// Optional, and never written back: a file without them connects as before. The first
// element of a server that gives one decides it.
void TabIRC::LoadServerOptions(const IrcChannelSettings& element, IRCServer& server) {
  if (element.tls && !server.UseTls) server.UseTls = *element.tls;
  if (server.TlsFingerprint.empty()) server.TlsFingerprint = element.tls_fingerprint;
  if (server.Password.empty()) server.Password = element.password;
}

void TabIRC::SaveSettings() {
  ErrorHandler{ctx_, kModule, "SaveSettings"}([&] {
    std::vector<IrcJoinFlag> flags;
    for (const auto& [server, channel] : entries_) {
      flags.push_back({server->ServerName, channel->ChannelName, channel->Join});
    }
    Require(settings_).SaveJoinFlags(flags);
  });
}

}  // namespace ostravel
