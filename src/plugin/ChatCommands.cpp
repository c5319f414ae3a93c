#include "plugin/ChatCommands.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "web/CharPostStrings.h"
#include "web/WebRequest.h"
#include "wire/FieldNames.h"

namespace ostravel {
namespace {

// A command that posts its arguments to a server script: its two words, the script and the
// callback its answer comes back with.
struct ServerCommand {
  std::string_view word;
  std::string_view short_word;
  std::string_view script;
  std::string_view callback;
};

constexpr std::array<ServerCommand, 4> kServerCommands{{
    {"member", "mbr", wire::script::kMember, "Print"},
    {"message", "msg", wire::script::kMessage, "Print"},
    {"event", "quest", wire::script::kEvent, "PrintAndRefreshQuests"},
    {"landblock", "lb", wire::script::kLandblock, "Print"},
}};

// The arguments after `word` when the command is that word, bare or followed by a space.
std::optional<std::string> ArgumentsOf(std::string_view lcmd, std::string_view cmd,
                                       std::string_view word) {
  if (lcmd == word) return std::string();
  if (lcmd.size() > word.size() && lcmd.starts_with(word) && lcmd[word.size()] == ' ') {
    return std::string(cmd.substr(word.size() + 1));
  }
  return std::nullopt;
}

void Print(Context& ctx, std::string_view text) {
  PrintChat(ctx, text, kChatColor, true);
}

}  // namespace

ChatCommands::ChatCommands(Context& ctx, WebRequest& request, Targets targets)
    : ctx_(ctx), request_(request), targets_(std::move(targets)) {}

void ChatCommands::ACHooks_ChatParserIntercept(const std::string& bstrText, bool& bEat) {
  ErrorHandler{ctx_, "OstravelMain", "ACHooks_ChatParserIntercept"}([&] {
    if (bstrText.empty() || (bstrText.front() != '/' && bstrText.front() != '@')) return;
    const std::string cmd = bstrText.substr(1);
    const std::string lcmd = LowerCase(cmd);
    if (lcmd == "ostravel" || lcmd == "help ostravel" || lcmd == "ostravel help") {
      PrintHelp();
      bEat = true;
      return;
    }
    if (lcmd.starts_with("member update") || lcmd.starts_with("mbr update")) {
      targets_.update_character();
      bEat = true;
      return;
    }
    for (const auto& command : kServerCommands) {
      auto args = ArgumentsOf(lcmd, cmd, command.word);
      if (!args) args = ArgumentsOf(lcmd, cmd, command.short_word);
      if (!args) continue;
      PostCommand(command.script, *args, std::string(command.callback));
      bEat = true;
      return;
    }
    if (lcmd.starts_with("guid")) {
      bEat = true;
      SelectionReport();
    } else if (lcmd.starts_with("xpreport")) {
      XpReport();  // the game sees the line too
    } else {
      bEat = targets_.irc_chat_text(cmd);
    }
  });
}

void ChatCommands::PrintHelp() {
  Print(ctx_, "\nOstravel " + VersionString() + ". Avaliable commands:");
  Print(ctx_, "  @ostravel - print this help information.");
  Print(ctx_, "  @member or @mbr - set or retrieve member information.");
  Print(ctx_, "  @message or @msg - send or retrieve offline messages.");
  Print(ctx_, "  @event or @quest - add or retrieve avaliable quests and events.");
  Print(ctx_, "  @landblock or @lb - set or get description of your current landblock.");
  Print(ctx_, "  @guid - prints guid for current selection and copys it to clipboard.");
  Print(ctx_,
        "To get additional information about a command, type the command without any arguments.");
}

void ChatCommands::PostCommand(std::string_view script, std::string_view args,
                               const std::string& callback) {
  const std::string url = ServerURL(ctx_) + std::string(script);
  request_.Post(url, ArgsPostString(ctx_, args), callback, WebRequest::Asker::kPlayer);
}

void ChatCommands::SelectionReport() {
  const auto& stats = Require(ctx_.CharacterStats);
  const std::int32_t me = stats.CharacterId();
  const std::int32_t selected = Require(ctx_.ACHooks).CurrentSelection();
  if (selected == 0 && me != 0) return;
  SetClipboardText(ctx_, DoubleText(UnsignedLong(selected)));
  if (selected == me) {
    Print(ctx_, "[ Name: " + stats.Name() + " ] [ GUID: " + std::to_string(me) +
                    " ] [ MonarchName: " + ctx_.Monarch.Name +
                    " ] [ MonarchID: " + std::to_string(ctx_.Monarch.GUID) + " ]");
    return;
  }
  const std::string name = Require(ctx_.World).ObjectName(selected).value_or("");
  Print(ctx_, "[ Name: " + name + " ]  [ GUID: " + std::to_string(selected) + " ]");
}

void ChatCommands::XpReport() {
  const auto& stats = Require(ctx_.CharacterStats);
  Print(ctx_, "[echo]PatronXP: " + DoubleText(ctx_.Patron.XP));
  Print(ctx_, "[Cstats]PatronXP: " + std::to_string(Require(stats.Patron()).xp));
  Print(ctx_, "[Cstats]myAllegXP: " + std::to_string(Require(stats.Self()).xp));
  Print(ctx_, "*");
  Print(ctx_, "[echo]MonarchXP: " + DoubleText(ctx_.Monarch.XP));
  Print(ctx_, "[Cstats]MonarchXP: " + std::to_string(Require(stats.Monarch()).xp));
  Print(ctx_, "[Cstats]myAllegXP: " + std::to_string(Require(stats.Self()).xp));
}

}  // namespace ostravel
