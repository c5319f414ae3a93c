#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ostravel {

struct Context;
class WebRequest;

// The plug-in's chat commands: lines typed into the game's chat that begin with "/" or "@".
// Server commands go through the plug-in's own WebRequest; lines no command claims are offered
// to IRC.
class ChatCommands {
 public:
  // What the commands hand on to the tab objects.
  struct Targets {
    // The character update, printed into chat as well ("member update").
    std::function<void()> update_character;
    // A line for the IRC channels; true when one of them took it.
    std::function<bool(const std::string& cmd)> irc_chat_text;
  };

  ChatCommands(Context& ctx, WebRequest& request, Targets targets);

  // Handles one typed line; sets `eat` when the game must not see it.
  void ACHooks_ChatParserIntercept(const std::string& bstrText, bool& bEat);

 private:
  void PrintHelp();
  void PostCommand(std::string_view script, std::string_view args, const std::string& callback);
  void SelectionReport();
  void XpReport();

  Context& ctx_;
  WebRequest& request_;
  Targets targets_;
};

}  // namespace ostravel
