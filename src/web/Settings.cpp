#include "web/Settings.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "common/Context.h"
#include "web/SettingsFile.h"
#include "web/SettingsValues.h"
#include "wire/CharacterKey.h"

namespace ostravel {
namespace {

const char* BoolText(bool value) {
  return value ? "True" : "False";
}

// The attribute as a Boolean; none for text that is no Boolean.
std::optional<bool> BoolOf(const pugi::xml_attribute& attribute) {
  try {
    return host::ToBool(std::string(attribute.value()));
  } catch (const Error&) {
    return std::nullopt;
  }
}

bool Named(const pugi::xml_node& element, const char* tag) {
  return element.type() == pugi::node_element && std::strcmp(element.name(), tag) == 0;
}

bool IsCharacterNamed(const pugi::xml_node& element, const std::string& name) {
  const pugi::xml_attribute named = element.attribute("name");
  return Named(element, "character") && named && name == named.value();
}

pugi::xml_node AppendCharacter(pugi::xml_node& update, const std::string& name,
                               const CharacterBoxes& boxes) {
  pugi::xml_node character = update.append_child("character");
  character.append_attribute("name") = name.c_str();
  character.append_attribute("shareinfo") = BoolText(boxes.shareinfo);
  character.append_attribute("autoupdate") = BoolText(boxes.autoupdate);
  return character;
}

TellText TextOf(const ChatLine& line) {
  return {host::ToText(line.name), host::ToText(line.text)};
}

std::vector<TellText> SavedLines(const pugi::xml_node& chathelper) {
  std::vector<TellText> lines;
  for (const pugi::xml_node& line : chathelper.children("chatline")) {
    lines.emplace_back(line.attribute("name").value(), line.attribute("text").value());
  }
  return lines;
}

IrcChannelSettings ReadChannel(const pugi::xml_node& element) {
  IrcChannelSettings channel;
  channel.server = AttributeText(element, "server");
  channel.port = AttributeText(element, "port");
  channel.channel = AttributeText(element, "channel");
  channel.command = AttributeText(element, "command");
  channel.colorcode = AttributeLong(element, "colorcode");
  channel.join = AttributeBool(element, "join");
  if (element.attribute("tls")) channel.tls = AttributeBool(element, "tls");
  channel.tls_fingerprint = element.attribute("tlsfingerprint").as_string();
  channel.password = element.attribute("password").as_string();
  channel.key = element.attribute("key").as_string();
  return channel;
}

}  // namespace

Settings::Settings(std::filesystem::path folder, const platform::CodePage& ansi,
                   std::chrono::milliseconds wait)
    : folder_(std::move(folder)), ansi_(ansi), wait_(wait) {}

Settings::Settings(const Environment& env) : Settings(env.folder, env.code_page) {}

Settings::ChannelKey Settings::KeyOf(const std::string& server, const std::string& channel) {
  return {LowerCase(server), LowerCase(channel)};
}

std::string Settings::ServerAddress() const {
  const SettingsFile settings = SettingsFile::Load(folder_, ansi_, wait_);
  std::string url;
  for (const pugi::xml_node& server : settings.ElementsByTagName("server")) {
    url = AttributeText(server, "url");
  }
  return url;
}

void Settings::SetServerAddress(const std::string& url) const {
  SettingsFile settings = SettingsFile::LoadForChange(folder_, ansi_, wait_);
  std::vector<pugi::xml_node> servers = settings.ElementsByTagName("server");
  if (servers.empty()) {
    servers.push_back(settings.Document().document_element().prepend_child("server"));
  }
  for (pugi::xml_node& server : servers) {
    pugi::xml_attribute attribute = server.attribute("url");
    if (!attribute) attribute = server.append_attribute("url");
    attribute.set_value(url.c_str());
  }
  settings.Save();
}

std::vector<ChatLine> Settings::LoadChatLines() {
  const SettingsFile settings = SettingsFile::Load(folder_, ansi_, wait_);
  std::vector<ChatLine> lines;
  std::vector<TellText> texts;
  for (const pugi::xml_node& line : settings.ElementsByTagName("chatline")) {
    lines.push_back({AttributeValue(line, "name"), AttributeValue(line, "text")});
    texts.push_back(TextOf(lines.back()));
  }
  chat_.Loaded(std::move(texts), SavedLines(settings.FirstElement("chathelper")));
  return lines;
}

void Settings::SaveChatLines(const std::vector<ChatLine>& rows) {
  SettingsFile settings = SettingsFile::LoadForChange(folder_, ansi_, wait_);
  pugi::xml_node chathelper = settings.FirstElement("chathelper");
  if (!chathelper) return;
  const std::int32_t savelines = AttributeLong(chathelper, "savelines");
  std::vector<TellText> texts;
  std::transform(rows.begin(), rows.end(), std::back_inserter(texts), TextOf);
  std::vector<TellText> lines = chat_.Merge(texts, SavedLines(chathelper));
  lines.resize(static_cast<std::size_t>(
      std::clamp<std::int64_t>(savelines, 0, static_cast<std::int64_t>(lines.size()))));
  while (pugi::xml_node old = chathelper.child("chatline")) chathelper.remove_child(old);
  for (const auto& [name, text] : lines) {
    pugi::xml_node line = chathelper.append_child("chatline");
    line.append_attribute("name") = name.c_str();
    line.append_attribute("text") = text.c_str();
  }
  settings.Save();
  chat_.Saved(std::move(texts), lines);
}

void Settings::LoadCharacterBoxes(const std::string& name,
                                  const std::function<void(const CharacterBoxes&)>& found) const {
  const SettingsFile settings = SettingsFile::Load(folder_, ansi_, wait_);
  for (const pugi::xml_node& character : settings.ElementsByTagName("character")) {
    const pugi::xml_attribute named = character.attribute("name");
    if (!named || name != named.value()) continue;
    // Both values are read before either is used: a damaged element sets neither box.
    const bool share = AttributeBool(character, "shareinfo");
    const bool automatic = AttributeBool(character, "autoupdate");
    found({share, automatic});
  }
}

void Settings::SaveCharacterBoxes(const std::string& name, const CharacterBoxes& boxes) const {
  SettingsFile settings = SettingsFile::LoadForChange(folder_, ansi_, wait_);
  pugi::xml_node update = settings.FirstElement("update");
  if (!update) return;
  pugi::xml_node character = AppendCharacter(update, name, boxes);
  for (pugi::xml_node child = update.first_child(); child != character;) {
    const pugi::xml_node next = child.next_sibling();
    if (IsCharacterNamed(child, name)) {
      // The character's key was written by the service's answer, maybe after this page
      // loaded its boxes: it stays.
      for (const pugi::xml_node& held : child.children()) character.append_copy(held);
      update.remove_child(child);
    }
    child = next;
  }
  settings.Save();
}

std::string Settings::CharacterKey(std::int32_t cid) const {
  std::optional<SettingsFile> loaded;
  try {
    loaded.emplace(SettingsFile::Load(folder_, ansi_, wait_));
  } catch (const Error& error) {
    // Without a file the service's address is missing too, and that is reported already.
    if (error.Number() == SettingsFile::kFileNotFound) return {};
    throw;
  }
  const SettingsFile& settings = *loaded;
  const std::string id = std::to_string(cid);
  std::string key;
  for (const pugi::xml_node& element : settings.ElementsByTagName("key")) {
    if (id == element.attribute("cid").value()) key = element.attribute("value").value();
  }
  return wire::IsCharacterKey(key) ? key : std::string();
}

void Settings::SaveCharacterKey(const std::string& name, std::int32_t cid,
                                const std::string& key) const {
  SettingsFile settings = SettingsFile::LoadForChange(folder_, ansi_, wait_);
  pugi::xml_node update = settings.FirstElement("update");
  if (!update) update = settings.Document().document_element().append_child("update");
  const std::string id = std::to_string(cid);
  pugi::xml_node owner;
  for (pugi::xml_node character : update.children("character")) {
    for (pugi::xml_node element = character.child("key"); element;) {
      const pugi::xml_node next = element.next_sibling("key");
      if (id == element.attribute("cid").value()) character.remove_child(element);
      element = next;
    }
    if (IsCharacterNamed(character, name)) owner = character;
  }
  if (!owner) owner = AppendCharacter(update, name, CharacterBoxes{});
  pugi::xml_node element = owner.append_child("key");
  element.append_attribute("cid") = id.c_str();
  element.append_attribute("value") = key.c_str();
  settings.Save();
}

void Settings::LoadIrcChannels(const std::function<void(const IrcChannelSettings&)>& found) {
  loaded_joins_.clear();
  const SettingsFile settings = SettingsFile::Load(folder_, ansi_, wait_);
  for (const pugi::xml_node& element : settings.ElementsByTagName("channel")) {
    const IrcChannelSettings channel = ReadChannel(element);
    // A channel named again is the first one to the IRC page, so its flag counts.
    loaded_joins_.emplace(KeyOf(channel.server, channel.channel), channel.join);
    found(channel);
  }
}

void Settings::SaveJoinFlags(const std::vector<IrcJoinFlag>& flags) {
  std::map<ChannelKey, bool> known;
  std::set<ChannelKey> changed;
  for (const IrcJoinFlag& flag : flags) {
    const ChannelKey key = KeyOf(flag.server, flag.channel);
    known.emplace(key, flag.join);
    const auto loaded = loaded_joins_.find(key);
    if (loaded == loaded_joins_.end() || loaded->second != flag.join) changed.insert(key);
  }
  SettingsFile settings = SettingsFile::LoadForChange(folder_, ansi_, wait_);
  const pugi::xml_node irc = settings.FirstElement("irc");
  if (!irc) return;
  for (pugi::xml_node element : irc.children("channel")) {
    const ChannelKey key =
        KeyOf(AttributeText(element, "server"), AttributeText(element, "channel"));
    const auto flag = known.find(key);
    if (flag == known.end()) continue;  // someone else's channel
    pugi::xml_attribute join = element.attribute("join");
    if (!join) {
      element.append_attribute("join") = BoolText(flag->second);
    } else if (changed.count(key) != 0) {
      join.set_value(BoolText(flag->second));
    } else if (const auto on_disk = BoolOf(join)) {
      // Unchanged here: what is on disk stays, written as the page writes a flag.
      join.set_value(BoolText(*on_disk));
    }
  }
  settings.Save();
  for (const auto& [key, join] : known) loaded_joins_[key] = join;
}

}  // namespace ostravel
