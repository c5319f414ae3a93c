#include "irc/TabIRC.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/AsciiText.h"
#include "common/Context.h"
#include "base/Error.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "host/Variant.h"
#include "web/SettingsFile.h"
#include "web/SettingsValues.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "TabIRC";
constexpr std::int32_t kTimerMs = 100;
constexpr std::int32_t kUserIcon = 100668264;

}  // namespace

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
    const std::string nick = host::ToText(lstIRC->Data(1, nY, 0));
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

void TabIRC::DrawTab(IRCChannel& channel) {
  ErrorHandler{ctx_, kModule, "DrawTab"}([&] {
    channel.Users.UsersChanged = false;
    lstIRC->Clear();
    for (const auto& user : channel.Users.Members()) {
      const std::int32_t row = lstIRC->AddRow();
      lstIRC->SetData(0, row, 1, std::int64_t{kUserIcon});
      lstIRC->SetData(1, row, 0, user->NickName);
    }
  });
}

void TabIRC::LoadSettings() {
  ErrorHandler{ctx_, kModule, "LoadSettings"}([&] {
    const auto settings = SettingsFile::Load(ctx_.env.folder, ctx_.env.code_page);
    for (const auto& element : settings.ElementsByTagName("channel")) {
      const std::string server_name = AttributeText(element, "server");
      const std::string port = AttributeText(element, "port");
      const std::string channel_name = AttributeText(element, "channel");
      const std::string command = AttributeText(element, "command");
      const std::int32_t color = AttributeLong(element, "colorcode");
      const bool join = AttributeBool(element, "join");
      if (!Servers_.Exists(server_name)) Servers_.Add(server_name, port);
      auto server = Servers_.Item(server_name);
      LoadServerOptions(element, *server);
      if (server->Channels.Exists(channel_name)) continue;
      auto channel = server->Channels.Add(channel_name, command, color, join);
      if (const auto key = element.attribute("key")) channel->Key = key.as_string();
      chIRC->AddChoice(channel_name, server_name);
      entries_.emplace_back(server, std::move(channel));
      shown_.push_back(channel_name);
    }
    settings_loaded_ = true;
  });
}

// Optional, and never written back: a file without them connects as before. The first
// element of a server that gives one decides it.
void TabIRC::LoadServerOptions(const pugi::xml_node& element, IRCServer& server) {
  if (element.attribute("tls") && !server.UseTls) server.UseTls = AttributeBool(element, "tls");
  if (server.TlsFingerprint.empty()) {
    server.TlsFingerprint = element.attribute("tlsfingerprint").as_string();
  }
  if (server.Password.empty()) server.Password = element.attribute("password").as_string();
}

void TabIRC::SaveSettings() {
  ErrorHandler{ctx_, kModule, "SaveSettings"}([&] {
    auto settings = SettingsFile::LoadForChange(ctx_.env.folder, ctx_.env.code_page);
    const auto irc = settings.FirstElement("irc");
    if (!irc) return;
    for (auto element : irc.children("channel")) {
      auto server = Servers_.Item(AttributeText(element, "server"));
      auto channel = server->Channels.Item(AttributeText(element, "channel"));
      auto join = element.attribute("join");
      if (!join) join = element.append_attribute("join");
      join.set_value(channel->Join ? "True" : "False");
    }
    settings.Save();
  });
}

}  // namespace ostravel
