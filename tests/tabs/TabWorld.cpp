#include "tabs/TabWorld.h"

#include <cctype>
#include <cstdio>

namespace ostravel::test {

TabWorld::TabWorld(sim::CharacterProfile profile) : harness(std::move(profile)) {
  harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/></settings>");
  harness.Initialize();
  harness.host.CompleteLogin();
  Settle();
  Forget();
}

TabWorld::TabWorld(const std::string& rest) {
  harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/>" + rest +
                            "</settings>");
  harness.PublishHost();
  State().CharacterName = "Ostra Vel";
  State().CharacterID = 1342177295;
}

std::vector<std::string> TabWorld::Sent() const {
  std::vector<std::string> sent;
  const auto all = server.Requests();
  for (std::size_t i = sent_baseline_; i < all.size(); ++i)
    sent.push_back(all[i].path.substr(1) + " " + all[i].body);
  return sent;
}

std::vector<std::string> TabWorld::Effects(sim::Effect::Kind kind) const {
  std::vector<std::string> texts;
  for (const auto& effect : harness.effects)
    if (effect.kind == kind) texts.push_back(effect.text);
  return texts;
}

std::vector<std::string> TabWorld::Errors() const {
  const auto lines = ReadCrLfLines(harness.env.folder.Path() / "log.txt");
  std::vector<std::string> errors;
  for (std::size_t i = log_baseline_; i < lines.size(); ++i) {
    const auto text = lines[i].find("] ");
    errors.push_back(text == std::string::npos ? lines[i] : lines[i].substr(text + 2));
  }
  return errors;
}

void TabWorld::Forget() {
  sent_baseline_ = server.RequestCount();
  log_baseline_ = ReadCrLfLines(harness.env.folder.Path() / "log.txt").size();
  harness.effects.clear();
}

std::vector<std::string> TabWorld::Rows(const std::string& list) {
  const auto control = List(list);
  std::vector<std::string> rows;
  for (std::int32_t r = 0; r < control->Count(); ++r) {
    const auto& cells = control->Row(r);
    std::string row;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) row += "|";
      for (const auto& [sub_index, value] : cells[c].data)
        row += (sub_index == 1 ? "#" : "") + host::ToText(value);
    }
    rows.push_back(row);
  }
  return rows;
}

std::string Request(const std::string& script, const std::string& args, const std::string& fields) {
  std::string body = script + " " + fields + "&args=";
  for (const unsigned char c : args) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", c);
    const bool plain =
        std::isalnum(c) || std::string_view("*@._-&=%").find(c) != std::string_view::npos;
    body += plain ? std::string(1, c) : c == ' ' ? std::string("+") : std::string(hex);
  }
  return body;
}

}  // namespace ostravel::test
